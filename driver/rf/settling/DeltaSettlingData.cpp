#include "DeltaSettlingData.h"

#include "SettlingStatus.h"

namespace cbak {

using nVLAPALS100::tStatus;

DeltaSettlingData::DeltaSettlingData(const uint32_t* values, const uint32_t* breakpoints, uint32_t count,
                                     uint32_t curve, uint32_t tag, uint32_t interpolate, tStatus& status)
    : tag_(tag) {
  setCurve(values, breakpoints, count, curve, tag, interpolate, status);
}

void DeltaSettlingData::setCurve(const uint32_t* values, const uint32_t* breakpoints, uint32_t count, uint32_t curve,
                                 uint32_t tag, uint32_t interpolate, tStatus& status) {
  if (tag != tag_) {
    status.setCode(nVLAPALS100::kStatusBadSelector, VL_SITE_AT(sites::kDeltaSettlingData, sites::kTagMismatchLine));
    return;
  }
  if (curve > 1) return;
  if (count != 0 && (values == nullptr || breakpoints == nullptr)) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
  }
  // Both copies are made before either replaces the curve, so a failed
  // allocation leaves the old points whole.
  Curve replacement;
  if (count != 0) {
    replacement.breakpoints.insert_(replacement.breakpoints.end(), breakpoints, breakpoints + count, status);
    replacement.values.insert_(replacement.values.end(), values, values + count, status);
  }
  if (status.isNotFatal()) {
    curves_[curve].breakpoints.swap(replacement.breakpoints);
    curves_[curve].values.swap(replacement.values);
  }
  interpolate_[curve] = interpolate;
}

void DeltaSettlingData::lookup(uint32_t step, uint32_t& out, uint32_t curve) const {
  const uint32_t index = curve == 1 ? 1 : 0;
  out = evaluate(curves_[index], interpolate_[index], step);
}

void DeltaSettlingData::getSettlingValues(uint32_t step, uint32_t& value0, uint32_t& value1, tStatus& status) const {
  if (status.isFatal()) return;
  if (curves_[0].breakpoints.empty() || curves_[1].breakpoints.empty()) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE_AT(sites::kDeltaSettlingData, sites::kEmptyCurveLine));
    return;
  }
  lookup(step, value0, 0);
  lookup(step, value1, 1);
}

uint32_t DeltaSettlingData::evaluate(const Curve& curve, uint32_t interpolate, uint32_t step) {
  const uint64_t n = curve.breakpoints.size();
  const uint32_t* b = curve.breakpoints.data();
  const uint32_t* v = curve.values.data();
  if (n == 0) return 0;
  if (n == 1 || step <= b[0]) return v[0];
  if (step >= b[n - 1]) return v[n - 1];
  // The first breakpoint not below the step; b[0] < step < b[n-1] keeps it
  // within [1, n-1].
  uint64_t low = 0;
  uint64_t high = n;
  while (low < high) {
    const uint64_t middle = low + (high - low) / 2;
    if (b[middle] < step) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  const uint64_t i = low;
  // Breakpoints out of order leave no segment to interpolate on.
  if (interpolate == 0 || b[i] <= b[i - 1] || step < b[i - 1]) return v[i];
  // The rise (or fall) times the distance into the segment fits 64 bits;
  // the quotient is at most the rise, so the result lies between v[i-1]
  // and v[i] whichever way the segment goes.
  const uint64_t span = b[i] - b[i - 1];
  const uint64_t into = step - b[i - 1];
  if (v[i] >= v[i - 1]) return v[i - 1] + static_cast<uint32_t>(static_cast<uint64_t>(v[i] - v[i - 1]) * into / span);
  return v[i - 1] - static_cast<uint32_t>(static_cast<uint64_t>(v[i - 1] - v[i]) * into / span);
}

}  // namespace cbak
