#include "ListModeRequests.h"

#include "IoctlCollection.h"
#include "RequestTables.h"
#include "driver/board/session/Session.h"
#include "driver/board/status/BoardSites.h"
#include "driver/engines/OV3IFWResources.h"
#include "driver/listmode/ListModeStatusCodes.h"
#include "driver/platform/device/tUserBuffer.h"
#include "driver/platform/memory/UserBound.h"

namespace nVL9738K_24_0::requests {

namespace {

namespace st = nVLAPALS100;

// A path element in user memory: u16 UID, u8 instance, one spare byte.
constexpr uint64_t kPathElementBytes = 4;
static_assert(sizeof(vlifw::PathElement) == kPathElementBytes, "path elements are copied as they lie");

void fail(int64_t code, tStatus& status, uint64_t line) {
  status.setCode(code, VL_SITE_AT(sites::kMainInterface, line));
}

// The caller's list-mode session; -52010 when it has none.
listmodek::Session* listModeSession(RequestContext& context, tStatus& status) {
  Session* session = context.session();
  listmodek::Session* listMode = session != nullptr ? session->getListModeSession() : nullptr;
  if (listMode == nullptr) fail(st::kStatusRequestFailure, status, __LINE__);
  return listMode;
}

}  // namespace

// A caller without a list-mode session learns that list mode is not there
// from an all-zero record, not from an error.
void GetTraits::handle(RequestContext& context, const In&, Out& out, tStatus& status) {
  Session* session = context.session();
  listmodek::Session* listMode = session != nullptr ? session->getListModeSession() : nullptr;
  if (listMode == nullptr) return;
  listmodek::ListTraits traits{};
  listMode->getCapabilities(traits, status);
  if (status.isNotFatal()) out.traits = traits;
}

void Initiate::handle(RequestContext& context, const In&, Out&, tStatus& status) {
  listmodek::Session* listMode = listModeSession(context, status);
  if (listMode == nullptr) return;
  context.collection().attachListStartListeners(listMode, status);
  listMode->initiate(status);
  // Marked running also when the start failed: the engine may run anyway.
  if (listMode->isRunning()) context.collection().markListRun(*listMode, ListRunEdge::kStart);
}

// Only an abort that stopped the engine ends the run; the registers are
// marked either way.
void Abort::handle(RequestContext& context, const In&, Out&, tStatus& status) {
  listmodek::Session* listMode = listModeSession(context, status);
  if (listMode == nullptr || !listMode->isRunning()) return;
  listMode->abortIfRunning(status);
  context.collection().markListRun(*listMode, listMode->isRunning() ? ListRunEdge::kMayGoOn : ListRunEdge::kEnd);
}

// The path from the root of the FPGA's subsystem tree to the list engine
// comes from user memory; its length is bounded before anything is
// allocated for it. A path that names no node leaves the caller without a
// list-mode session and without an error.
void SetContext::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  Session* session = context.session();
  if (session == nullptr) {
    fail(st::kStatusRequestFailure, status, __LINE__);
    return;
  }
  if (session->getListModeSession() != nullptr) {
    fail(st::kStatusListModeFailure, status, __LINE__);
    return;
  }
  if (!nVLAPAL000::withinUserBound(in.length, kMaxPathElements, VL_SITE_AT(sites::kMainInterface, __LINE__), status)) {
    return;
  }
  const uint64_t bytes = uint64_t{in.length} * kPathElementBytes;
  nVLAPAL000::tUserBuffer user(context.descriptor(), in.bufferAddress, bytes, status);
  ov3ifw::OV3IFWResources::tPath path;
  path.resize(in.length, vlifw::PathElement{}, status);
  if (bytes != 0) user.readFromBuffer(0, path.data(), bytes, status);
  if (status.isFatal()) return;
  // Without a configured FPGA image there are no engines to record on.
  ov3ifw::OV3IFWResources* engines = context.collection().getIFWResources();
  if (engines == nullptr) {
    fail(listmodek::codes::kNoListMode, status, __LINE__);
    return;
  }
  listmodek::Session* created = engines->createListModeSession(path, status);
  if (status.isNotFatal()) session->setListModeSession(created);
}

void Commit::handle(RequestContext& context, const In&, Out&, tStatus& status) {
  if (listmodek::Session* listMode = listModeSession(context, status)) listMode->commit(status);
}

// The listeners of an earlier commit go before the device attaches the
// ones of this engine; recording starts with the caller's next request.
void StartCommitSnooping::handle(RequestContext& context, const In&, Out&, tStatus& status) {
  listmodek::Session* listMode = listModeSession(context, status);
  if (listMode == nullptr) return;
  listMode->prepareCommitSnooping(context.session()->getReservationClientId(), status);
  context.collection().startCommitSnooping(listMode, status);
  if (status.isNotFatal()) listMode->beginCommit(status);
}

