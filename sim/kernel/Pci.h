// The kernel layer's PCI side: the functions plugged into the simulated
// bus (a board model answers their configuration space), the bus tree that
// enumeration reports, the DMA masks the driver set, and kernel mappings of
// physical ranges, which resolve to the memory a board model lent for its
// BARs.
#ifndef VL9738K_SIM_PCI_H
#define VL9738K_SIM_PCI_H

#include <cstdint>
#include <optional>
#include <vector>

#include "../../driver/platform/zuk/ZukPci.h"
#include "FaultSite.h"

namespace sim {

// A PCI function as the bus reaches it.
class PciFunction {
 public:
  virtual ~PciFunction() = default;
  // False when nothing answers at that offset: the kernel layer then
  // reports the access as failed.
  virtual bool configRead(uint32_t offset, unsigned width, uint32_t& value) = 0;
  virtual bool configWrite(uint32_t offset, unsigned width, uint32_t value) = 0;
};

// Where a function sits and what the platform offers it.
struct PciPlacement {
  uint32_t domain = 0;
  uint8_t bus = 4;
  uint8_t device = 0;
  uint8_t function = 0;
  int32_t numaNode = 0;
  // The widest DMA mask the platform accepts for the function.
  unsigned dmaAddressBits = 64;
  bool interruptPresent = true;
  uint32_t interruptNumber = 42;
};

class Pci {
 public:
  // What a failed configuration access and a refused DMA mask return.
  static constexpr int32_t kConfigAccessFailed = -51202;
  static constexpr int32_t kMaskRefused = -51256;
  static constexpr int32_t kNoSuchFunction = -51009;

  static FaultSite& configReadFaults();
  static FaultSite& configWriteFaults();
  static FaultSite& dmaMaskFaults();
  static FaultSite& domainFaults();
  static FaultSite& enumerationFaults();
  static FaultSite& kernelMappingFaults();

  // Returns the function's handle (never 0).
  static uint64_t plug(PciFunction& function, const PciPlacement& placement);
  static void unplug(uint64_t handle);
  static std::optional<PciPlacement> placement(uint64_t handle);

  // Lends `size` bytes of host memory to the bus as a physical range and
  // returns its physical address (aligned to the size, as a BAR is);
  // above 4 GiB when asked, as a 64-bit BAR may be placed.
  static uint64_t lendPhysical(void* memory, uint64_t size, bool above4GiB = false);
  static void returnPhysical(uint64_t physicalAddress);

  struct KernelMapping {
    void* address;
    uint64_t physicalAddress;
    uint64_t size;
    uint32_t cacheMode;
  };
  static std::vector<KernelMapping> kernelMappings();
  // Unmaps of an address that was not mapped, or with another cache mode.
  static uint64_t strayUnmaps();

  // The bus tree enumeration reports, in its order. The default tree is a
  // chassis: a root bus, a root port leading to a switch whose downstream
  // ports give buses 3 to 8 (the default placement is bus 4).
  static void setBuses(std::vector<nVLZUK_tPCIBus> buses);
  static std::vector<nVLZUK_tPCIBus> buses();
  static std::vector<nVLZUK_tPCIBus> chassisBuses();

  // The DMA mask the platform last accepted for the function.
  static std::optional<uint64_t> dmaMask(uint64_t handle);

  static void reset();
};

}  // namespace sim

#endif
