// The bus of a map over a memory window: each register width maps to the
// accessor call of that width. The accessor is not owned and may be
// swapped while the map lives (list-mode snooping puts a recording
// accessor in place of the live one, then puts the live one back).
#ifndef VL9738K_REGACCESS_IOACCESSORBUS_H
#define VL9738K_REGACCESS_IOACCESSORBUS_H

#include "IIoAccessor.h"
#include "IRegisterBus.h"

namespace arm {

class tIoAccessorBus final : public IRegisterBus {
 public:
  explicit tIoAccessorBus(vllym::kernel::IIoAccessor* accessor) : accessor_(accessor) {}

  vllym::kernel::IIoAccessor* getAccessor() const { return accessor_; }
  void setAccessor(vllym::kernel::IIoAccessor* accessor) { accessor_ = accessor; }

  uint64_t readRegister(uint32_t address, uint32_t width, nVLAPALS100::tStatus& status) override {
    switch (width) {
      case 1:
        return accessor_->read8(address, status);
      case 2:
        return accessor_->read16(address, status);
      case 8:
        return accessor_->read64(address, status);
      default:
        return accessor_->read32(address, status);
    }
  }

  void writeRegister(uint32_t address, uint32_t width, uint64_t value, nVLAPALS100::tStatus& status) override {
    switch (width) {
      case 1:
        accessor_->write8(address, static_cast<uint8_t>(value), status);
        break;
      case 2:
        accessor_->write16(address, static_cast<uint16_t>(value), status);
        break;
      case 8:
        accessor_->write64(address, value, status);
        break;
      default:
        accessor_->write32(address, static_cast<uint32_t>(value), status);
        break;
    }
  }

 private:
  vllym::kernel::IIoAccessor* accessor_;
};

}  // namespace arm

#endif
