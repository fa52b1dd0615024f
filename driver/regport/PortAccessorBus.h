// The bus of the register port's own map: every register is 32 bits wide
// and reached with one call of the port's accessor. The accessor is not
// owned.
#ifndef VL9738K_REGPORT_PORTACCESSORBUS_H
#define VL9738K_REGPORT_PORTACCESSORBUS_H

#include "PCIRegisterAccessor.h"
#include "driver/regaccess/IRegisterBus.h"

namespace vlregport {

class tPortAccessorBus final : public arm::IRegisterBus {
 public:
  explicit tPortAccessorBus(PCIRegisterAccessor* accessor) : accessor_(accessor) {}

  PCIRegisterAccessor* getAccessor() const { return accessor_; }
  void setAccessor(PCIRegisterAccessor* accessor) { accessor_ = accessor; }

  uint64_t readRegister(uint32_t address, uint32_t, nVLAPALS100::tStatus& status) override {
    return accessor_->read32(address, status);
  }

  void writeRegister(uint32_t address, uint32_t, uint64_t value, nVLAPALS100::tStatus& status) override {
    accessor_->write32(address, static_cast<uint32_t>(value), status);
  }

 private:
  PCIRegisterAccessor* accessor_;
};

}  // namespace vlregport

#endif
