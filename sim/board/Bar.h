// One memory BAR of a simulated PCI function: a real backing buffer that
// the driver maps and addresses directly. Kernel-layer register accesses
// inside it are bus accesses: they go to the register block attached at
// their offset, or to an aperture that decodes them (plain memory where
// neither answers), and are recorded while a test that reads the traffic
// asks for it.
// The driver's plain 64-bit loads and stores bypass all of that and land
// in the buffer, as they do on the real bus.
#ifndef VL9738K_SIM_BOARD_BAR_H
#define VL9738K_SIM_BOARD_BAR_H

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "BusAccess.h"
#include "RegisterBlock.h"
#include "TrafficRecord.h"
#include "sim/kernel/Registers.h"

namespace sim {

class Bar : public MmioHandler {
 public:
  explicit Bar(uint64_t size);
  ~Bar() override;
  Bar(const Bar&) = delete;
  Bar& operator=(const Bar&) = delete;

  uint8_t* data() { return memory_; }
  uint64_t size() const { return size_; }
  // The kernel-virtual address a driver mapping of this BAR yields.
  uint64_t mappedAddress() const { return reinterpret_cast<uint64_t>(memory_); }

  // Blocks may nest (the innermost answers) but must not otherwise
  // overlap; the block outlives the BAR's use of it.
  void attach(uint64_t offset, uint64_t size, RegisterBlock& block);
  // Apertures answer what no block answers, in the order attached.
  void attach(Aperture& aperture);

  // The accesses recorded while a test asks (TrafficRecord).
  void startRecording() { traffic_.start(); }
  void stopRecording() { traffic_.stop(); }
  void clearTraffic() { traffic_.clear(); }
  std::vector<BusAccess> traffic() const { return traffic_.accesses(); }
  size_t writeCount() const { return traffic_.count(BusAccess::Kind::Write); }
  size_t readCount() const { return traffic_.count(BusAccess::Kind::Read); }

  // The backing memory as a plain load sees it.
  uint64_t peek64(uint64_t offset) const;

  // A board that is gone (surprise removal): reads return all ones and
  // writes go nowhere.
  void setRemoved(bool removed) { removed_ = removed; }

  // A write the board makes to one of its own registers: it reaches the
  // block at `offset` like a bus write but is no host traffic.
  void internalWrite(uint64_t offset, unsigned width, uint32_t value);
  // A read the board makes of one of its own registers: no host traffic.
  uint32_t internalRead(uint64_t offset, unsigned width);

  uint32_t mmioRead(uint64_t offset, unsigned width) override;
  void mmioWrite(uint64_t offset, unsigned width, uint32_t value) override;

 private:
  struct Attached {
    uint64_t offset;
    uint64_t size;
    RegisterBlock* block;
  };
  // A stretch of the BAR between two block edges, and the innermost block
  // that holds it (kNone: no block).
  struct Segment {
    uint64_t begin;
    uint64_t end;
    size_t block;
  };
  static constexpr size_t kNone = ~size_t{0};
  static constexpr unsigned kPageShift = 12;
  const Attached* blockAt(uint64_t offset, unsigned width) const;
  const Attached* innermost(uint64_t begin, uint64_t end) const;
  void segment();
  Aperture* apertureAt(uint64_t offset, unsigned width) const;

  uint8_t* memory_;
  uint64_t size_;
  uint64_t claim_;
  std::vector<Attached> blocks_;
  std::vector<Segment> segments_;
  // For each page of the BAR, the first segment that reaches into it.
  std::vector<uint32_t> pageSegment_;
  std::vector<Aperture*> apertures_;
  std::atomic<bool> removed_{false};
  TrafficRecord traffic_{"BAR"};
};

}  // namespace sim

#endif
