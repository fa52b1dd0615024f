// The power-regulation block on a binding of its own. Every operation
// writes its register even when the value is unchanged: the block acts
// on the write itself, not only on a new value.
#ifndef VL9738K_TIMING_DATAPATH_POWERREGULATION_H
#define VL9738K_TIMING_DATAPATH_POWERREGULATION_H

#include <stdint.h>

#include "driver/ifw/InstructionTargetMXRM.h"
#include "driver/regmaps/timing/tQRTPowerRegulationRegisters.h"

namespace qrtifwprim {

class PowerRegulation {
 public:
  using tMap = vlqrtpowerregulationregmap::tQRTPowerRegulationRegisters;
  using tStatus = nVLAPALS100::tStatus;
  static constexpr uint16_t kVersion = 1;
  static constexpr uint16_t kOldestCompatibleVersion = 1;

  // Refuses a block of a version it cannot drive; writes nothing.
  PowerRegulation(vlifw::InstructionTarget* target, const vlifw::ContextInterface* context, tStatus& status);
  virtual ~PowerRegulation() {}
  PowerRegulation(const PowerRegulation&) = delete;
  PowerRegulation& operator=(const PowerRegulation&) = delete;

  // Disabling first zeroes the command word, then drops the enable bit.
  virtual void enable(bool on, tStatus& status);
  virtual void setControlWord(uint32_t value, tStatus& status);
  virtual void setControlByte(uint8_t value, tStatus& status);
  virtual void setValue(uint32_t value, tStatus& status);
  // The shadow when the read fails.
  virtual uint64_t readValue(tStatus& status);

  tMap& getRegisters() { return map_; }

 private:
  vlifw::InstructionTargetMXRM target_;
  tMap map_;
};

}  // namespace qrtifwprim

#endif
