#include "CrossSwitchPrimitive.h"

namespace nVL9738K_24_0 {

namespace {
constexpr uint32_t kModeMask = 0x1F;
}

void CrossSwitchPrimitive::setRequested(const tSettings& settings, tStatus& status) {
  if (status.isFatal()) return;
  requested_ = settings;
}

void CrossSwitchPrimitive::apply(tStatus& status) {
  auto& reg = cxSwCtrl_.CxSw;
  const uint32_t value = (reg.getValue() & ~kModeMask) | (requested_.mode & kModeMask);
  bool changed;
  if (status.isNotFatal() && value != reg.getValue()) {
    reg.setValue(value, status);
    changed = true;
  } else {
    // A write still pending counts as a change.
    changed = reg.isDirty();
  }
  reg.flush(status, false);
  if (changed && (requested_.settlingTime0 != 0 || requested_.settlingTime1 != 0) && settlingTimerHandler_ != nullptr) {
    settlingTimerHandler_->setTimers(requested_.settlingTime0, requested_.settlingTime1, status);
  }
}

void CrossSwitchPrimitive::applyDefaults(tStatus& status) {
  if (status.isNotFatal()) requested_ = defaultSettings_;
  apply(status);
}

void CrossSwitchPrimitive::resetToDefaults(tStatus& status) {
  if (status.isFatal()) return;
  requested_ = defaultSettings_;
  apply(status);
}

}  // namespace nVL9738K_24_0
