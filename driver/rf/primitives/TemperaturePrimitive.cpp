#include "TemperaturePrimitive.h"

#include "../../platform/status/StatusSite.h"
#include "refclk/RefClockStatus.h"

namespace nVL9738K_24_0 {

namespace {

constexpr int32_t kCodeSignBit = 1 << 13;
constexpr int32_t kCodeRange = 1 << 14;
constexpr int32_t kCodeMask = kCodeRange - 1;
// -40 and 150 degrees C in 1/32 degree steps.
constexpr int32_t kColdestCode = -40 * 32;
constexpr int32_t kHottestCode = 150 * 32;
constexpr uint32_t kStepsPerDegree = 32;

}  // namespace

int32_t convertTemperatureCode(int32_t code, nVLAPALS100::tStatus& status) {
  if (status.isFatal()) return 0;
  code &= kCodeMask;
  const int32_t value = (code & kCodeSignBit) != 0 ? code - kCodeRange : code;
  if (value < kColdestCode || value > kHottestCode) {
    status.setCode(nVLAPALS100::kStatusValueOutOfRange,
                   VL_SITE_AT(refclk_sites::kUtils, refclk_sites::kCodeOutOfRangeLine));
    return 0;
  }
  return value;
}

void TemperaturePrimitive::readTemperatureSum(uint32_t n, uint32_t& sum, uint32_t& divisor, tStatus& status) {
  if (status.isFatal()) return;
  sum = 0;
  divisor = 1;
  if (n > kMaximumReadings) {
    status.setCode(kStatusTooManyReadings,
                   VL_SITE_AT(refclk_sites::kTemperaturePrimitive, refclk_sites::kTooManyReadingsLine));
    return;
  }
  if (n == 0) {
    status.setCode(kStatusNoReadings, VL_SITE_AT(refclk_sites::kTemperaturePrimitive, refclk_sites::kNoReadingsLine));
    divisor = 0;
    return;
  }
  auto& readback = map_->TempSensorReadback;
  for (uint32_t i = 0; i < n; ++i) {
    // Every reading goes to the sensor; the shadow is never trusted here.
    readback.refresh(status);
    const int32_t value = convertTemperatureCode(static_cast<int32_t>((readback.getValue() >> 2) & kCodeMask), status);
    if (status.isFatal()) return;
    sum += static_cast<uint32_t>(value);
  }
  divisor = n * kStepsPerDegree;
}

void TemperaturePrimitive::flush(tStatus& status) {
  auto& control = map_->TempSensorPowerControl;
  control.setValue(control.getValue() & ~0xFFu, status);
  if (status.isFatal()) return;
  control.flush(status, false);
}

}  // namespace nVL9738K_24_0
