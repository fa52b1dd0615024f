// The board's hardware once the FPGA is loaded: the host map over the
// fixed logic with the CPLD composites and the clock buffer's map, the
// dispatcher through which user mode reaches those maps by name, and the
// power-up of the reference and LO cards. One is built per bring-up of the
// device and destroyed when the hardware is released. It has no lock: its
// callers hold the device's session lock, or no request runs.
#ifndef VL9738K_BOARD_RESOURCES_DEVICERESOURCES_H
#define VL9738K_BOARD_RESOURCES_DEVICERESOURCES_H

#include <stdint.h>

#include "CompositeMaps.h"
#include "RfPrimitives.h"
#include "driver/board/TICDCE18005Accessor.h"
#include "driver/board/maps/t9738Board.h"
#include "driver/regaccess/registration/ARMDispatcher.h"
#include "driver/regmaps/board/tHostRegMap.h"

namespace nVL9738K_24_0 {

class DeviceResources {
 public:
  using tStatus = nVLAPALS100::tStatus;

  // Every map user mode may reach by name.
  static constexpr uint32_t kRegistrationCount = 34;
  static_assert(kRegistrationCount == nHostRegMap::tHostRegMap::kRegistrationCount + CompositeMaps::kRegistrationCount,
                "the host map's blocks, then the composites' maps and the clock buffer's");

  // Builds the maps over the fixed-logic accessor and the clock-buffer
  // accessor, the RF primitives over them, and registers the maps. The
  // settling handlers (LO0: generation, LO1: acquisition) and the list-mode
  // register-read resources belong to the device and outlive this object.
  DeviceResources(vllym::kernel::IIoAccessor* fixedLogic, TICDCE18005Accessor* clockBuffer,
                  cbak::SettlingTimerHandler* lo0Settling, cbak::SettlingTimerHandler* lo1Settling,
                  ListModeRegisterReadResources* readResources, tStatus& status);
  ~DeviceResources();
  DeviceResources(const DeviceResources&) = delete;
  DeviceResources& operator=(const DeviceResources&) = delete;

  armki::ARMDispatcher& getARMDispatcher() { return dispatcher_; }
  nHostRegMap::tHostRegMap* getHostRegMap() const { return board_.getHostRegMap(); }
  n9738Board::t9738Board& getBoardMaps() { return board_; }
  CompositeMaps& getCompositeMaps() { return composites_; }
  // Null when a map could not be built.
  RfPrimitives* getPrimitives() const { return primitives_; }

  void registerRegisterMaps(tStatus& status);
  // Makes the next flush of every map write each register whatever its
  // shadow holds: the FPGA was configured, or the cards lost power.
  void invalidateRegisterCaches();
  void powerUp(tStatus& status);

 private:
  static nHostRegMap::tHostRegMap* createHostRegMap(vllym::kernel::IIoAccessor* fixedLogic, tStatus& status);

  // The maps go after the dispatcher that registers them.
  n9738Board::t9738Board board_;
  CompositeMaps composites_;
  armki::ARMDispatcher dispatcher_;
  // Goes before the maps it holds.
  RfPrimitives* primitives_;
};

}  // namespace nVL9738K_24_0

#endif
