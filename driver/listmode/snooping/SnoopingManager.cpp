#include "SnoopingManager.h"

#include "driver/platform/status/StatusCodes.h"

namespace SnoopingManager {

SnoopingManager::tSubsystem SnoopingManager::findSubsystem(uint8_t number, tStatus& status) const {
  if (status.isFatal()) return {};
  auto* entry = subsystems_.find(number);
  return entry != nullptr ? entry->second : tSubsystem{};
}

SnoopingManager::tSubsystem SnoopingManager::entryFor(uint8_t number, tStatus& status) {
  tSubsystem subsystem = findSubsystem(number, status);
  if (subsystem || status.isFatal()) return subsystem;
  subsystem = tSubsystem(
      new (status, nVLAPAL000::kAllocationKindPlain) internal::SubsystemSnooper(&redirector_, number), status);
  if (!subsystem) return {};
  subsystems_.insert(number, subsystem, status);
  return status.isFatal() ? tSubsystem{} : subsystem;
}

void SnoopingManager::attachSession(listmodek::Session& session, tStatus& status) {
  if (status.isFatal()) return;
  tSubsystem subsystem = findSubsystem(session.getSubsystem(), status);
  if (!subsystem) {
    status.setCode(nVLAPALS100::kStatusRequestFailure, VL_SITE_AT(listmodek::snooping_sites::kManager, __LINE__));
    return;
  }
  subsystem->addListenersToSession(session, status);
}

void SnoopingManager::refuseUnrecordedAccess(const void* map, tStatus& status) const {
  if (status.isFatal() || map == nullptr) return;
  bool recording = false;
  bool snooping = false;
  for (const auto& entry : subsystems_) {
    entry.second->visitMapSnoopers(map, [&](const internal::MapSnooperState& state) {
      recording |= state.isRecording();
      snooping |= state.isSnooping();
    });
  }
  if (recording && !snooping) {
    status.setCode(nVLAPALS100::kStatusListModeFailure, VL_SITE_AT(listmodek::snooping_sites::kManager, __LINE__));
  }
}

bool SnoopingManager::isRecordedNow(const void* map) const {
  bool snooping = false;
  for (const auto& entry : subsystems_) {
    entry.second->visitMapSnoopers(map,
                                   [&](const internal::MapSnooperState& state) { snooping |= state.isSnooping(); });
  }
  return snooping;
}

uint32_t SnoopingManager::markRecordedDirty(uint8_t subsystem, internal::RunBits run) {
  tStatus lookup;
  tSubsystem entry = findSubsystem(subsystem, lookup);
  return entry ? entry->markRecordedDirty(run) : 0;
}

}  // namespace SnoopingManager
