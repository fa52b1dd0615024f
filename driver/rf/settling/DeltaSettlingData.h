// Maps the size of a change (a step) to the settling times of an engine's
// two settling controls: curve 0 for control 0, curve 1 for control 1. A
// curve is a list of points {breakpoint, value} with ascending breakpoints;
// between two breakpoints it either takes the value of the next breakpoint
// or interpolates linearly. Below the first breakpoint and above the last
// the curve is flat.
#ifndef VL9738K_RF_SETTLING_DELTA_SETTLING_DATA_H
#define VL9738K_RF_SETTLING_DELTA_SETTLING_DATA_H

#include <stdint.h>

#include "../../platform/containers/Vector.h"
#include "../../platform/status/tStatus.h"

namespace cbak {

class DeltaSettlingData {
 public:
  // Fills the chosen curve; the other stays empty until it is set. The tag
  // is fixed here: every later update must carry the same one.
  DeltaSettlingData(const uint32_t* values, const uint32_t* breakpoints, uint32_t count, uint32_t curve, uint32_t tag,
                    uint32_t interpolate, nVLAPALS100::tStatus& status);
  DeltaSettlingData(const DeltaSettlingData&) = delete;
  DeltaSettlingData& operator=(const DeltaSettlingData&) = delete;

  // Replaces curve 0 or 1 (any other curve: nothing). A wrong tag gives
  // -52003 and changes nothing. The points are replaced whole or not at
  // all, so a curve's breakpoints and values always have one count; the
  // interpolate flag is stored even when the points are not.
  void setCurve(const uint32_t* values, const uint32_t* breakpoints, uint32_t count, uint32_t curve, uint32_t tag,
                uint32_t interpolate, nVLAPALS100::tStatus& status);

  // Curve 1 when `curve` is 1, otherwise curve 0; an empty curve gives 0.
  void lookup(uint32_t step, uint32_t& out, uint32_t curve) const;
  // Both curves at one step; -52005, outputs untouched, when either is empty.
  void getSettlingValues(uint32_t step, uint32_t& value0, uint32_t& value1, nVLAPALS100::tStatus& status) const;

  uint32_t tag() const { return tag_; }
  uint64_t pointCount(uint32_t curve) const { return curves_[curve == 1 ? 1 : 0].breakpoints.size(); }

 private:
  struct Curve {
    vlhtl::Vector<uint32_t> values;
    vlhtl::Vector<uint32_t> breakpoints;
  };

  static uint32_t evaluate(const Curve& curve, uint32_t interpolate, uint32_t step);

  Curve curves_[2];
  uint32_t tag_;
  uint32_t interpolate_[2] = {0, 0};
};

}  // namespace cbak

#endif
