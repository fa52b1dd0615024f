// The DSP data path of a generation or an acquisition engine block: its
// delays and offsets, switches, a small command sequencer, the engine's
// idle bit and its DSP status bits. Both engines share one layout; an
// operation an engine lacks does nothing there unless its control says
// otherwise.
#ifndef VL9738K_TIMING_DATAPATH_DATAPATHCONTROLINTERFACE_H
#define VL9738K_TIMING_DATAPATH_DATAPATHCONTROLINTERFACE_H

#include <stdint.h>

#include "driver/platform/status/tStatus.h"
#include "driver/platform/text/FixedPointNumber.h"

namespace datapathki {

// What a status check found: whether the caller must report a problem,
// whether a started list failed its check, and the list engine's words.
struct DataPathStatus {
  bool problem = false;
  bool failed = false;
  uint64_t info0 = 0;
  uint64_t info1 = 0;
};

class DataPathControlInterface {
 public:
  using tStatus = nVLAPALS100::tStatus;
  using tConfig = vlfxptype::Configuration;
  using tNumber = vlfxptype::Number;

  virtual ~DataPathControlInterface() {}
  virtual void executeCommands(const uint32_t* commands, uint32_t count, tStatus& status) = 0;
  virtual void checkStatus(DataPathStatus& out, tStatus& status) = 0;
  // Generation has one status to clear, acquisition three.
  virtual void clearDSPStatus(bool first, bool second, bool third, tStatus& status) = 0;
  virtual bool isIdle(tStatus& status) = 0;
  virtual tNumber readDSPGroupDelay(tStatus& status) = 0;
  virtual uint32_t readDSPPipelineDelay(tStatus& status) = 0;
  virtual void getDynamicDelayRange(int32_t& minimum, int32_t& maximum, tStatus& status) = 0;
  virtual void programDynamicDelay(int32_t value, tStatus& status) = 0;
  virtual void programDSPBypass(bool value, tStatus& status) = 0;
  virtual void getDSPGroupDelayFxpConfig(tConfig& out, tStatus& status) = 0;
  virtual void programAnalogFrontEndDelay(const tNumber& delay, tStatus& status) = 0;
  virtual tNumber readFixedDelay0(tStatus& status) = 0;
  virtual tNumber readFixedDelay1(tStatus& status) = 0;
  // Kept for an operation neither engine offers: -52002.
  virtual void unsupportedOperation(tStatus& status) = 0;
  virtual void markDirty(tStatus& status) = 0;

  // Acquisition only.
  virtual void getPreRouteTriggerDelayFxpConfig(tConfig&, tStatus&) {}
  virtual void getTriggerOffsetFxpConfig(tConfig&, tStatus&) {}
  virtual void getTimestampTraits(uint32_t&, tConfig&, tStatus&) {}
  virtual tNumber getPostRouteToTimestampDelay(tStatus&) { return {}; }
  virtual void programPreRouteTriggerDelay(const tNumber&, tStatus&) {}
  virtual void programStartTriggerOffset(const tNumber&, tStatus&) {}
  virtual void programReferenceTriggerOffset(const tNumber&, tStatus&) {}
  virtual void programAdvanceTriggerOffset(const tNumber&, tStatus&) {}
  virtual void programAsyncReferenceTimestampOffset(const tNumber&, tStatus&) {}
  virtual void programTimestampPrecision(uint32_t, tStatus&) {}
  virtual void programReportAyncReferenceTimestamp(bool, tStatus&) {}
  virtual void programRxBufferPathDelay(uint64_t, tStatus&) {}

  // Generation only.
  virtual void programEqBypass(bool, tStatus&) {}
  virtual void getMarkerOffsetFxpConfig(tConfig&, tStatus&) {}
  virtual void programMarkerOffset(const tNumber&, tStatus&) {}
  virtual void getPostRouteEventDelayFxpConfig(tConfig&, tStatus&) {}
  virtual void programPostRouteEventDelay(const tNumber&, tStatus&) {}
  virtual void forceIdleVectorIntoSignalPath(tStatus&) {}
  virtual void programTxBufferPathDelay(uint64_t, tStatus&) {}
};

class DataPathGenControlInterface : public DataPathControlInterface {};
class DataPathAcqControlInterface : public DataPathControlInterface {};

}  // namespace datapathki

#endif
