#include "ListModeRequests.h"

#include "IoctlCollection.h"
#include "RequestTables.h"
#include "driver/board/status/BoardSites.h"

namespace nVL9738K_24_0::requests {

namespace {

void answer(int64_t code, tStatus& status) {
  if (code != 0) status.setCode(code, VL_SITE_AT(sites::kMainInterface, __LINE__));
}

}  // namespace

void GetTraits::handle(RequestContext&, const In&, Out&, tStatus& status) { (void)status; }

void Initiate::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusRequestFailure, status);
}

void Abort::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusRequestFailure, status);
}

void SetContext::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusRequestFailure, status);
}

void Commit::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusRequestFailure, status);
}

void StartCommitSnooping::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusRequestFailure, status);
}

void SetListStepUnderCompile::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusRequestFailure, status);
}

void StopCommitSnooping::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusRequestFailure, status);
}

void GetBufferSizeInElements::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusRequestFailure, status);
}

void GetBufferContents::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusRequestFailure, status);
}

void DeployListSettings::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusRequestFailure, status);
}

void ReadStepInProgress::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusRequestFailure, status);
}

void ReadIterationInProgress::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusRequestFailure, status);
}

void ReadListIsDone::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusRequestFailure, status);
}

void ReadIsFifoUnderflow::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusRequestFailure, status);
}

void ReadDeviceStatus::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusRequestFailure, status);
}

void WaitForListTrigger::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusRequestFailure, status);
}

void GenerateListEvent::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusRequestFailure, status);
}

void ReadyForListTrigger::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusRequestFailure, status);
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
