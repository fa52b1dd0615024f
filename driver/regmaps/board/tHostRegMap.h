// The FPGA's fixed-logic register space as one map: the fixed-logic blocks
// embedded at their fixed places, each bound to its own base in the
// window. The host map has no register of its own, so every by-id operation
// on it is refused; its whole-map operations run over the blocks in member
// order. The CPLD composite maps that live further up in the same window
// (0x4000-0xFFFF) are separate objects: the host map only records where
// they are, and its whole-map operations never reach them.
#ifndef VL9738K_REGMAPS_BOARD_THOSTREGMAP_H
#define VL9738K_REGMAPS_BOARD_THOSTREGMAP_H

#include <stdint.h>

#include "driver/regaccess/IoAccessorBus.h"
#include "driver/regaccess/RegisterMapEngine.h"
#include "driver/regaccess/registration/WrapperDispatcher.h"
#include "driver/regmaps/board/tBoardControl.h"
#include "driver/regmaps/board/tLo0CpldConfig.h"
#include "driver/regmaps/board/tLo1CpldConfig.h"
#include "driver/regmaps/board/tPrivateEndpoint.h"
#include "driver/regmaps/board/tRefCpldConfig.h"
#include "driver/regmaps/board/tRoutingRegs.h"

namespace nVl9738RefCpld {
class tVl9738RefCpld;
}
namespace nVl9738Lo0Cpld {
class tVl9738Lo0Cpld;
}
namespace nVl9738Lo1Cpld {
class tVl9738Lo1Cpld;
}

namespace nHostRegMap {

// Where one CPLD's composite map is attached. The map belongs to whoever
// built it, which also clears the pointer before destroying it; the buffer
// belongs to the host map.
template <typename TCpldMap>
struct tCpldAttachment {
  TCpldMap* map;
  uint8_t* buffer;
  uint64_t reserved0;
  uint64_t reserved1;
};

class tHostRegMap final : public arm::tRegisterMapEngine {
 public:
  static constexpr uint32_t kBoardControlBase = 0x1000;
  static constexpr uint32_t kRefCpldConfigBase = 0x2000;
  static constexpr uint32_t kLo0CpldConfigBase = 0x2100;
  static constexpr uint32_t kLo1CpldConfigBase = 0x2200;
  static constexpr uint32_t kRoutingRegsBase = 0x18000;
  static constexpr uint32_t kPrivateEndpointBase = 0x0000;
  static constexpr uint32_t kWindowSize = 0xFFFFFFFF;
  static constexpr uint32_t kRegistrationCount = 16;

  static const arm::tMapDescriptor kDescriptor;

  // Covers the whole fixed-logic space of `accessor`: base 0, window 0 to
  // 0xFFFFFFFF. Every block starts at its reset values, dirty.
  explicit tHostRegMap(vllym::kernel::IIoAccessor* accessor) : tHostRegMap(accessor, 0, 0, kWindowSize) {}
  // The same over the part of the space that (base, windowStart,
  // windowSize) describes; the CPLD composites are placed from this window.
  tHostRegMap(vllym::kernel::IIoAccessor* accessor, uint32_t base, uint32_t windowStart, uint32_t windowSize);
  ~tHostRegMap() override;

  vllym::kernel::IIoAccessor* getAccessor() const { return bus_.getAccessor(); }

  // Registers the host map and its blocks with the dispatcher, in this
  // order: the host map, the board control, each CPLD configuration map
  // followed by its register-port interface and endpoint blocks, the
  // routing block, the private endpoint and its three blocks. A failed
  // registration leaves its error in the status; the later ones do nothing.
  void registerMaps(vlregitools::WrapperDispatcher<arm::tRegisterMapInterface>& dispatcher, tStatus& status);

  nBoardControl::tBoardControl BoardControl;
  nRefCpldConfig::tRefCpldConfig RefCpldConfig;
  nLo0CpldConfig::tLo0CpldConfig Lo0CpldConfig;
  nLo1CpldConfig::tLo1CpldConfig Lo1CpldConfig;
  nRoutingRegs::tRoutingRegs RoutingRegs;
  nPrivateEndpoint::tPrivateEndpoint PrivateEndpoint;

  tCpldAttachment<nVl9738RefCpld::tVl9738RefCpld> RefCpld;
  tCpldAttachment<nVl9738Lo0Cpld::tVl9738Lo0Cpld> Lo0Cpld;
  tCpldAttachment<nVl9738Lo1Cpld::tVl9738Lo1Cpld> Lo1Cpld;

 private:
  arm::tIoAccessorBus bus_;
  arm::tRegisterMapInterface* children_[6];
};

}  // namespace nHostRegMap

#endif
