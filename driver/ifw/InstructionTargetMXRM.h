// Binds an instruction target to one block of the subsystem tree, so that
// register maps of that block read and write registers by offset: the
// block's context turns the offset into an instruction, the target runs it.
// Register maps built with an instruction bus take it as their target.
#ifndef VL9738K_IFW_INSTRUCTIONTARGETMXRM_H
#define VL9738K_IFW_INSTRUCTIONTARGETMXRM_H

#include <stdint.h>

#include "ContextInterface.h"
#include "InstructionTarget.h"
#include "driver/regaccess/IRegisterInstructionTarget.h"

namespace vlifw {

class InstructionTargetMXRM final : public arm::IRegisterInstructionTarget {
 public:
  static constexpr uint32_t kTimeoutMs = 1000;

  // Owns neither pointer. `waitForWrites` is the default and the current
  // wait flag of writes.
  InstructionTargetMXRM(InstructionTarget* target, const ContextInterface* context, bool waitForWrites)
      : target_(target), context_(context), defaultWaitForWrites_(waitForWrites), waitForWrites_(waitForWrites) {}
  ~InstructionTargetMXRM() {}
  InstructionTargetMXRM(const InstructionTargetMXRM&) = delete;
  InstructionTargetMXRM& operator=(const InstructionTargetMXRM&) = delete;

  // 0 when the status holds or receives an error. The narrower reads issue
  // the same instruction; callers keep the low bits.
  uint64_t read64(uint32_t offset, nVLAPALS100::tStatus& status) override;
  uint32_t read32(uint32_t offset, nVLAPALS100::tStatus& status) override {
    return static_cast<uint32_t>(read64(offset, status));
  }
  uint16_t read16(uint32_t offset, nVLAPALS100::tStatus& status) {
    return static_cast<uint16_t>(read64(offset, status));
  }
  uint8_t read8(uint32_t offset, nVLAPALS100::tStatus& status) { return static_cast<uint8_t>(read64(offset, status)); }

  void write64(uint32_t offset, uint64_t value, nVLAPALS100::tStatus& status) override;
  void write32(uint32_t offset, uint32_t value, nVLAPALS100::tStatus& status) override {
    write64(offset, value, status);
  }
  void write16(uint32_t offset, uint16_t value, nVLAPALS100::tStatus& status) { write64(offset, value, status); }
  void write8(uint32_t offset, uint8_t value, nVLAPALS100::tStatus& status) { write64(offset, value, status); }

  void setWaitForWrites(bool wait) { waitForWrites_ = wait; }
  bool restoreWaitForWrites() {
    waitForWrites_ = defaultWaitForWrites_;
    return waitForWrites_;
  }
  bool getWaitForWrites() const { return waitForWrites_; }

  InstructionTarget* getTarget() const { return target_; }
  const ContextInterface* getContext() const { return context_; }

 private:
  InstructionTarget* target_;
  const ContextInterface* context_;
  bool defaultWaitForWrites_;
  bool waitForWrites_;
};

}  // namespace vlifw

#endif
