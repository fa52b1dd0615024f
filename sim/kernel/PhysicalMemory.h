// Simulated physical memory: the frames behind the kernel layer's page
// lists, each a host page with a physical address of its own. Where the
// frames lie is chosen by a placement policy that tests set (one run, runs
// of a few pages, runs above 4 GiB, a seeded random layout), so that a
// driver meets scattered and high memory as it would on a real machine.
//
// A bus master of the board model reads and writes host memory only
// through physical addresses here. Frames that a scatter-gather object has
// mapped are checked on every device access: the memory must have been
// handed to the device, and writable by it when it writes.
#ifndef VL9738K_SIM_PHYSICAL_MEMORY_H
#define VL9738K_SIM_PHYSICAL_MEMORY_H

#include <cstdint>
#include <vector>

namespace sim {

class PhysicalMemory {
 public:
  static constexpr uint64_t kPageSize = 4096;
  static constexpr uint64_t k4G = uint64_t{1} << 32;

  struct Placement {
    // Pages per physically contiguous run; 0 puts each allocation in one run.
    uint64_t runPages = 0;
    // Every nth run lies above 4 GiB (where the allocation allows it); 0: none.
    uint64_t highEvery = 0;
    // Non-zero: run lengths drawn from 1..runPages, high runs with
    // probability 1/highEvery and the gaps between runs at random.
    uint64_t seed = 0;
    // The first high run starts one page below 4 GiB, so that a run of
    // more than one page crosses the line.
    bool firstHighRunCrosses4G = false;
  };
  static void setPlacement(const Placement& placement);
  // Whether the machine has memory above 4 GiB at all (it has by default).
  static void setMemoryAbove4G(bool present);
  static bool memoryAbove4G();

  // Gives `pageCount` host pages from `host` (page aligned) physical frames;
  // returns the physical address of each page in order.
  static std::vector<uint64_t> place(uint8_t* host, uint64_t pageCount, bool contiguous, bool below4G);
  static void release(const std::vector<uint64_t>& pages);

  // Bus-master accesses; false (and nothing moved) when a byte is not backed.
  static bool deviceRead(uint64_t address, void* out, uint64_t size);
  static bool deviceWrite(uint64_t address, const void* in, uint64_t size);
  // The host byte behind a physical address, as the processor sees it; null when unbacked.
  static uint8_t* hostAddress(uint64_t address);

  // Scatter-gather bookkeeping over physical ranges: a mapping (and its
  // direction), and whether it is currently handed to the device.
  struct Range {
    uint64_t address;
    uint64_t size;
  };
  static void adjustMapped(const std::vector<Range>& ranges, int delta);
  static void adjustHandedOver(const std::vector<Range>& ranges, bool deviceWrites, int delta);
  // Device accesses to mapped memory the device did not own (or wrote
  // without being allowed to).
  static uint64_t ownershipViolations();
  // Device accesses that found no memory.
  static uint64_t unbackedAccesses();
  static uint64_t framesInUse();

  static void reset();
};

}  // namespace sim

#endif
