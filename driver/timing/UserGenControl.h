// The generation engine's user data path: begin and end a user
// generation, and report its status.
#ifndef VL9738K_TIMING_USERGENCONTROL_H
#define VL9738K_TIMING_USERGENCONTROL_H

#include <stdint.h>

#include "driver/regmaps/timing/tQRTGenerationRegisters.h"

namespace qrtifwprim {

class UserGenControl {
 public:
  using tMap = nQRTGenerationRegisters::tQRTGenerationRegisters;
  using tStatus = nVLAPALS100::tStatus;
  // How long the end of a user generation may take to drain the FIFO.
  static constexpr uint64_t kFifoDrainTimeoutUs = 1000;

  // Does not own the map; reads the user status once.
  UserGenControl(tMap* map, tStatus& status);
  virtual ~UserGenControl() {}

  virtual void beginUserGeneration(tStatus& status);
  // Returns once the user FIFO is empty.
  virtual void endUserGeneration(tStatus& status);
  // Both 0 unless the user status last read had bit 0 set.
  virtual void getUserGenerationStatus(uint32_t& flag10, uint32_t& flag70, tStatus& status);

 private:
  tMap* map_;
};

}  // namespace qrtifwprim

#endif
