// The block of registers the engines share, on a binding of its own.
#ifndef VL9738K_TIMING_SHAREDREGISTERS_H
#define VL9738K_TIMING_SHAREDREGISTERS_H

#include "driver/ifw/InstructionTargetMXRM.h"
#include "driver/regmaps/timing/tQRTSharedRegisters.h"

namespace qrtifwprim {

class SharedRegisters {
 public:
  using tMap = nQRTSharedRegisters::tQRTSharedRegisters;
  using tStatus = nVLAPALS100::tStatus;
  static constexpr uint16_t kVersion = 1;
  static constexpr uint16_t kOldestCompatibleVersion = 1;

  // Refuses a block of a version it cannot drive; writes nothing.
  SharedRegisters(vlifw::InstructionTarget* target, const vlifw::ContextInterface* context, tStatus& status);
  virtual ~SharedRegisters() {}

  // The block does not clear its strobe itself: set and clear it, each
  // written whatever the shadow holds.
  virtual void pulseSharedStrobe(tStatus& status);

  tMap& getRegisters() { return map_; }

 private:
  vlifw::InstructionTargetMXRM target_;
  tMap map_;
};

}  // namespace qrtifwprim

#endif
