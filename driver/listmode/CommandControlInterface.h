// How a list-mode session drives its engine's list engine.
#ifndef VL9738K_LISTMODE_COMMANDCONTROLINTERFACE_H
#define VL9738K_LISTMODE_COMMANDCONTROLINTERFACE_H

#include <stdint.h>

#include "ListTraits.h"
#include "driver/platform/status/tStatus.h"

namespace listmodek {

class CommandControlInterface {
 public:
  using tStatus = nVLAPALS100::tStatus;

  virtual ~CommandControlInterface() {}
  virtual void getCapabilities(ListTraits& traits, tStatus& status) = 0;
  virtual void setListLocation(const uint64_t (&words)[2], tStatus& status) = 0;
  virtual void commitListLocation(tStatus& status) = 0;
  virtual void start(tStatus& status) = 0;
  virtual void stop(tStatus& status) = 0;
  virtual uint64_t readStepInProgress(tStatus& status) = 0;
  virtual uint64_t readIterationInProgress(tStatus& status) = 0;
  virtual bool readListIsDone(tStatus& status) = 0;
  virtual bool readIsFifoUnderflow(tStatus& status) = 0;
  virtual void pulseControlBit3(tStatus& status) = 0;
  virtual void readDeviceStatus(uint32_t& errorCount, uint64_t& info0, uint64_t& info1, tStatus& status) = 0;
};

}  // namespace listmodek

#endif
