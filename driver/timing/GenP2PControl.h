// The generation engine's peer-to-peer stream: its control bits and
// commands in register 96, the endpoint's fullness trigger level, the
// number of samples, and the stream's counters and flags. The leading u64
// of the two setters is not used.
#ifndef VL9738K_TIMING_GENP2PCONTROL_H
#define VL9738K_TIMING_GENP2PCONTROL_H

#include <stdint.h>

#include "driver/regmaps/timing/tQRTGenerationRegisters.h"

namespace qrtifwprim {

class GenP2PControl {
 public:
  using tMap = nQRTGenerationRegisters::tQRTGenerationRegisters;
  using tStatus = nVLAPALS100::tStatus;
  // How long command A may take to drain the stream's FIFO.
  static constexpr uint64_t kFifoDrainTimeoutUs = 1000;

  // Does not own the map.
  explicit GenP2PControl(tMap* map) : map_(map) {}
  virtual ~GenP2PControl() {}

  virtual void setP2PControlBit0(bool value, tStatus& status);
  // Returns once the stream's FIFO is empty.
  virtual void pulseP2PCommandA(tStatus& status);
  virtual uint32_t readP2PCountA(tStatus& status);
  virtual void pulseP2PCommandB(tStatus& status);
  virtual uint32_t readP2PCountB(tStatus& status);
  virtual uint32_t pulseAndReadP2PCount(tStatus& status);
  virtual uint32_t readP2PCountC(tStatus& status);
  // Bit 4 enables a count of 1 or more.
  virtual void setP2PSamples(uint64_t, int64_t samples, tStatus& status);
  // Bit 3 enables a positive level; the level register holds 32 bits.
  virtual void setP2PFullnessLevel(uint64_t, const int64_t& level, tStatus& status);
  virtual bool readP2PFlag(tStatus& status);
  virtual bool readP2PStatus(tStatus& status);

 private:
  tMap* map_;
};

}  // namespace qrtifwprim

#endif
