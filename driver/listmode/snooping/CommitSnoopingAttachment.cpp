#include "CommitSnoopingAttachment.h"

#include "SnoopingSites.h"
#include "driver/listmode/ListModeStatusCodes.h"
#include "driver/platform/status/StatusSite.h"

namespace nVL9738K_24_0 {

void registerLoPathMaps(SnoopingManager::SnoopingManager& manager, const vlifw::ContextInterface& snoopingContext,
                        nShared::nAd9162RegMap::tAd9162RegMap& dac,
                        nShared::nBoardCtrlRegMap::tBoardCtrlRegMap& boardControl,
                        nVl9738RefCpld::tVl9738RefCpld& refCpld, nVLAPALS100::tStatus& status,
                        SnoopingManager::internal::WrittenRegisters* recorded) {
  if (status.isFatal()) return;
  snoopingContext.checkVersion(0, 0, true, nullptr, nullptr, status);
  auto record = [recorded](uint32_t map) { return recorded != nullptr ? &recorded[map] : nullptr; };
  manager.addSnoopableRegMap(dac, snoopingContext, 0, 0, nullptr, status, record(0));
  manager.addSnoopableRegMap(boardControl, snoopingContext, 0, 0, nullptr, status, record(1));
  manager.addSnoopableRegMap(refCpld, snoopingContext, 0, 0, nullptr, status, record(2));
}

void attachCommitSnooping(listmodek::Session& session, const CommitSnoopingParts& parts, nVLAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  parts.readResources->attachSession(session, status);
  parts.manager->attachSession(session, status);
  if (status.isFatal()) return;
  const uint8_t subsystem = session.getSubsystem();
  const LoPathListListeners* lo = subsystem == parts.acquisitionSubsystem  ? &parts.lo1
                                  : subsystem == parts.generationSubsystem ? &parts.lo0
                                                                           : nullptr;
  if (lo == nullptr) {
    status.setCode(listmodek::codes::kNoListMode, VL_SITE_AT(listmodek::snooping_sites::kManager, __LINE__));
    return;
  }
  // The policies first: a primitive that fails at the start does not keep
  // them from going stale.
  if (lo->policiesOnStart != nullptr) session.addStateListener(lo->policiesOnStart, status);
  if (lo->frequency != nullptr) session.addStateListener(lo->frequency, status);
  if (lo->power != nullptr) session.addStateListener(lo->power, status);
  if (lo->refClock != nullptr) session.addSnoopingListener(lo->refClock, status);
  if (lo->policiesOnEnd != nullptr) session.addSnoopingListener(lo->policiesOnEnd, status);
}

}  // namespace nVL9738K_24_0
