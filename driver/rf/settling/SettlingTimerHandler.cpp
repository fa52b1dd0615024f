#include "SettlingTimerHandler.h"

#include "../../platform/memory/Memory.h"

namespace cbak {

using ConfigV1ki::ComponentUID;
using ConfigV1ki::SettlingSetting;
using nVLAPALS100::tStatus;

namespace {

void writeControl(iSettlingControl* control, uint32_t value, unsigned missingLine, tStatus& status) {
  if (control == nullptr) {
    status.setCode(kStatusSettlingControlMissing, VL_SITE_AT(sites::kSettlingTimerHandler, missingLine));
    return;
  }
  control->writeSettlingTime(value, status);
}

}  // namespace

void SettlingTimerHandler::writeBoth(uint32_t time0, uint32_t time1, unsigned line0, unsigned line1, tStatus& status) {
  writeControl(control0_, time0, line0, status);
  writeControl(control1_, time1, line1, status);
}

void SettlingTimerHandler::setTimers(uint32_t settlingTime0, uint32_t settlingTime1, tStatus& status) {
  writeBoth(settlingTime0, settlingTime1, sites::kSetTimersControl0Line, sites::kSetTimersControl1Line, status);
}

void SettlingTimerHandler::setFirstTimer(uint32_t value, tStatus& status) {
  if (control0_ != nullptr) control0_->writeSettlingTime(value, status);
}

void SettlingTimerHandler::registerSetting(SettingsMap& map, const SettlingSetting& setting, unsigned deltaKeyLine,
                                           tStatus& status) {
  if (status.isFatal()) return;
  const ComponentUID& key = setting.component;
  if (const SettlingDataProperties* properties = properties_.find(key)) {
    if (properties->hasDeltaCurves) {
      status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE_AT(sites::kSettlingTimerHandler, deltaKeyLine));
      return;
    }
  } else if (properties_.insert(key, SettlingDataProperties{false, false}, status) == nullptr) {
    return;
  }
  if (SettlingSetting* present = map.find(key)) {
    *present = setting;
    return;
  }
  map.insert(key, setting, status);
}

void SettlingTimerHandler::registerFirstSetting(const SettlingSetting& setting, tStatus& status) {
  registerSetting(firstSettings_, setting, sites::kRegisterFirstDeltaKeyLine, status);
}

void SettlingTimerHandler::registerSecondSetting(const SettlingSetting& setting, tStatus& status) {
  registerSetting(secondSettings_, setting, sites::kRegisterSecondDeltaKeyLine, status);
}

void SettlingTimerHandler::programSetting(const SettingsMap& map, const ComponentUID& key, tStatus& status) {
  if (status.isFatal()) return;
  const SettlingSetting* setting = map.find(key);
  if (setting == nullptr) return;
  writeBoth(setting->settlingTime0, setting->settlingTime1, sites::kProgramControl0Line, sites::kProgramControl1Line,
            status);
}

void SettlingTimerHandler::programFirstSetting(const ComponentUID& key, tStatus& status) {
  programSetting(firstSettings_, key, status);
}

void SettlingTimerHandler::programSecondSetting(const ComponentUID& key, tStatus& status) {
  programSetting(secondSettings_, key, status);
}

SettlingSetting* SettlingTimerHandler::findFirstSetting(const ComponentUID& key, tStatus& status) {
  return status.isFatal() ? nullptr : firstSettings_.find(key);
}

SettlingSetting* SettlingTimerHandler::findSecondSetting(const ComponentUID& key, tStatus& status) {
  return status.isFatal() ? nullptr : secondSettings_.find(key);
}

void SettlingTimerHandler::registerDeltaCurve(const ComponentUID& key, const uint32_t* values,
                                              const uint32_t* breakpoints, uint32_t count, uint8_t curve, bool falling,
                                              bool interpolate, tStatus& status) {
  if (status.isFatal()) return;
  if (SettlingDataProperties* properties = properties_.find(key)) {
    if (!properties->hasDeltaCurves) {
      status.setCode(nVLAPALS100::kStatusInvalidParameter,
                     VL_SITE_AT(sites::kSettlingTimerHandler, sites::kRegisterCurveFixedKeyLine));
      return;
    }
    if (falling) properties->hasFallingCurves = true;
  } else if (properties_.insert(key, SettlingDataProperties{true, falling}, status) == nullptr) {
    return;
  }
  // A rising set carries tag 0 and a falling set tag 1, so an update through
  // here always matches the set it lands in.
  const uint32_t tag = falling ? 1 : 0;
  CurvesMap& curves = falling ? fallingCurves_ : risingCurves_;
  if (DeltaSettlingData** present = curves.find(key)) {
    (*present)->setCurve(values, breakpoints, count, curve, tag, interpolate, status);
    return;
  }
  auto* data = new (status, nVLAPAL000::kAllocationKindPlain)
      DeltaSettlingData(values, breakpoints, count, curve, tag, interpolate, status);
  if (data == nullptr) return;
  if (status.isFatal() || curves.insert(key, data, status) == nullptr) delete data;
}

void SettlingTimerHandler::applyChange(const ComponentUID& key, uint32_t oldValue, uint32_t newValue, tStatus& status) {
  if (status.isFatal()) return;
  const SettlingDataProperties* properties = properties_.find(key);
  if (properties == nullptr) return;
  if (!properties->hasDeltaCurves) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter,
                   VL_SITE_AT(sites::kSettlingTimerHandler, sites::kApplyFixedKeyLine));
    return;
  }
  const DeltaSettlingData* data = nullptr;
  uint32_t step = 0;
  if (newValue < oldValue && properties->hasFallingCurves) {
    step = oldValue - newValue;
    DeltaSettlingData** entry = fallingCurves_.find(key);
    if (entry == nullptr) {
      status.setCode(nVLAPALS100::kStatusBadSelector,
                     VL_SITE_AT(sites::kSettlingTimerHandler, sites::kApplyNoFallingCurvesLine));
      return;
    }
    data = *entry;
  } else {
    step = newValue >= oldValue ? newValue - oldValue : oldValue - newValue;
    DeltaSettlingData** entry = risingCurves_.find(key);
    if (entry == nullptr) {
      status.setCode(nVLAPALS100::kStatusInvalidParameter,
                     VL_SITE_AT(sites::kSettlingTimerHandler, sites::kApplyNoRisingCurvesLine));
      return;
    }
    data = *entry;
  }
  uint32_t time0 = 0;
  uint32_t time1 = 0;
  data->getSettlingValues(step, time0, time1, status);
  if (status.isFatal()) return;
  writeBoth(time0, time1, sites::kSetTimersControl0Line, sites::kSetTimersControl1Line, status);
}

void SettlingTimerHandler::destroyCurves(CurvesMap& map) {
  for (auto& entry : map) delete entry.second;
}

void SettlingTimerHandler::clear() {
  destroyCurves(risingCurves_);
  destroyCurves(fallingCurves_);
  fallingCurves_.clear();
  risingCurves_.clear();
  properties_.clear();
  secondSettings_.clear();
  firstSettings_.clear();
}

}  // namespace cbak
