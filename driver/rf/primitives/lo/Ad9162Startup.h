// The start-up sequence of one LO path's AD9162: serial-interface set-up,
// the private start-up registers with their handshake, the clock, DLL and
// power-down controls, the interpolation mode, the datapath, the
// temperature sensor, and the NCO update strobe left low. It leaves the DLL
// enabled, which the frequency programming relies on.
#ifndef VL9738K_RF_PRIMITIVES_LO_AD9162_STARTUP_H
#define VL9738K_RF_PRIMITIVES_LO_AD9162_STARTUP_H

#include "driver/platform/status/tStatus.h"
#include "driver/regmaps/dac/tAd9162RegMap.h"

namespace nVL9738K_24_0 {

// Each step sets its bits in the shadow and writes the register only when
// that changed it or it is still dirty, so a run over clean shadows writes
// only what must be pulsed. The first error ends the sequence.
void initializeDac(nShared::nAd9162RegMap::tAd9162RegMap& dac, nVLAPALS100::tStatus& status);

}  // namespace nVL9738K_24_0

#endif
