// What a list-mode commit attaches to its session before it begins, in
// the order the session will start and stop them: the register-read
// resources, the snooping manager, then the RF primitives of the engine's
// LO path (acquisition: LO1, generation: LO0).
#ifndef VL9738K_LISTMODE_SNOOPING_COMMITSNOOPINGATTACHMENT_H
#define VL9738K_LISTMODE_SNOOPING_COMMITSNOOPINGATTACHMENT_H

#include "ListModeRegisterReadResources.h"
#include "SnoopingManager.h"
#include "driver/regmaps/board/cpld/tBoardCtrlRegMap.h"
#include "driver/regmaps/dac/tAd9162RegMap.h"

namespace nVL9738K_24_0 {

// The listeners of one LO path's primitives and policies; null members
// are skipped. The policies hear of the list's start and of the
// recording's end.
struct LoPathListListeners {
  listmodek::iListStateListener* frequency = nullptr;
  listmodek::iListStateListener* power = nullptr;
  listmodek::iListSnoopingListener* refClock = nullptr;
  listmodek::iListStateListener* policiesOnStart = nullptr;
  listmodek::iListSnoopingListener* policiesOnEnd = nullptr;
};

struct CommitSnoopingParts {
  ListModeRegisterReadResources* readResources;
  SnoopingManager::SnoopingManager* manager;
  uint8_t acquisitionSubsystem;
  uint8_t generationSubsystem;
  LoPathListListeners lo0;
  LoPathListListeners lo1;
};

// Makes one engine's LO path snoopable: the block of the snooping context
// must be of a version this driver knows, then the path's DAC, its board
// control and the reference CPLD are registered in that order (the order
// in which a commit swaps their accessors), with base and shift 0. What
// their recordings write goes into `recorded` (three records, one per map,
// in that order) when given.
void registerLoPathMaps(SnoopingManager::SnoopingManager& manager, const vlifw::ContextInterface& snoopingContext,
                        nShared::nAd9162RegMap::tAd9162RegMap& dac,
                        nShared::nBoardCtrlRegMap::tBoardCtrlRegMap& boardControl,
                        nVl9738RefCpld::tVl9738RefCpld& refCpld, nVLAPALS100::tStatus& status,
                        SnoopingManager::internal::WrittenRegisters* recorded = nullptr);

// 0xBFFA9178 for a session on neither engine's subsystem.
void attachCommitSnooping(listmodek::Session& session, const CommitSnoopingParts& parts, nVLAPALS100::tStatus& status);

}  // namespace nVL9738K_24_0

#endif
