// The maps of DeviceResources that sit outside the host map: the three
// CPLD composites (Ref at fixed-logic 0x4000, LO0 at 0x8000, LO1 at 0xC000,
// each 0x4000 wide) and the CDCE18005 clock buffer's map. Each is built
// here, attached to the host map, registered, marked dirty and destroyed
// (LO1, LO0, Ref, then the clock buffer) in one place.
//
// A composite whose map family is not part of the build stays null with
// the status clean; the power-up still needs the CPLD's auxiliary
// interface for the link bring-up and the version check, so until then
// that one block is built on its own at the start of the CPLD's window.
#ifndef VL9738K_BOARD_RESOURCES_COMPOSITEMAPS_H
#define VL9738K_BOARD_RESOURCES_COMPOSITEMAPS_H

#include <stdint.h>

#include "driver/board/TICDCE18005Accessor.h"
#include "driver/regaccess/registration/WrapperDispatcher.h"
#include "driver/regmaps/board/cpld/tAuxInterfaceRegMap.h"
#include "driver/regmaps/board/tHostRegMap.h"

namespace nVL9738K_24_0 {

namespace nKMR4 {
class tTICDCE18005RegMap;
}

class CompositeMaps {
 public:
  using tStatus = nVLAPALS100::tStatus;
  using tAuxMap = nShared::nAuxInterfaceRegMap::tAuxInterfaceRegMap;
  using tDispatcher = vlregitools::WrapperDispatcher<arm::tRegisterMapInterface>;

  enum Cpld : uint32_t { kRef, kLo0, kLo1, kCpldCount };
  static constexpr uint32_t kCpldOffset[kCpldCount] = {0x4000, 0x8000, 0xC000};
  static constexpr uint32_t kCpldExtent = 0x4000;
  static constexpr uint32_t kAuxExtent = 0x100;

  // Builds Ref, LO0 and LO1 in this order over the host map's accessor,
  // then the clock buffer's map; allocation failure: -52000, the rest is
  // not built.
  CompositeMaps(nHostRegMap::tHostRegMap& host, TICDCE18005Accessor* clockBuffer, tStatus& status);
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

  nVl9738RefCpld::tVl9738RefCpld* getRefCpld() const { return host_.RefCpld.map; }
  nVl9738Lo0Cpld::tVl9738Lo0Cpld* getLo0Cpld() const { return host_.Lo0Cpld.map; }
  nVl9738Lo1Cpld::tVl9738Lo1Cpld* getLo1Cpld() const { return host_.Lo1Cpld.map; }
  nKMR4::tTICDCE18005RegMap* getClockBufferMap() const { return clockBufferMap_; }

 private:
  void buildAux(Cpld cpld, tStatus& status);

  nHostRegMap::tHostRegMap& host_;
  nKMR4::tTICDCE18005RegMap* clockBufferMap_;
  // Built here while no composite provides the block.
  tAuxMap* ownAux_[kCpldCount];
  tAuxMap* aux_[kCpldCount];
};

}  // namespace nVL9738K_24_0

#endif
