// The least a primitive offers for its settings to be committed under a
// sharing policy: take a requested value, then program it. Both do nothing
// when the status already holds an error, and the outcome is in the
// status. The LO frequency and power primitives satisfy it with their
// FrequencySettings and PowerSettings.
#ifndef VL9738K_RF_PRIMITIVES_COMMITTABLE_PRIMITIVE_H
#define VL9738K_RF_PRIMITIVES_COMMITTABLE_PRIMITIVE_H

#include "../../platform/status/tStatus.h"

namespace nVL9738K_24_0 {

template <typename tPrimitive, typename tSettings>
concept CommittablePrimitive = requires(tPrimitive& primitive, const tSettings& settings,
                                        nVLAPALS100::tStatus& status) {
  primitive.setRequested(settings, status);
  primitive.commit(status);
};

}  // namespace nVL9738K_24_0

#endif
