// Drives one list engine through its register map: reads what the engine
// can do once, keeps and writes the list location, starts and stops a
// list, and reads progress, status and errors. Its accesses go straight to
// the engine; none is ever recorded into a list.
#ifndef VL9738K_LISTMODE_COMMANDCONTROL_H
#define VL9738K_LISTMODE_COMMANDCONTROL_H

#include <stdint.h>

#include "CommandControlInterface.h"
#include "driver/regmaps/timing/tQRTListModeRegisters.h"

namespace listmodek {

class CommandControl final : public CommandControlInterface {
 public:
  using tMap = vlqrtlistmoderegmap::tQRTListModeRegisters;

  // How long a stopped list may take to report done.
  static constexpr uint64_t kStopTimeoutUs = 10000;

  // Reads the capabilities once; the map stays the caller's.
  CommandControl(tMap* map, tStatus& status);
  ~CommandControl() override {}
  CommandControl(const CommandControl&) = delete;
  CommandControl& operator=(const CommandControl&) = delete;

  void getCapabilities(ListTraits& traits, tStatus& status) override;
  // Both words must fit 32 bits; a refused pair leaves the earlier one.
  void setListLocation(const uint64_t (&words)[2], tStatus& status) override;
  void commitListLocation(tStatus& status) override;
  void start(tStatus& status) override;
  // Runs whatever the status holds as far as clearing the run bit goes.
  void stop(tStatus& status) override;
  uint64_t readStepInProgress(tStatus& status) override;
  uint64_t readIterationInProgress(tStatus& status) override;
  bool readListIsDone(tStatus& status) override;
  // From the status last read, without touching the engine.
  bool readIsFifoUnderflow(tStatus& status) override;
  void pulseControlBit3(tStatus& status) override;
  void readDeviceStatus(uint32_t& errorCount, uint64_t& info0, uint64_t& info1, tStatus& status) override;

  // The traits a capabilities word describes.
  static ListTraits traitsOf(uint64_t capabilities);

 private:
  ListTraits traits_{};
  tMap* map_;
  uint64_t location_[2] = {0, 0};
};

}  // namespace listmodek

#endif
