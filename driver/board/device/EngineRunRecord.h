// What the recordings of one LO path's list engine wrote (generation
// engine: LO0, acquisition engine: LO1), kept by the device from its
// addition until its removal. A compiled list belongs to user mode, which
// may keep it across resets and FPGA downloads and start it from any later
// session of the engine: every run writes these registers and routes again,
// behind the shadows and the route cache that the bring-up of that time
// built. Each bring-up hands the record to its snooping manager and
// routing host.
#ifndef VL9738K_BOARD_DEVICE_ENGINERUNRECORD_H
#define VL9738K_BOARD_DEVICE_ENGINERUNRECORD_H

#include <stdint.h>

#include "driver/listmode/snooping/WrittenRegisters.h"
#include "driver/routing/pxi/RecordedRouteSlots.h"

namespace nVL9738K_24_0 {

// How a list run on an engine changes: it starts (an initiate), it ends
// (an abort that stopped the engine, be it a request's or the starting
// session's close's, or an FPGA download that goes ahead), or an abort
// failed and it may still go on.
enum class ListRunEdge : uint8_t { kStart, kEnd, kMayGoOn };

struct EngineRunRecord {
  // In the order the path's maps are registered: its DAC, its board
  // control, the reference CPLD.
  static constexpr uint32_t kMaps = 3;
  SnoopingManager::internal::WrittenRegisters maps[kMaps];
  vlpxiroutingmatrix::RecordedRouteSlots routes;
};

}  // namespace nVL9738K_24_0

#endif
