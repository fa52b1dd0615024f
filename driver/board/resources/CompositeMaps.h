// The maps of DeviceResources beyond the host map's own blocks: the three
// CPLD composites (Ref at fixed-logic 0x4000, LO0 at 0x8000, LO1 at
// 0xC000, each 0x4000 wide) in the board's map set, and the CDCE18005
// clock buffer's map. They are built, registered and marked dirty here in
// one place; the map set owns the composites, this object the rest.
//
// A composite whose map family is not part of the build stays null with
// the status clean; the power-up still needs the CPLD's auxiliary
// interface for the link bring-up, so until then that one block is built
// on its own at the start of the CPLD's window.
#ifndef VL9738K_BOARD_RESOURCES_COMPOSITEMAPS_H
#define VL9738K_BOARD_RESOURCES_COMPOSITEMAPS_H

#include <stdint.h>

#include "driver/board/TICDCE18005Accessor.h"
#include "driver/board/maps/t9738Board.h"
#include "driver/regaccess/registration/WrapperDispatcher.h"
#include "driver/regmaps/board/cpld/tAuxInterfaceRegMap.h"
#include "driver/regmaps/board/tTICDCE18005RegMap.h"

namespace nVL9738K_24_0 {

class CompositeMaps {
 public:
  using tStatus = nVLAPALS100::tStatus;
  using tAuxMap = nShared::nAuxInterfaceRegMap::tAuxInterfaceRegMap;
  using tClockBufferMap = nKMR4::tTICDCE18005RegMap;
  using tDispatcher = vlregitools::WrapperDispatcher<arm::tRegisterMapInterface>;

  enum Cpld : uint32_t { kRef, kLo0, kLo1, kCpldCount };
  static constexpr uint32_t kCpldOffset[kCpldCount] = {0x4000, 0x8000, 0xC000};
  static constexpr uint32_t kCpldExtent = 0x4000;
  static constexpr uint32_t kAuxExtent = 0x100;
  static constexpr uint32_t kWholeWindow = 0xFFFFFFFF;

  // Builds Ref, LO0 and LO1 in this order into `board`, then the clock
  // buffer's map; allocation failure: -52000, the rest is not built.
  CompositeMaps(n9738Board::t9738Board& board, TICDCE18005Accessor* clockBuffer, tStatus& status);
  ~CompositeMaps();
  CompositeMaps(const CompositeMaps&) = delete;
  CompositeMaps& operator=(const CompositeMaps&) = delete;

  // The composites and their children under their names, in order, then
  // the clock buffer's map.
  void registerMaps(tDispatcher& dispatcher, tStatus& status);
  // The composites only: the clock buffer cannot be read back.
  void markDirty();

  // The CPLD's auxiliary interface; null only when it could not be built.
  tAuxMap* auxInterface(Cpld cpld) const { return aux_[cpld]; }
  tClockBufferMap* getClockBufferMap() const { return clockBufferMap_; }

 private:
  void buildOwnAux(Cpld cpld, tStatus& status);

  n9738Board::t9738Board& board_;
  tClockBufferMap* clockBufferMap_;
  // Built here while no composite provides the block.
  tAuxMap* ownAux_[kCpldCount];
  tAuxMap* aux_[kCpldCount];
};

}  // namespace nVL9738K_24_0

#endif
