#include "tVLCapabilityWexelAccessor.h"

#include "../zuk/ZukRegisters.h"
#include "tPCIDevice.h"

namespace nVLAPAL000 {

using nVLAPALS100::tStatus;

tVLCapabilityWexelAccessor::tVLCapabilityWexelAccessor(tPCIDevice* device, tStatus& status, uint32_t pointerOffset,
                                                       uint32_t listStart, uint32_t alternateListStart)
    : device_(device),
      mapping_(nullptr),
      base_(nullptr),
      size_(0),
      accessMode_(kAccessModeDirect),
      savedControl_(0),
      savedSelect_(0),
      windowOffset_(0),
      currentSelect_(0),
      windowMask_(0),
      listStart_(0) {
  if (status.isFatal()) return;
  mapping_ = device_->mapBAR(0, status);
  if (mapping_ == nullptr) return;
  base_ = static_cast<uint8_t*>(mapping_);
  size_ = device_->getBARLength(0);
  saveWindow();
  enableWindow();
  findListStart(pointerOffset, listStart, alternateListStart, status);
  restoreWindow();
}

tVLCapabilityWexelAccessor::~tVLCapabilityWexelAccessor() { device_->unmapBAR(mapping_); }

// A pointer or list start of 0, or one that is not word aligned, is what an
// erased or unwritten flash gives: no list.
void tVLCapabilityWexelAccessor::findListStart(uint32_t pointerOffset, uint32_t listStart, uint32_t alternateListStart,
                                               tStatus& status) {
  const uint32_t pointer = read32(pointerOffset, status);
  if (status.isFatal()) return;
  if (pointer == 0 || (pointer & 3) != 0) {
    status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE);
    return;
  }
  const uint32_t control = read32(pointer, status);
  const uint32_t start = read32((control & 1) != 0 ? alternateListStart : listStart, status);
  if (status.isFatal()) return;
  if (start == 0 || (start & 3) != 0) {
    status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE);
    return;
  }
  listStart_ = start;
}

uint32_t tVLCapabilityWexelAccessor::readRegister(uint32_t offset) { return nVLZUK100_memoryRead32(base_ + offset); }

void tVLCapabilityWexelAccessor::writeRegister(uint32_t offset, uint32_t value) {
  nVLZUK100_memoryWrite32(base_ + offset, value);
}

void tVLCapabilityWexelAccessor::saveWindow() {
  savedControl_ = readRegister(kWindowControl);
  savedSelect_ = readRegister(kWindowSelect);
}

void tVLCapabilityWexelAccessor::enableWindow() {
  const uint32_t control = readRegister(kWindowControl);
  windowOffset_ = control & 0xFFFFFF00u;
  windowMask_ = 0xFFFFFFFFu << (control & 31);
  writeRegister(kWindowControl, control | kWindowEnable);
  writeRegister(kWindowSelect, currentSelect_);
  accessMode_ = kAccessModeWindowed;
}

void tVLCapabilityWexelAccessor::useDirectAccess() {
  windowOffset_ = 0;
  accessMode_ = kAccessModeDirect;
}

void tVLCapabilityWexelAccessor::restoreWindow() {
  writeRegister(kWindowControl, savedControl_);
  writeRegister(kWindowSelect, savedSelect_);
  currentSelect_ = savedSelect_;
}

const volatile uint8_t* tVLCapabilityWexelAccessor::locate(uint32_t offset, unsigned width, tStatus& status) {
  if (status.isFatal()) return nullptr;
  uint64_t barOffset = uint64_t{windowOffset_} + offset;
  if (accessMode_ == kAccessModeWindowed) {
    const uint32_t select = offset & windowMask_;
    if (select != currentSelect_) {
      writeRegister(kWindowSelect, select);
      currentSelect_ = select;
    }
    barOffset = uint64_t{windowOffset_} + (offset & ~windowMask_);
  }
  if (barOffset > size_ || width > size_ - barOffset) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
    return nullptr;
  }
  return base_ + barOffset;
}

uint32_t tVLCapabilityWexelAccessor::read32(uint32_t offset, tStatus& status) {
  const volatile uint8_t* at = locate(offset, 4, status);
  return at != nullptr ? nVLZUK100_memoryRead32(at) : 0;
}

uint16_t tVLCapabilityWexelAccessor::read16(uint32_t offset, tStatus& status) {
  const volatile uint8_t* at = locate(offset, 2, status);
  return at != nullptr ? nVLZUK100_memoryRead16(at) : 0;
}

uint8_t tVLCapabilityWexelAccessor::read8(uint32_t offset, tStatus& status) {
  const volatile uint8_t* at = locate(offset, 1, status);
  return at != nullptr ? nVLZUK100_memoryRead8(at) : 0;
}

}  // namespace nVLAPAL000
