// One status-register test that a list-mode program can carry: while a
// commit is recorded it becomes a field-wait instruction numbered by the
// check's index, and afterwards the list engine reports whether that wait
// failed by bit (index mod 32) of its status word.
#ifndef VL9738K_LISTMODE_SNOOPING_STATUSREGISTERCHECKWITHREDIRECTION_H
#define VL9738K_LISTMODE_SNOOPING_STATUSREGISTERCHECKWITHREDIRECTION_H

#include <stdint.h>

#include "driver/listmode/CommandControlInterface.h"
#include "driver/listmode/iListInstructionInserter.h"

namespace StatusRegisterCheck {

class StatusRegisterCheckWithRedirection {
 public:
  using tStatus = nVLAPALS100::tStatus;

  explicit StatusRegisterCheckWithRedirection(uint32_t index) : index(index) {}
  virtual ~StatusRegisterCheckWithRedirection() {}

  void setInserter(listmodek::iListInstructionInserter* value, tStatus& status) {
    if (status.isNotFatal()) inserter = value;
  }
  void setRedirection(listmodek::CommandControlInterface* value, tStatus& status) {
    if (status.isNotFatal()) commandControl = value;
  }
  void setListInitiated(uint8_t value, tStatus& status) {
    if (status.isNotFatal()) listInitiated = value;
  }
  void setAssumeConditionMet(uint8_t value, tStatus& status) {
    if (status.isNotFatal()) assumeConditionMet = value;
  }
  void setWaitFlag(uint8_t value, tStatus& status) {
    if (status.isNotFatal()) waitFlag = value;
  }
  bool isDirect() const { return inserter == nullptr; }

  const uint32_t index;
  listmodek::iListInstructionInserter* inserter = nullptr;
  listmodek::CommandControlInterface* commandControl = nullptr;
  uint8_t listInitiated = 0;
  uint8_t assumeConditionMet = 0;
  uint8_t waitFlag = 0;
};

// What one evaluation of a check found.
struct CheckOutcome {
  bool conditionMet = false;
  bool failedInList = false;
  uint64_t info0 = 0;
  uint64_t info1 = 0;
  // Whether the caller must report a problem.
  bool problem() const { return !conditionMet || failedInList; }
};

// Tests `bit` of a status register that `read` (tStatus&) → uint64_t
// reads through the register's normal path, `cached` being its shadow.
// While recording, the read becomes the announced field wait and the test
// passes; directly, a started list answers for the hardware, and the list
// engine says whether its wait of this check failed.
template <typename tRead>
CheckOutcome evaluateCheck(StatusRegisterCheckWithRedirection& check, uint64_t bit, bool mustBeSet, uint64_t cached,
                           tRead&& read, nVLAPALS100::tStatus& status) {
  CheckOutcome outcome;
  if (status.isFatal()) return outcome;
  if (!check.isDirect()) {
    check.inserter->announceFieldWaitRead(bit, mustBeSet ? bit : 0, static_cast<int32_t>(check.index), check.waitFlag,
                                          cached, status);
    read(status);
    check.inserter->clearFieldWaitRead();
    outcome.conditionMet = true;
    return outcome;
  }
  if (check.listInitiated != 0 || check.assumeConditionMet != 0) {
    outcome.conditionMet = true;
  } else {
    outcome.conditionMet = ((read(status) & bit) != 0) == mustBeSet;
  }
  if (check.commandControl != nullptr) {
    uint32_t word = 0;
    check.commandControl->readDeviceStatus(word, outcome.info0, outcome.info1, status);
    outcome.failedInList = ((word >> (check.index % 32)) & 1) != 0;
  }
  return outcome;
}

}  // namespace StatusRegisterCheck

#endif
