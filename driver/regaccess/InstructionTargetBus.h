// The bus of a map whose registers are reached by register instructions:
// 64-bit registers by 64-bit instructions, all others by 32-bit ones. The
// target is not owned and may be swapped while the map lives.
#ifndef VL9738K_REGACCESS_INSTRUCTIONTARGETBUS_H
#define VL9738K_REGACCESS_INSTRUCTIONTARGETBUS_H

#include "IRegisterBus.h"
#include "IRegisterInstructionTarget.h"

namespace arm {

class tInstructionTargetBus final : public IRegisterBus {
 public:
  explicit tInstructionTargetBus(IRegisterInstructionTarget* target) : target_(target) {}

  IRegisterInstructionTarget* getTarget() const { return target_; }
  void setTarget(IRegisterInstructionTarget* target) { target_ = target; }

  uint64_t readRegister(uint32_t address, uint32_t width, nVLAPALS100::tStatus& status) override {
    if (width == 8) return target_->read64(address, status);
    return target_->read32(address, status);
  }

  void writeRegister(uint32_t address, uint32_t width, uint64_t value, nVLAPALS100::tStatus& status) override {
    if (width == 8) {
      target_->write64(address, value, status);
    } else {
      target_->write32(address, static_cast<uint32_t>(value), status);
    }
  }

 private:
  IRegisterInstructionTarget* target_;
};

}  // namespace arm

#endif
