// An I/O accessor over an instruction target: a register map written for
// a memory window reaches an FPGA subsystem instead, each access becoming
// an instruction of the context (local offset = (offset - base) >> shift).
#ifndef VL9738K_LISTMODE_SNOOPING_IOACCESSORWITHCONTEXTUALIZE_H
#define VL9738K_LISTMODE_SNOOPING_IOACCESSORWITHCONTEXTUALIZE_H

#include "driver/ifw/ContextInterface.h"
#include "driver/ifw/InstructionTarget.h"
#include "driver/regaccess/IIoAccessor.h"

namespace nVL9738K_24_0 {

class IoAccessorWithContextualize : public vllym::kernel::IIoAccessor {
 public:
  using tStatus = nVLAPALS100::tStatus;

  IoAccessorWithContextualize(vlifw::InstructionTarget* target, const vlifw::ContextInterface* context, uint32_t base,
                              uint32_t shift)
      : target_(target), context_(context), base_(base), shift_(shift) {}
  IoAccessorWithContextualize(vlifw::InstructionTarget* target, const vlifw::ContextInterface* context, uint32_t base)
      : IoAccessorWithContextualize(target, context, base, 0) {}

  uint64_t read64(uint32_t offset, tStatus& status) override;
  uint32_t read32(uint32_t offset, tStatus& status) override { return static_cast<uint32_t>(read64(offset, status)); }
  uint16_t read16(uint32_t offset, tStatus& status) override { return static_cast<uint16_t>(read64(offset, status)); }
  uint8_t read8(uint32_t offset, tStatus& status) override { return static_cast<uint8_t>(read64(offset, status)); }
  void write64(uint32_t offset, uint64_t value, tStatus& status) override;
  void write32(uint32_t offset, uint32_t value, tStatus& status) override { write64(offset, value, status); }
  void write16(uint32_t offset, uint16_t value, tStatus& status) override { write64(offset, value, status); }
  void write8(uint32_t offset, uint8_t value, tStatus& status) override { write64(offset, value, status); }
  // Instructions carry one register each: blocks have no instruction form.
  void writeBlock(uint32_t offset, const uint8_t* buffer, uint32_t byteCount, uint32_t elementSize, uint32_t stride,
                  tStatus& status) override;
  void readBlock(uint32_t offset, uint8_t* buffer, uint32_t byteCount, uint32_t elementSize, uint32_t stride,
                 tStatus& status) override;
  uint64_t getSize() override { return 0; }
  uint64_t getBusAddress() override { return 0; }
  uint8_t getFlag() override { return 0; }

  uint32_t translate(uint32_t offset) const { return (offset - base_) >> shift_; }

 private:
  vlifw::InstructionTarget* target_;
  const vlifw::ContextInterface* context_;
  uint32_t base_;
  uint32_t shift_;
};

inline uint32_t translateOffset(const IoAccessorWithContextualize& accessor, uint32_t offset) {
  return accessor.translate(offset);
}

}  // namespace nVL9738K_24_0

#endif