void SetListStepUnderCompile::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  if (listmodek::Session* listMode = listModeSession(context, status))
    listMode->setListStepUnderCompile(in.step, status);
}

void StopCommitSnooping::handle(RequestContext& context, const In&, Out&, tStatus& status) {
  if (listmodek::Session* listMode = listModeSession(context, status)) listMode->endCommit(status);
}

void GetBufferSizeInElements::handle(RequestContext& context, const In&, Out& out, tStatus& status) {
  if (listmodek::Session* listMode = listModeSession(context, status))
    out.elementCount = listMode->getWordCount(status);
}

// Only the list's words are written; the caller's words after them stay.
void GetBufferContents::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  listmodek::Session* listMode = listModeSession(context, status);
  if (listMode == nullptr) return;
  const uint32_t count = listMode->getWordCount(status);
  if (status.isFatal()) return;
  if (count > in.length) {
    fail(st::kStatusLookupFailure, status, __LINE__);
    return;
  }
  nVLAPAL000::tUserBuffer user(context.descriptor(), in.bufferAddress, uint64_t{in.length} * sizeof(uint64_t), status);
  const uint64_t* words = listMode->getBuffer(status);
  if (status.isFatal() || count == 0) return;
  user.writeToBuffer(0, words, uint64_t{count} * sizeof(uint64_t), status);
}

void DeployListSettings::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  const uint64_t location[2] = {in.first, in.second};
  if (listmodek::Session* listMode = listModeSession(context, status)) listMode->deployListSettings(location, status);
}

void ReadStepInProgress::handle(RequestContext& context, const In&, Out& out, tStatus& status) {
  if (listmodek::Session* listMode = listModeSession(context, status)) out.step = listMode->readStepInProgress(status);
}

void ReadIterationInProgress::handle(RequestContext& context, const In&, Out& out, tStatus& status) {
  if (listmodek::Session* listMode = listModeSession(context, status)) {
    out.iteration = listMode->readIterationInProgress(status);
  }
}

void ReadListIsDone::handle(RequestContext& context, const In&, Out& out, tStatus& status) {
  if (listmodek::Session* listMode = listModeSession(context, status)) out.done = listMode->readListIsDone(status);
}

void ReadIsFifoUnderflow::handle(RequestContext& context, const In&, Out& out, tStatus& status) {
  if (listmodek::Session* listMode = listModeSession(context, status)) {
    out.underflow = listMode->readIsFifoUnderflow(status);
  }
}

void ReadDeviceStatus::handle(RequestContext& context, const In&, Out& out, tStatus& status) {
  if (listmodek::Session* listMode = listModeSession(context, status)) {
    listMode->readDeviceStatus(out.statusWord, out.second, out.third, status);
  }
}

void WaitForListTrigger::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  if (listmodek::Session* listMode = listModeSession(context, status)) listMode->waitForListTrigger(in.flag, status);
}

void GenerateListEvent::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  if (listmodek::Session* listMode = listModeSession(context, status)) listMode->generateListEvent(in.flag, status);
}

void ReadyForListTrigger::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  if (listmodek::Session* listMode = listModeSession(context, status)) listMode->readyForListTrigger(in.flag, status);
}

namespace {

constexpr RequestEntry kEntries[] = {
    makeRequest<GetTraits, 4, 32>(),
    makeRequest<Initiate, 4, 4>(),
    makeRequest<Abort, 4, 4>(),
    makeRequest<SetContext, 16, 4>(),
    makeRequest<Commit, 4, 4>(),
    makeRequest<StartCommitSnooping, 4, 4>(),
    makeRequest<SetListStepUnderCompile, 16, 4>(),
    makeRequest<StopCommitSnooping, 4, 4>(),
    makeRequest<GetBufferSizeInElements, 4, 8>(),
    makeRequest<GetBufferContents, 16, 4>(),
    makeRequest<DeployListSettings, 24, 4>(),
    makeRequest<ReadStepInProgress, 4, 16>(),
    makeRequest<ReadIterationInProgress, 4, 16>(),
    makeRequest<ReadListIsDone, 4, 8>(),
    makeRequest<ReadIsFifoUnderflow, 4, 8>(),
    makeRequest<ReadDeviceStatus, 4, 32>(),
    makeRequest<WaitForListTrigger, 8, 4>(),
    makeRequest<GenerateListEvent, 8, 4>(),
    makeRequest<ReadyForListTrigger, 8, 4>(),
};

}  // namespace

const RequestTable kListModeRequests{kEntries, sizeof(kEntries) / sizeof(kEntries[0])};

}  // namespace nVL9738K_24_0::requests
