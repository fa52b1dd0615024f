#include "Session.h"

#include "ListModeStatusCodes.h"
#include "driver/platform/status/StatusCodes.h"
#include "driver/platform/status/StatusSite.h"

namespace listmodek {

namespace st = nVLAPALS100;

Session::Session(CommandControlInterface* control, pcode::Assembler* assembler, uint8_t subsystem, tStatus& status)
    : subsystem_(subsystem), control_(control), assembler_(assembler) {
  (void)status;
}

// A session dropped in the middle of a commit leaves the shared engine as
// an ended commit would. An invalidation code means the engine's objects
// may be gone: only the lists are released.
Session::~Session() {
  if (invalidationCode_ != 0) return;
  tStatus closed;
  close(closed);
}

void Session::close(tStatus& status) {
  endCommitUnreported();
  if (running_ == 0) return;
  abort(status);
  // The session is done with the engine whatever the stop answered.
  running_ = 0;
}

// Tells the state listeners that the list they were prepared for was
// started and stopped again: the recording's values may reach the hardware
// or not, so whoever keeps a copy of it stops vouching for it. Nothing here
// reaches the engine.
void Session::endCommitUnreported() {
  if (committing_ == 0) return;
  tStatus restored;
  stateListeners_.restoreDeployedSettings(restored);
  tStatus stopped;
  snoopingListeners_.onStopCommitSnooping(stopped);
  tStatus closed;
  assembler_->close(closed);
  committing_ = 0;
  tStatus ended;
  snoopingListeners_.onEndCommitSnooping(ended);
  tStatus initiated;
  stateListeners_.onListInitiate(initiated);
  tStatus aborted;
  stateListeners_.onListAbort(aborted);
}

void Session::fail(int64_t code, tStatus& status, uint64_t line) {
  status.setCode(code, VL_SITE_AT(sites::kSession, line));
}

void Session::getCapabilities(ListTraits& traits, tStatus& status) {
  if (status.isFatal()) return;
  if (traitsCached_ == 0) {
    control_->getCapabilities(traits_, status);
    if (status.isFatal()) return;
    traitsCached_ = 1;
  }
  traits = traits_;
}

void Session::deployListSettings(const uint64_t (&location)[2], tStatus& status) {
  if (status.isFatal()) return;
  control_->setListLocation(location, status);
}

void Session::commit(tStatus& status) {
  if (status.isFatal()) return;
  control_->commitListLocation(status);
  control_->pulseControlBit3(status);
}

void Session::initiate(tStatus& status) {
  if (status.isFatal()) return;
  stateListeners_.onListInitiate(status);
  control_->start(status);
  running_ = 1;
}

void Session::abortIfRunning(tStatus& status) {
  if (status.isFatal() || running_ == 0) return;
  abort(status);
}

void Session::abort(tStatus& status) {
  if (status.isFatal()) return;
  control_->stop(status);
  tStatus aborted;
  stateListeners_.onListAbort(aborted);
  status.merge(aborted);
  if (status.isNotFatal()) running_ = 0;
}

uint64_t Session::readStepInProgress(tStatus& status) {
  if (status.isFatal()) return 0;
  return control_->readStepInProgress(status);
}

uint64_t Session::readIterationInProgress(tStatus& status) {
  if (status.isFatal()) return 0;
  return control_->readIterationInProgress(status);
}

bool Session::readListIsDone(tStatus& status) {
  if (status.isFatal()) return false;
  return control_->readListIsDone(status);
}

bool Session::readIsFifoUnderflow(tStatus& status) {
  if (status.isFatal()) return false;
  return control_->readIsFifoUnderflow(status);
}

void Session::pulseControlBit3(tStatus& status) {
  if (status.isFatal()) return;
  control_->pulseControlBit3(status);
}

void Session::readDeviceStatus(uint32_t& errorCount, uint64_t& info0, uint64_t& info1, tStatus& status) {
  if (status.isFatal()) return;
  control_->readDeviceStatus(errorCount, info0, info1, status);
}

void Session::addSnoopingListener(iListSnoopingListener* listener, tStatus& status) {
  if (status.isFatal()) return;
  snoopingListeners_.add(listener, status);
}

void Session::addStateListener(iListStateListener* listener, tStatus& status) {
  if (status.isFatal()) return;
  stateListeners_.add(listener, status);
}

void Session::clearListeners() {
  snoopingListeners_.clear();
  stateListeners_.clear();
}

void Session::prepareCommitSnooping(uint32_t reservationClient, tStatus& status) {
  if (status.isFatal()) return;
  // Emptying the lists of a recording session would leave its listeners
  // snooping with nobody to stop them.
  if (committing_ != 0) {
    fail(st::kStatusListModeFailure, status, __LINE__);
    return;
  }
  setReservationClientID(uint64_t{reservationClient});
  if (hasSnoopingListeners() || hasStateListeners()) clearListeners();
}

// The engine compiles one list at a time. A list that is open belongs to
// another session (or to this one): saving settings, opening or closing
// now would overwrite the settings that the recording session saved from
// the primitives they share, or end its list.
void Session::beginCommit(tStatus& status) {
  if (status.isFatal()) return;
  if (assembler_->isOpen()) {
    fail(st::kStatusListModeFailure, status, __LINE__);
    return;
  }
  stateListeners_.saveDeployedSettings(status);
  assembler_->open(status);
  if (status.isFatal()) {
    if (assembler_->isOpen()) {
      tStatus closed;
      assembler_->close(closed);
    }
    return;
  }
  snoopingListeners_.onStartCommitSnooping(assembler_, status);
  if (status.isNotFatal()) {
    committing_ = 1;
    return;
  }
  // The listeners that had started are stopped again and hear that the
  // recording is over; the saved settings stay saved.
  tStatus closed;
  assembler_->close(closed);
  tStatus ended;
  snoopingListeners_.onEndCommitSnooping(ended);
}

bool Session::mayEmit(tStatus& status) {
  if (committing_ != 0) return true;
  fail(st::kStatusAssemblyFailure, status, __LINE__);
  return false;
}

void Session::generateListEvent(uint32_t event, tStatus& status) {
  if (status.isFatal() || !mayEmit(status)) return;
  assembler_->emitListEvent(static_cast<uint8_t>(event & 0xFF), status);
}

void Session::waitForListTrigger(uint32_t trigger, tStatus& status) {
  if (status.isFatal() || !mayEmit(status)) return;
  assembler_->emitWaitForListTrigger(static_cast<uint8_t>(trigger & 0xFF), status);
}

void Session::readyForListTrigger(uint32_t trigger, tStatus& status) {
  if (status.isFatal() || !mayEmit(status)) return;
  assembler_->emitReadyForListTrigger(static_cast<uint8_t>(trigger & 0xFF), status);
}

void Session::setListStepUnderCompile(uint64_t step, tStatus& status) {
  if (status.isFatal()) return;
  if (step > 0xFFFFFFFFu) {
    fail(st::kStatusInvalidParameter, status, __LINE__);
    return;
  }
  if (!mayEmit(status)) return;
  if (step == 0) stateListeners_.restoreDeployedSettings(status);
  assembler_->beginStep(static_cast<uint32_t>(step), status);
}

void Session::endCommit(tStatus& status) {
  if (status.isFatal() || committing_ == 0) return;
  tStatus stopped;
  snoopingListeners_.onStopCommitSnooping(stopped);
  status.merge(stopped);
  tStatus closed;
  assembler_->close(closed);
  status.merge(closed);
  committing_ = 0;
  tStatus ended;
  snoopingListeners_.onEndCommitSnooping(ended);
  status.merge(ended);
  if (pauseStatus_.isFatal()) status.merge(pauseStatus_);
  pauseStatus_.clear();
}

void Session::resumeSnooping(tStatus& status) {
  if (committing_ == 0 || status.isFatal() || snoopingListeners_.empty()) return;
  snoopingListeners_.onStartCommitSnooping(assembler_, status);
}

void Session::pauseSnooping() {
  if (committing_ == 0) return;
  snoopingListeners_.onStopCommitSnooping(pauseStatus_);
}

uint32_t Session::getWordCount(tStatus& status) {
  if (status.isFatal()) return 0;
  const uint64_t count = assembler_->getBuffer().count;
  if (count > 0xFFFFFFFFu) {
    fail(st::kStatusOutOfMemory, status, __LINE__);
    return 0;
  }
  return static_cast<uint32_t>(count);
}

const uint64_t* Session::getBuffer(tStatus& status) {
  if (status.isFatal()) return nullptr;
  return assembler_->getBuffer().data;
}

}  // namespace listmodek
