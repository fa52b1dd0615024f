#include "HMBManager.h"

#include "driver/platform/device/tUserBuffer.h"
#include "driver/platform/memory/Memory.h"
#include "driver/platform/status/StatusCodes.h"
#include "driver/platform/status/StatusSite.h"
#include "driver/platform/zuk/ZukDMA.h"
#include "driver/platform/zuk/ZukMemory.h"

namespace vllym {

namespace {

using nVLAPALS100::tStatus;
using tLock = nVLAPAL000::tAutoLock<nVLAPAL000::tMutex>;

// Zeroed pages a device reaches with 32-bit addresses, in one run.
constexpr uint32_t kRegionPageFlags = nVLZUK_kPageListContiguous | nVLZUK_kPageListBelow4G | nVLZUK_kPageListZeroed;
constexpr uint8_t kTableKind = 0;

void fail(tStatus& status, int64_t code) { status.setCode(code, VL_SITE); }

}  // namespace

HMBManager::HMBManager(kernel::IIoAccessor* accessor, uint32_t blockOffset, tStatus& status)
    : accessor_(accessor), blockOffset_(blockOffset), lock_(status), registers_(accessor, blockOffset, 0, 0xFFFFFFFF) {
  if (status.isFatal()) return;
  identity_ = registers_.Identity.readRegister(status);
  if (status.isFatal()) return;
  if (identity_ == kIdentitySingleRegion) {
    regionCount_ = 1;
    largestPrimary_ = kSingleRegionLargest;
  } else if (identity_ == kIdentityRegionTable) {
    regionCount_ = 1u << registers_.Geometry.readRegionCountLog2(status);
    largestPrimary_ = 1u << registers_.Geometry.readSizeLog2A(status);
    largestSecondary_ = 1u << registers_.Geometry.readSizeLog2B(status);
  } else {
    fail(status, nVLAPALS100::kStatusInvalidParameter);
    return;
  }
  uint64_t bytes = uint64_t{regionCount_} * kRegionEntrySize;
  regionTable_ = static_cast<uint8_t*>(nVLAPAL000::operatorNewWithStatus(bytes, status, kTableKind));
  if (regionTable_ != nullptr) {
    for (uint64_t i = 0; i < bytes; ++i) regionTable_[i] = 0;
  }
}

HMBManager::~HMBManager() {
  tStatus local;
  if (lock_.isValid()) disableRegions(local);
  nVLZUK220_tPageList_destroy(primary_.handle);
  nVLZUK220_tPageList_destroy(secondary_.handle);
  nVLAPAL000::operatorDelete(regionTable_);
}

void HMBManager::programRegion(uint16_t index, uint64_t address, uint8_t attribute, bool secondary, tStatus& status) {
  if (status.isFatal()) return;
  uint32_t low = static_cast<uint32_t>(address);
  uint32_t high = static_cast<uint32_t>(address >> 32);
  if (identity_ == kIdentitySingleRegion) {
    if (index != 0 || secondary) return fail(status, nVLAPALS100::kStatusInvalidParameter);
    registers_.HmbRegister0C.writeRegister(low, status);
    registers_.HmbRegister10.writeRegister(high, status);
  } else if (identity_ == kIdentityRegionTable && secondary) {
    if (index != 0) return fail(status, nVLAPALS100::kStatusInvalidParameter);
    registers_.SingleRegionAddressLow.writeRegister(low, status);
    registers_.SingleRegionAddressHigh.writeRegister(high, status);
    if (attribute != kKeepAttribute) registers_.SingleRegionAttributes.writeRegister(attribute, status);
  } else if (identity_ == kIdentityRegionTable) {
    if (index >= kRegionArraySize) return fail(status, nVLAPALS100::kStatusInvalidParameter);
    registers_.RegionAddressLow[index].writeRegister(low, status);
    registers_.RegionAddressHigh[index].writeRegister(high, status);
    if (attribute != kKeepAttribute) registers_.RegionAttributes[index].writeRegister(attribute, status);
  } else {
    fail(status, nVLAPALS100::kStatusInvalidParameter);
  }
}

void HMBManager::enablePrimaryRegion(bool enable, tStatus& status) {
  if (status.isFatal()) return;
  if (identity_ == kIdentitySingleRegion) {
    registers_.SingleRegionEnable.writeRegister(enable ? 1 : 0, status);
  } else if (identity_ == kIdentityRegionTable) {
    registers_.RegionControl.writeRegister(enable ? 1 : 2, status);
  } else {
    fail(status, nVLAPALS100::kStatusInvalidParameter);
  }
}

void HMBManager::enableSecondaryRegion(bool enable, tStatus& status) {
  if (status.isFatal()) return;
  if (identity_ == kIdentityRegionTable) {
    registers_.RegionControl.writeRegister(enable ? 16 : 32, status);
  } else if (identity_ == kIdentitySingleRegion) {
    fail(status, nVLAPALS100::kStatusBadSelector);
  } else {
    fail(status, nVLAPALS100::kStatusInvalidParameter);
  }
}

void HMBManager::allocateAndMap(nVLAPAL000::tEventDescriptor&, nVLAPAL000::tUserMemoryMap& map, tStatus& status) {
  if (status.isFatal()) return;
  tLock hold(lock_);
  uint32_t id = map.getRegion() & kMapIdMask;
  if (id == kMapRegisterPage) {
    mapToUser(map, status);
  } else if (id == kMapSecondary) {
    allocateSecondaryRegion(map, status);
  } else {
    allocateRegion(map, status);
  }
}

void HMBManager::releaseMapping(nVLAPAL000::tEventDescriptor&, nVLAPAL000::tUserMemoryMap& map) {
  tStatus local;
  tLock hold(lock_);
  uint32_t id = map.getRegion() & kMapIdMask;
  if (id == kMapSecondary) {
    releaseSecondaryRegion(local);
  } else if (id != kMapRegisterPage) {
    releasePrimaryRegion(local);
  }
}

void HMBManager::mapToUser(nVLAPAL000::tUserMemoryMap& map, tStatus& status) {
  if (map.getSize() != kRegisterPageSize) return fail(status, nVLAPALS100::kStatusBadSelector);
  uint32_t page = registers_.WindowOffset.readBits27_0(status);
  if (status.isFatal()) return;
  map.mapPhysicalAddress(accessor_->getBusAddress() + page, kRegisterPageSize, 1, status);
}

bool HMBManager::createRegion(nVLAPAL000::tUserMemoryMap& map, uint64_t size, nVLAPAL000::tPageList& pages,
                              uint64_t& physical, tStatus& status) {
  uint64_t pageSize = nVLZUK100_getPageSize();
  uint64_t count = (size + pageSize - 1) / pageSize;
  uint64_t handle = nVLZUK220_tPageList_createFromAllocation(count, kRegionPageFlags);
  if (handle == 0) {
    fail(status, nVLAPALS100::kStatusOutOfMemory);
    return false;
  }
  map.mapPageList(handle, 0, map.getSize(), status);
  if (status.isNotFatal()) {
    uint64_t contiguous = 0;
    int32_t code = nVLZUK220_tPageList_getPhysicalAddress(handle, 0, &physical, &contiguous);
    if (code < 0) nVLAPALS100::setStatusFromZUKStatus(code, status, __FILE__, __LINE__);
  }
  if (status.isFatal()) {
    nVLZUK220_tPageList_destroy(handle);
    return false;
  }
  pages = nVLAPAL000::tPageList{count * pageSize, 0, handle};
  return true;
}

void HMBManager::allocateRegion(nVLAPAL000::tUserMemoryMap& map, tStatus& status) {
  if (primaryReferences_ > 0xFFFFFFFEu) return fail(status, kStatusTooManyMappings);
  if (primaryReferences_ > 0) {
    map.mapPageList(primary_.handle, 0, primary_.size, status);
    if (status.isNotFatal()) ++primaryReferences_;
    return;
  }
  if (map.getSize() > largestPrimary_) return fail(status, nVLAPALS100::kStatusBadSelector);
  nVLAPAL000::tPageList pages{};
  uint64_t physical = 0;
  if (!createRegion(map, map.getSize(), pages, physical, status)) return;
  writeRegionsInUse(status);
  programRegion(0, physical, kKeepAttribute, false, status);
  enablePrimaryRegion(true, status);
  if (status.isFatal()) {
    nVLZUK220_tPageList_destroy(pages.handle);
    return;
  }
  primary_ = pages;
  primaryPhysical_ = physical;
  primaryReferences_ = 1;
}

void HMBManager::allocateSecondaryRegion(nVLAPAL000::tUserMemoryMap& map, tStatus& status) {
  if (map.getSize() > largestSecondary_) return fail(status, nVLAPALS100::kStatusBadSelector);
  if (secondaryPresent_ != 0) return fail(status, kStatusSecondaryTaken);
  nVLAPAL000::tPageList pages{};
  uint64_t physical = 0;
  if (!createRegion(map, map.getSize(), pages, physical, status)) return;
  programRegion(0, physical, kKeepAttribute, true, status);
  enableSecondaryRegion(true, status);
  if (status.isFatal()) {
    nVLZUK220_tPageList_destroy(pages.handle);
    return;
  }
  secondary_ = pages;
  secondaryPhysical_ = physical;
  secondaryPresent_ = 1;
}

void HMBManager::releasePrimaryRegion(tStatus& status) {
  if (primaryReferences_ == 0) return;
  if (--primaryReferences_ != 0) return;
  enablePrimaryRegion(false, status);
  nVLZUK220_tPageList_destroy(primary_.handle);
  primary_ = nVLAPAL000::tPageList{};
  primaryPhysical_ = 0;
}

void HMBManager::releaseSecondaryRegion(tStatus& status) {
  if (secondaryPresent_ == 0) return;
  secondaryPresent_ = 0;
  enableSecondaryRegion(false, status);
  nVLZUK220_tPageList_destroy(secondary_.handle);
  secondary_ = nVLAPAL000::tPageList{};
  secondaryPhysical_ = 0;
}

void HMBManager::writeRegionsInUse(tStatus& status) {
  registers_.HmbRegister08.writeBits15_0(static_cast<uint16_t>(highestRegion_ + 1), status);
}

uint64_t HMBManager::entryAddress(uint32_t index) const {
  const uint8_t* entry = regionTable_ + index * kRegionEntrySize;
  uint64_t address = 0;
  for (int byte = 7; byte >= 0; --byte) address = (address << 8) | entry[8 + byte];
  return address;
}

void HMBManager::clientFunctionCall(nVLAPAL000::tEventDescriptor& descriptor, int32_t function,
                                    uint64_t argumentAddress, uint64_t argumentSize, uint64_t, uint64_t,
                                    tStatus& status) {
  if (status.isFatal()) return;
  if (function != kClientProgramRegion) return fail(status, kStatusNotProvided);
  if (argumentSize != kRegionEntrySize) return fail(status, nVLAPALS100::kStatusInvalidParameter);
  uint8_t entry[kRegionEntrySize] = {};
  nVLAPAL000::tUserBuffer argument(descriptor, argumentAddress, argumentSize, status);
  argument.readFromBuffer(0, entry, kRegionEntrySize, status);
  if (status.isFatal()) return;
  // An index the region array cannot hold would be stored and counted in
  // use, yet never programmed, and every later re-apply would fail on it.
  uint32_t index = entry[0];
  uint32_t limit = regionCount_ < kRegionArraySize ? regionCount_ : kRegionArraySize;
  if (index >= limit) return fail(status, nVLAPALS100::kStatusInvalidParameter);
  tLock hold(lock_);
  for (uint64_t i = 0; i < kRegionEntrySize; ++i) regionTable_[index * kRegionEntrySize + i] = entry[i];
  programRegion(static_cast<uint16_t>(index), entryAddress(index), entry[1], false, status);
  if (index > highestRegion_) highestRegion_ = index;
  writeRegionsInUse(status);
}

void HMBManager::disableRegions(tStatus& status) {
  tLock hold(lock_);
  if (primaryReferences_ > 0) enablePrimaryRegion(false, status);
  if (secondaryPresent_ != 0) enableSecondaryRegion(false, status);
}

void HMBManager::enableRegions(tStatus& status) {
  tLock hold(lock_);
  if (primaryReferences_ > 0) enablePrimaryRegion(true, status);
  if (secondaryPresent_ != 0) enableSecondaryRegion(true, status);
}

void HMBManager::reapplyAfterDownload(tStatus& status) {
  if (status.isFatal()) return;
  tLock hold(lock_);
  if (primaryReferences_ > 0) {
    uint16_t inUse = registers_.HmbRegister08.readBits15_0(status);
    if (status.isNotFatal() && inUse != static_cast<uint16_t>(highestRegion_ + 1)) {
      writeRegionsInUse(status);
      for (uint32_t i = 1; i <= highestRegion_; ++i) {
        const uint8_t* entry = regionTable_ + i * kRegionEntrySize;
        if (entry[0] == i) programRegion(static_cast<uint16_t>(i), entryAddress(i), entry[1], false, status);
      }
      programRegion(0, primaryPhysical_, kKeepAttribute, false, status);
    }
    enablePrimaryRegion(true, status);
  }
  if (secondaryPresent_ != 0) {
    programRegion(0, secondaryPhysical_, kKeepAttribute, true, status);
    enableSecondaryRegion(true, status);
  }
}

}  // namespace vllym
