// The acquisition engine's peer-to-peer stream: its control bits and
// commands in register 96, the number of samples to transfer, and the
// stream's counters and flags. The leading u64 of the reads is not used.
#ifndef VL9738K_TIMING_ACQP2PCONTROL_H
#define VL9738K_TIMING_ACQP2PCONTROL_H

#include <stdint.h>

#include "driver/regmaps/timing/tQRTAcquisitionRegisters.h"

namespace qrtifwprim {

class AcqP2PControl {
 public:
  using tMap = nQRTAcquisitionRegisters::tQRTAcquisitionRegisters;
  using tStatus = nVLAPALS100::tStatus;

  // Does not own the map.
  explicit AcqP2PControl(tMap* map) : map_(map) {}
  virtual ~AcqP2PControl() {}

  virtual void setP2PControlBit0(bool value, tStatus& status);
  virtual void pulseP2PCommandA(tStatus& status);
  virtual uint32_t readP2PCountA(uint64_t, tStatus& status);
  virtual void pulseP2PCommandB(tStatus& status);
  virtual uint32_t pulseAndReadP2PCount(tStatus& status);
  virtual void setP2PControlBit1(bool value, tStatus& status);
  virtual bool readP2PFlag(uint64_t, tStatus& status);
  // A negative count is not a count: refused, though returned.
  virtual int64_t readP2PSamples(uint64_t, tStatus& status);
  virtual uint32_t readP2PCountB(uint64_t, tStatus& status);
  // Bit 5 enables the transfer for a count of 0 or more.
  virtual void setP2PSamples(int64_t samples, tStatus& status);
  virtual bool readP2PStatus(tStatus& status);

 private:
  tMap* map_;
};

}  // namespace qrtifwprim

#endif
