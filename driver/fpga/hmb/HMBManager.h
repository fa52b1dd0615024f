// Host memory that the FPGA reaches directly: the driver allocates a
// primary region (region 0, shared by every mapping of it) and, on a
// region-table block, a secondary region (one mapping at most); user mode
// supplies the addresses of primary regions 1 and up through the client
// call, and may map the block's 4096-byte register page. The block's
// identity register tells the single-region layout from the region-table
// layout.
//
// The FPGA loses the addresses when it is reprogrammed: the kernel FPGA
// object disables the regions before a reset or download, re-enables them
// after a reset and writes the addresses again after a download.
#ifndef VL9738K_FPGA_HMB_HMBMANAGER_H
#define VL9738K_FPGA_HMB_HMBMANAGER_H

#include <stdint.h>

#include "driver/platform/device/DeviceTypes.h"
#include "driver/platform/device/tUserMemoryMap.h"
#include "driver/platform/dma/tPageList.h"
#include "driver/platform/status/tStatus.h"
#include "driver/platform/sync/tMutex.h"
#include "driver/regaccess/IIoAccessor.h"
#include "driver/regmaps/fpga/tDram2DP.h"

namespace vllym {

class HMBManager {
 public:
  using tStatus = nVLAPALS100::tStatus;

  static constexpr uint32_t kIdentitySingleRegion = 0x0DDBA111;
  static constexpr uint32_t kIdentityRegionTable = 0xDEBBB0FF;
  static constexpr uint32_t kSingleRegionLargest = 0x400000;
  static constexpr uint32_t kRegionArraySize = 32;
  // Low 12 bits of a map id; any other value maps the primary region.
  static constexpr uint32_t kMapIdMask = 0xFFF;
  static constexpr uint32_t kMapRegisterPage = 4094;
  static constexpr uint32_t kMapSecondary = 4095;
  static constexpr uint64_t kRegisterPageSize = 4096;
  static constexpr int32_t kClientProgramRegion = 3;
  static constexpr uint64_t kRegionEntrySize = 16;
  static constexpr uint8_t kKeepAttribute = 0xFF;
  static constexpr int64_t kStatusTooManyMappings = -63198;
  static constexpr int64_t kStatusSecondaryTaken = -63151;
  static constexpr int64_t kStatusNotProvided = -63193;

  // Reads the identity (and on a region-table block its limits) and
  // allocates the region table; an unknown identity fails with -52005 and
  // is kept, so every later region operation fails the same way.
  HMBManager(kernel::IIoAccessor* accessor, uint32_t blockOffset, tStatus& status);
  ~HMBManager();
  HMBManager(const HMBManager&) = delete;
  HMBManager& operator=(const HMBManager&) = delete;

  // Map ids 4094 the register page, 4095 the secondary region, others the
  // primary region.
  void allocateAndMap(nVLAPAL000::tEventDescriptor& descriptor, nVLAPAL000::tUserMemoryMap& map, tStatus& status);
  // Cannot fail: runs on a status of its own.
  void releaseMapping(nVLAPAL000::tEventDescriptor& descriptor, nVLAPAL000::tUserMemoryMap& map);
  // Function 3 programs primary region entry (16 bytes from user memory:
  // index, attribute (0xFF keeps it), six bytes carried, u64 address).
  void clientFunctionCall(nVLAPAL000::tEventDescriptor& descriptor, int32_t function, uint64_t argumentAddress,
                          uint64_t argumentSize, uint64_t unused0, uint64_t unused1, tStatus& status);

  void disableRegions(tStatus& status);
  void enableRegions(tStatus& status);
  void reapplyAfterDownload(tStatus& status);

  void programRegion(uint16_t index, uint64_t address, uint8_t attribute, bool secondary, tStatus& status);
  void enablePrimaryRegion(bool enable, tStatus& status);
  void enableSecondaryRegion(bool enable, tStatus& status);

  uint32_t getIdentity() const { return identity_; }
  uint32_t getRegionCount() const { return regionCount_; }
  uint32_t getLargestPrimarySize() const { return largestPrimary_; }
  uint32_t getLargestSecondarySize() const { return largestSecondary_; }
  uint32_t getPrimaryReferences() const { return primaryReferences_; }
  bool hasSecondaryRegion() const { return secondaryPresent_ != 0; }
  uint32_t getHighestRegionInUse() const { return highestRegion_; }
  const nVLAPAL000::tPageList& getPrimaryPages() const { return primary_; }
  const nVLAPAL000::tPageList& getSecondaryPages() const { return secondary_; }

 private:
  void mapToUser(nVLAPAL000::tUserMemoryMap& map, tStatus& status);
  void allocateRegion(nVLAPAL000::tUserMemoryMap& map, tStatus& status);
  void allocateSecondaryRegion(nVLAPAL000::tUserMemoryMap& map, tStatus& status);
  // Fresh pages for `size` bytes mapped into `map`; the physical address of
  // the first byte. Leaves nothing behind on failure.
  bool createRegion(nVLAPAL000::tUserMemoryMap& map, uint64_t size, nVLAPAL000::tPageList& pages, uint64_t& physical,
                    tStatus& status);
  void releasePrimaryRegion(tStatus& status);
  void releaseSecondaryRegion(tStatus& status);
  void writeRegionsInUse(tStatus& status);
  uint64_t entryAddress(uint32_t index) const;

  uint32_t primaryReferences_ = 0;
  uint32_t secondaryPresent_ = 0;
  kernel::IIoAccessor* accessor_;
  uint32_t blockOffset_;
  uint32_t highestRegion_ = 0;
  nVLAPAL000::tPageList primary_{};
  uint64_t primaryPhysical_ = 0;
  nVLAPAL000::tPageList secondary_{};
  uint64_t secondaryPhysical_ = 0;
  uint8_t* regionTable_ = nullptr;
  nVLAPAL000::tMutex lock_;
  nDram2DP::tDram2DP registers_;
  uint32_t identity_ = 0;
  uint32_t regionCount_ = 0;
  uint32_t largestPrimary_ = 0;
  uint32_t largestSecondary_ = 0;
};

}  // namespace vllym

#endif
