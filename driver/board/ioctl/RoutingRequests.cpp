#include "RoutingRequests.h"

#include "IoctlCollection.h"
#include "RequestTables.h"
#include "driver/board/status/BoardSites.h"

namespace nVL9738K_24_0::requests {

namespace {

void answer(int64_t code, tStatus& status) {
  if (code != 0) status.setCode(code, VL_SITE_AT(sites::kMainInterface, __LINE__));
}

// Without routing resources a request that hands the driver a buffer
// refuses a missing one first, and every other answers the missing resources.
void noRoutingResources(uint64_t address, tStatus& status) {
  answer(address == 0 ? int64_t{static_cast<int32_t>(0xBFFA9053u)} : int64_t{nVLAPALS100::kStatusRouteFailure}, status);
}

}  // namespace

void QueryVersion::handle(RequestContext&, const In&, Out& out, tStatus& status) {
  out.version = 1;
  (void)status;
}

void CalculateRoute::handle(RequestContext&, const In& in, Out&, tStatus& status) {
  noRoutingResources(in.resultsAddress, status);
}

void DestroyRoute::handle(RequestContext&, const In&, Out&, tStatus& status) { (void)status; }

void ReserveRoute::handle(RequestContext&, const In& in, Out&, tStatus& status) {
  noRoutingResources(in.conflictsAddress, status);
}

void ProgramRoute::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusRouteFailure, status);
}

void UnreserveRoute::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusRouteFailure, status);
}

void UnprogramRoute::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusRouteFailure, status);
}

void GetRouteTerminalPath::handle(RequestContext&, const In& in, Out&, tStatus& status) {
  noRoutingResources(in.bufferAddress, status);
}

void GetTopographyName::handle(RequestContext&, const In& in, Out&, tStatus& status) {
  noRoutingResources(in.bufferAddress, status);
}

void ResetTerminal::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusRouteFailure, status);
}

void CalculateResetTerminal::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusRouteFailure, status);
}

namespace {

constexpr RequestEntry kEntries[] = {
    makeRequest<QueryVersion, 4, 8>(),
    makeRequest<CalculateRoute, 56, 12>(),
    makeRequest<DestroyRoute, 8, 4>(),
    makeRequest<ReserveRoute, 24, 8>(),
    makeRequest<ProgramRoute, 8, 4>(),
    makeRequest<UnreserveRoute, 8, 4>(),
    makeRequest<UnprogramRoute, 8, 4>(),
    makeRequest<GetRouteTerminalPath, 24, 8>(),
    makeRequest<GetTopographyName, 16, 4>(),
    makeRequest<ResetTerminal, 12, 4>(),
    makeRequest<CalculateResetTerminal, 24, 8>(),
};

}  // namespace

const RequestTable kRoutingRequests{kEntries, sizeof(kEntries) / sizeof(kEntries[0])};

}  // namespace nVL9738K_24_0::requests
