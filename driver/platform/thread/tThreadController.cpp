#include "tThreadController.h"

#include "../debug/Vlsdbg.h"
#include "../status/StatusSite.h"
#include "ThreadSites.h"

namespace nVLAPAL000 {

tThreadController::~tThreadController() { join(); }

void tThreadController::entryTrampoline(void* context) {
  const auto* self = static_cast<const tThreadController*>(context);
  self->function_(self->argument_);
}

void tThreadController::start(tThreadFunction function, void* argument, const char* name,
                              nVLAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  if (started_ != 0) {
    status.setCode(nVLAPALS100::kStatusThreadRunning,
                   VL_SITE_AT(sites::kThreadController, sites::kThreadControllerStartedLine));
    return;
  }
  function_ = function;
  argument_ = argument;
  record_.entry = entryTrampoline;
  record_.context = this;
  if (nVLZUK250_createNamedThread(&record_, name, &threadId_) < 0) {
    status.setCode(nVLAPALS100::kStatusPlatformFailure, VL_SITE_AT(sites::kThread, sites::kThreadCreateLine));
  }
  started_ = status.isNotFatal() ? 1 : 0;
  running_ = started_;
}

void tThreadController::start(tThreadFunction function, void* argument, nVLAPALS100::tStatus& status) {
  start(function, argument, VL_COMPONENT, status);
}

void tThreadController::start(tThreadFunction function, nVLAPALS100::tStatus& status) {
  start(function, nullptr, VL_COMPONENT, status);
}

void tThreadController::join() {
  if (started_ != 0 && running_ != 0) nVLZUK200_joinThread(threadId_);
  running_ = 0;
}

void tThreadController::print(const char* prefix, const char* suffix) const {
  if (running_ != 0) {
    vlsdbg_print("%stThreadController(0x%p) is running at %d(%s) with ID 0x%p%s", prefix, this, 0,
                 "[priority unavailable on this OS]", reinterpret_cast<void*>(threadId_), suffix);
  } else {
    vlsdbg_print("%stThreadController(0x%p) is not running%s", prefix, this, suffix);
  }
}

}  // namespace nVLAPAL000
