// The board's hardware once the FPGA is loaded: the host map over the
// fixed logic with the CPLD composites and the clock buffer's map, the
// dispatcher through which user mode reaches those maps by name, the RF
// primitives and sharing policies over them with the settings messages
// that drive them, and the power-up of the reference and LO cards. One is built per bring-up of the
// device and destroyed when the hardware is released. It has no lock: its
// callers hold the device's session lock, or no request runs.
#ifndef VL9738K_BOARD_RESOURCES_DEVICERESOURCES_H
#define VL9738K_BOARD_RESOURCES_DEVICERESOURCES_H

#include <stdint.h>

#include "CompositeMaps.h"
#include "RecordedMaps.h"
#include "RfResources.h"
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
  // accessor, the primitives and policies over them (the policies are
  // registered with `registrar` when there is one), and registers the maps.
  DeviceResources(vllym::kernel::IIoAccessor* fixedLogic, TICDCE18005Accessor* clockBuffer, iPolicyRegistrar* registrar,
                  cbak::SettlingTimerHandler* lo0Settling, cbak::SettlingTimerHandler* lo1Settling,
                  ListModeRegisterReadResources* readResources, tStatus& status);
  ~DeviceResources();
  DeviceResources(const DeviceResources&) = delete;
  DeviceResources& operator=(const DeviceResources&) = delete;

  armki::ARMDispatcher& getARMDispatcher() { return dispatcher_; }
  nHostRegMap::tHostRegMap* getHostRegMap() const { return board_.getHostRegMap(); }
  n9738Board::t9738Board& getBoardMaps() { return board_; }
  CompositeMaps& getCompositeMaps() { return composites_; }
  // Null when the maps could not all be built.
  RfResources* getRfResources() const { return rf_; }
  // Every map and primitive is there: only then may a handler reach them.
  bool isComplete() const { return board_.getHostRegMap() != nullptr && rf_ != nullptr; }

  void registerRegisterMaps(tStatus& status);
  // Makes the next flush of every map write each register whatever its
  // shadow holds: the FPGA was configured, or the cards lost power.
  void invalidateRegisterCaches();
  void powerUp(tStatus& status);

  // The maps list-mode recordings of `manager` (may be null) snoop.
  RecordedMaps recordedMaps(const SnoopingManager::SnoopingManager* manager) {
    return RecordedMaps(manager, board_, composites_);
  }
  // The settings message `type` over the resource ids (SettingsMessages);
  // `recordings` refuses what an open list records (RecordedMaps).
  void processResourceList(const uint32_t* ids, uint32_t count, uint32_t type, const uint8_t* input, uint32_t inputSize,
                           uint8_t* output, uint32_t outputCapacity, const SnoopingManager::SnoopingManager* recordings,
                           tStatus& status);
  void reserveAndCommit(const uint8_t* message, uint64_t size, rfyulreserve::ReservationClientID client,
                        tStatus& status);
  void cycleFrequency(const SnoopingManager::SnoopingManager* recordings, tStatus& status);
  // The sum of `samples` board-sensor readings (1/32 degree each) and its
  // divisor (samples x 32).
  void readTemperature(uint32_t samples, uint32_t& sum, uint32_t& divisor, tStatus& status);
  // The same from the DAC of LO0 (which 0) or LO1 (which 1).
  void readDacTemperature(uint32_t which, uint32_t samples, uint32_t& sum, uint32_t& divisor,
                          const SnoopingManager::SnoopingManager* recordings, tStatus& status);

 private:
  static nHostRegMap::tHostRegMap* createHostRegMap(vllym::kernel::IIoAccessor* fixedLogic, tStatus& status);
  bool requireRf(tStatus& status) const;

  // The maps go after the dispatcher that registers them.
  n9738Board::t9738Board board_;
  CompositeMaps composites_;
  armki::ARMDispatcher dispatcher_;
  // Destroyed before the maps it works on.
  RfResources* rf_;
};

}  // namespace nVL9738K_24_0

#endif
