// The kernel side of a VISA PXI plug-in: a user-mode VISA session reads and
// writes the board's PCI address spaces item by item, without knowing the
// board. Spaces 0 to 5 follow the six BAR registers as the PCI information
// block records them (a 64-bit BAR takes its upper neighbour's place, which
// stays empty); space 6 is configuration space.
//
// The first initialize maps every memory space into the kernel and the
// last finalize unmaps them. Block transfers hold the dispatcher's lock
// from their initialisation check to their last item, so a finalize cannot
// unmap a space under a running transfer.
#ifndef VL9738K_BOARD_VISA_VISADISPATCHER_H
#define VL9738K_BOARD_VISA_VISADISPATCHER_H

#include <stdint.h>

#include "driver/platform/device/DeviceTypes.h"
#include "driver/platform/pci/tPCIDevice.h"
#include "driver/platform/status/tStatus.h"
#include "driver/platform/sync/tMutex.h"

namespace nVL9738K_24_0 {

class VisaDispatcher {
 public:
  static constexpr uint32_t kSpaceCount = 7;
  static constexpr uint8_t kConfigurationSpace = 6;
  static constexpr uint64_t kExpressConfigurationSize = 4096;
  static constexpr uint64_t kConfigurationSize = 256;
  // A transfer's mode word: the two values the plug-in sends.
  static constexpr uint32_t kModeDefault = 0;
  static constexpr uint32_t kModeAll = 0xFFFFFFFF;
  // A block transfer moves its items through a kernel buffer of at most
  // this many bytes, holding the dispatcher's lock for one chunk at a time.
  static constexpr uint64_t kChunkBytes = 4096;

  enum SpaceType : uint32_t { kEmpty = 0, kMemory = 1, kIoPorts = 2, kConfiguration = 3 };

  struct Space {
    uint32_t type;
    uint64_t base;
    uint64_t size;
    uint64_t kernelAddress;
    uint64_t mappingHandle;
    uint64_t spare;
  };

  // -52000 when the lock cannot be created.
  VisaDispatcher(nVLAPAL000::tPCIDevice& device, nVLAPALS100::tStatus& status);
  ~VisaDispatcher();
  VisaDispatcher(const VisaDispatcher&) = delete;
  VisaDispatcher& operator=(const VisaDispatcher&) = delete;

  void initialize(nVLAPALS100::tStatus& status);
  void finalize();
  void getSpaceInfo(uint8_t space, uint16_t& type, uint64_t& base, uint64_t& size, nVLAPALS100::tStatus& status);

  // `count` items of `width` bytes between the space at `offset` and the
  // caller's buffer at `bufferAddress`: at consecutive offsets when
  // `increment` is set, else all at `offset` (a FIFO-style port).
  void readBlock(nVLAPAL000::tEventDescriptor& descriptor, uint8_t space, uint64_t offset, uint32_t width,
                 uint8_t increment, uint64_t bufferAddress, uint64_t count, uint32_t mode,
                 nVLAPALS100::tStatus& status);
  void writeBlock(nVLAPAL000::tEventDescriptor& descriptor, uint8_t space, uint64_t offset, uint32_t width,
                  uint8_t increment, uint64_t bufferAddress, uint64_t count, uint32_t mode,
                  nVLAPALS100::tStatus& status);

  uint32_t getUserCount() const;

 private:
  struct Transfer;

  void buildSpaces();
  void mapSpaces(nVLAPALS100::tStatus& status);
  void unmapSpaces();
  bool prepare(Transfer& transfer, uint64_t notInitializedLine, uint64_t badModeLine, nVLAPALS100::tStatus& status);
  void validate(const Space& space, const Transfer& transfer, nVLAPALS100::tStatus& status) const;
  uint8_t* allocateBuffer(uint64_t bytes, nVLAPALS100::tStatus& status) const;
  Transfer chunkOf(const Transfer& transfer, uint64_t done) const;
  void move(nVLAPAL000::tEventDescriptor& descriptor, Transfer transfer, uint64_t bufferAddress, bool reading,
            uint64_t notInitializedLine, uint64_t badModeLine, nVLAPALS100::tStatus& status);
  bool gateStillOpen(nVLAPALS100::tStatus& status) const;
  void readItems(const Space& space, const Transfer& transfer, uint8_t* buffer, nVLAPALS100::tStatus& status);
  void writeItems(const Space& space, const Transfer& transfer, const uint8_t* buffer, nVLAPALS100::tStatus& status);

  nVLAPAL000::tPCIDevice& device_;
  Space spaces_[kSpaceCount];
  uint32_t userCount_;
  nVLAPAL000::tMutex lock_;
};

}  // namespace nVL9738K_24_0

#endif
