// An engine's trigger-clock generator: an enable, two settings words, a
// strobe, and a synchronisation that the block confirms with a done bit.
#ifndef VL9738K_TIMING_SYNC_ZELKGENERATOR_H
#define VL9738K_TIMING_SYNC_ZELKGENERATOR_H

#include <stdint.h>

#include "driver/ifw/InstructionTargetMXRM.h"
#include "driver/regmaps/timing/tBasicZelkGenRegMap.h"

namespace qrtifwprim {

class ZelkGenerator {
 public:
  using tMap = basiczelkgenregmap::tBasicZelkGenRegMap;
  using tStatus = nVLAPALS100::tStatus;

  // Binds `target` to the generator's block (writes wait for completion)
  // and builds the block's map over it; writes nothing.
  ZelkGenerator(vlifw::InstructionTarget* target, const vlifw::ContextInterface* context, tStatus& status);
  virtual ~ZelkGenerator();
  ZelkGenerator(const ZelkGenerator&) = delete;
  ZelkGenerator& operator=(const ZelkGenerator&) = delete;

  virtual void setSettings(uint32_t high, uint32_t low, tStatus& status);
  virtual void setEnable(bool enable, tStatus& status);
  // A value of 0 asks for no synchronisation. A timeout of -1 waits
  // without limit; below that is refused.
  virtual void synchronise(uint32_t value, int32_t timeoutMs, tStatus& status);
  virtual void strobe(tStatus& status);
  // What was last set, from the map's shadow.
  virtual void getSettings(uint32_t& high, uint32_t& low) const;

 private:
  bool usable(tStatus& status) const;

  vlifw::InstructionTargetMXRM* target_ = nullptr;
  tMap* registers_ = nullptr;
};

}  // namespace qrtifwprim

#endif
