#include "RfPrimitives.h"

namespace nVL9738K_24_0 {

RfPrimitives::RfPrimitives(n9738Board::t9738Board& board, CompositeMaps& composites,
                           cbak::SettlingTimerHandler* lo0Settling, cbak::SettlingTimerHandler* lo1Settling,
                           ListModeRegisterReadResources* readResources, tStatus& status)
    : refClock_(*board.getRefCpld(), board.getHostRegMap()->BoardControl, *composites.getClockBufferMap(),
                readResources, status),
      crossSwitch_(composites.getLo1Cpld()->CxSwCtrlRegMap, lo1Settling),
      frequencyLo0_(&board.getRefCpld()->Lo0RefClkToLoRegMap, &composites.getLo0Cpld()->Ad9162RegMap,
                    &composites.getLo0Cpld()->BoardCtrlRegMap, lo0Settling, readResources->getWaitWithRedirection()),
      frequencyLo1_(&board.getRefCpld()->Lo1RefClkToLoRegMap, &composites.getLo1Cpld()->Ad9162RegMap,
                    &composites.getLo1Cpld()->BoardCtrlRegMap, lo1Settling, readResources->getWaitWithRedirection()),
      powerLo0_(&composites.getLo0Cpld()->BoardCtrlRegMap, &composites.getLo0Cpld()->Ad9162RegMap, lo0Settling),
      powerLo1_(&composites.getLo1Cpld()->BoardCtrlRegMap, &composites.getLo1Cpld()->Ad9162RegMap, lo1Settling),
      temperature_(composites.getLo0Cpld()->TemperatureRegMap) {}

void RfPrimitives::addLo0ListListeners(listmodek::Session& session, tStatus& status) {
  addLoPathListListeners(session, {&frequencyLo0_, &powerLo0_, &refClock_}, status);
}

void RfPrimitives::addLo1ListListeners(listmodek::Session& session, tStatus& status) {
  addLoPathListListeners(session, {&frequencyLo1_, &powerLo1_, &refClock_}, status);
}

}  // namespace nVL9738K_24_0
