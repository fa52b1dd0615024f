// The maps of DeviceResources beyond the host map's own blocks: the three
// CPLD composites (Ref at fixed-logic 0x4000, LO0 at 0x8000, LO1 at
// 0xC000, each 0x4000 wide) in the board's map set, and the CDCE18005
// clock buffer's map. They are built, registered and marked dirty here in
// one place; the map set owns the composites, this object the clock
// buffer's map.
#ifndef VL9738K_BOARD_RESOURCES_COMPOSITEMAPS_H
#define VL9738K_BOARD_RESOURCES_COMPOSITEMAPS_H

#include <stdint.h>

#include "driver/board/TICDCE18005Accessor.h"
#include "driver/board/maps/t9738Board.h"
#include "driver/regaccess/registration/WrapperDispatcher.h"
#include "driver/regmaps/board/cpld/tAuxInterfaceRegMap.h"
#include "driver/regmaps/board/cpld/tVl9738Lo0Cpld.h"
#include "driver/regmaps/board/cpld/tVl9738Lo1Cpld.h"
#include "driver/regmaps/board/tTICDCE18005RegMap.h"

namespace nVL9738K_24_0 {

class CompositeMaps {
 public:
  using tStatus = nVLAPALS100::tStatus;
  using tAuxMap = nShared::nAuxInterfaceRegMap::tAuxInterfaceRegMap;
  using tClockBufferMap = nKMR4::tTICDCE18005RegMap;
  using tDispatcher = vlregitools::WrapperDispatcher<arm::tRegisterMapInterface>;

  enum Cpld : uint32_t { kRef, kLo0, kLo1, kCpldCount };
  static constexpr uint32_t kLoCpldOffset[2] = {0x8000, 0xC000};
  static constexpr uint32_t kCpldExtent = 0x4000;
  static constexpr uint32_t kWholeWindow = 0xFFFFFFFF;
  // The maps registerMaps adds: the composites with their children, then
  // the clock buffer's.
  static constexpr uint32_t kRegistrationCount = 18;

  // Builds Ref, LO0 and LO1 in this order into `board`, then the clock
  // buffer's map; allocation failure: -52000, the rest is not built.
  CompositeMaps(n9738Board::t9738Board& board, TICDCE18005Accessor* clockBuffer, tStatus& status);
  ~CompositeMaps();
  CompositeMaps(const CompositeMaps&) = delete;
  CompositeMaps& operator=(const CompositeMaps&) = delete;

  void registerMaps(tDispatcher& dispatcher, tStatus& status);
  // The composites only: the clock buffer cannot be read back.
  void markDirty();

  // The CPLD's auxiliary interface; null while its composite is not built.
  tAuxMap* auxInterface(Cpld cpld) const;
  nVl9738Lo0Cpld::tVl9738Lo0Cpld* getLo0Cpld() const { return lo0_; }
  nVl9738Lo1Cpld::tVl9738Lo1Cpld* getLo1Cpld() const { return lo1_; }
  tClockBufferMap* getClockBufferMap() const { return clockBufferMap_; }

 private:
  template <typename tComposite>
  tComposite* createLoCpld(unsigned lo, tStatus& status);

  n9738Board::t9738Board& board_;
  nVl9738Lo0Cpld::tVl9738Lo0Cpld* lo0_;
  nVl9738Lo1Cpld::tVl9738Lo1Cpld* lo1_;
  tClockBufferMap* clockBufferMap_;
};

}  // namespace nVL9738K_24_0

#endif
