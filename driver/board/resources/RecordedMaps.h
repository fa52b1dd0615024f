// The board maps a list-mode recording snoops, as the direct requests reach
// them: the whole reference CPLD (both engines record it) and each LO
// path's DAC and board control (the engine of that path records them).
// While a list is open, a request that is not itself recorded is refused
// before it touches any of them, so that the maps' shadows, which hold the
// recorded values, and the hardware stay apart only as the list knows.
#ifndef VL9738K_BOARD_RESOURCES_RECORDEDMAPS_H
#define VL9738K_BOARD_RESOURCES_RECORDEDMAPS_H

#include <stdint.h>

#include "CompositeMaps.h"
#include "driver/listmode/snooping/SnoopingManager.h"

namespace nVL9738K_24_0 {

class RecordedMaps {
 public:
  using tStatus = nVLAPALS100::tStatus;

  // What a request touches, as a mask.
  enum Touches : uint32_t {
    kReference = 1u << 0,
    kLo0Dac = 1u << 1,
    kLo0BoardControl = 1u << 2,
    kLo1Dac = 1u << 3,
    kLo1BoardControl = 1u << 4,
    kLo0Path = kLo0Dac | kLo0BoardControl,
    kLo1Path = kLo1Dac | kLo1BoardControl,
  };
  static constexpr uint32_t loPath(uint32_t lo) { return lo == 0 ? kLo0Path : kLo1Path; }

  // Without a snooping manager nothing is recorded and nothing refused.
  RecordedMaps(const SnoopingManager::SnoopingManager* manager, n9738Board::t9738Board& board,
               CompositeMaps& composites)
      : manager_(manager), board_(board), composites_(composites) {}

  // -52031 when a list records any of the touched maps and this request
  // does not record into it.
  void refuseUnrecorded(uint32_t touches, tStatus& status) const;
  // The same for a map user mode names: the snooped maps it is, lies in,
  // or holds.
  void refuseUnrecordedMap(const arm::tRegisterMapInterface* map, tStatus& status) const;
  // Whether this request records any of the touched maps into a list.
  bool recordsAny(uint32_t touches) const;

 private:
  uint32_t touchesOf(const arm::tRegisterMapInterface* map) const;
  template <typename tVisit>
  void visitMaps(uint32_t touches, tVisit visit) const;

  const SnoopingManager::SnoopingManager* manager_;
  n9738Board::t9738Board& board_;
  CompositeMaps& composites_;
};

}  // namespace nVL9738K_24_0

#endif
