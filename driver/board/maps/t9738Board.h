// The board's register maps inside the device resources: the host map over
// the FPGA's fixed-logic window and the slots of the three CPLD composites
// placed in that window (Ref at 0x4000, LO0 at 0x8000, LO1 at 0xC000). The
// container owns all four. A composite attached to the host map is
// attached only while it sits in its slot: whenever a slot is emptied the
// host map's attachment is cleared with it, so the host map never points
// at a deleted composite.
#ifndef VL9738K_BOARD_MAPS_T9738BOARD_H
#define VL9738K_BOARD_MAPS_T9738BOARD_H

#include <stdint.h>

#include "driver/regaccess/IIoAccessor.h"
#include "driver/regaccess/RegisterMapEngine.h"
#include "driver/regmaps/board/tHostRegMap.h"

namespace n9738Board {

class t9738Board {
 public:
  using tStatus = nVLAPALS100::tStatus;

  // The Ref CPLD's part of the fixed-logic space.
  static constexpr uint32_t kRefCpldOffset = 0x4000;
  static constexpr uint32_t kCpldSize = 0x4000;

  // Takes ownership of `hostRegMap` (null until the device resources build it).
  explicit t9738Board(nHostRegMap::tHostRegMap* hostRegMap);
  // Deletes the three composites, then the host map.
  ~t9738Board();

  t9738Board(const t9738Board&) = delete;
  t9738Board& operator=(const t9738Board&) = delete;

  // Builds the Ref CPLD composite over `accessor` in the part of the host
  // map's window that reaches the CPLD, replaces whatever the slot held
  // (deleted even when the new one cannot be allocated: -52000, slot empty)
  // and attaches the new composite to the host map.
  void create_RefCpld_RefAuxBus(vllym::kernel::IIoAccessor* accessor, tStatus& status);

  nHostRegMap::tHostRegMap* getHostRegMap() const { return hostRegMap_; }
  nVl9738RefCpld::tVl9738RefCpld* getRefCpld() const { return refCpld_; }

  // Deletes the slot's composite and detaches it from the host map.
  void emptyRefCpldSlot();
  // The LO composites are built by the device resources, which hand them
  // over here; the host map attachment is theirs to set after success.
  void replaceLoCpld(unsigned lo, arm::tRegisterMapInterface* composite);
  arm::tRegisterMapInterface* getLoCpld(unsigned lo) const { return lo < 2 ? loCpld_[lo] : nullptr; }

 private:
  nHostRegMap::tHostRegMap* hostRegMap_;
  nVl9738RefCpld::tVl9738RefCpld* refCpld_;
  arm::tRegisterMapInterface* loCpld_[2];
};

}  // namespace n9738Board

#endif
