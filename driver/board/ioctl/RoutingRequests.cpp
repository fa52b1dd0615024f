#include "RoutingRequests.h"

#include "IoctlCollection.h"
#include "RequestTables.h"
#include "driver/board/session/Session.h"
#include "driver/board/status/BoardSites.h"
#include "driver/platform/device/tUserBuffer.h"
#include "driver/routing/APALUserBufferWrapper.h"
#include "driver/routing/RoutingResourcesInterface.h"

namespace nVL9738K_24_0::requests {

namespace {

using vlark::APALUserBufferWrapper;

constexpr int64_t kMissingBuffer = static_cast<int32_t>(0xBFFA9053u);

// A null address is refused before any user memory is described.
bool refuseNull(uint64_t address, tStatus& status) {
  if (address != 0) return false;
  status.setCode(kMissingBuffer, VL_SITE_AT(sites::kMainInterface, __LINE__));
  return true;
}

// The caller's routing session, when it was registered at open: a session
// the manager has since cleared is still served, and answers that it has no
// routing resources.
SessionRoutingPart* registeredPart(RequestContext& context) {
  Session* session = context.session();
  if (session == nullptr || !session->getRoutingPart().isRegistered()) return nullptr;
  return &session->getRoutingPart();
}

// The out-of-line requests work on any routing session that is valid.
SessionRoutingPart* validPart(RequestContext& context) {
  Session* session = context.session();
  if (session == nullptr || !session->getRoutingPart().isValid()) return nullptr;
  return &session->getRoutingPart();
}

// A block of `count` records of `size` bytes in the caller's memory; the
// size is formed in 64 bits, so no count from user mode wraps it.
struct UserArray {
  UserArray(RequestContext& context, uint64_t address, uint32_t count, uint64_t size, tStatus& status)
      : buffer(context.descriptor(), address, uint64_t{count} * size, status), wrapper(&buffer) {}
  nVLAPAL000::tUserBuffer buffer;
  APALUserBufferWrapper wrapper;
};

}  // namespace

void QueryVersion::handle(RequestContext& context, const In&, Out& out, tStatus&) {
  SessionRoutingPart* part = registeredPart(context);
  if (part != nullptr) out.version = part->queryVersion();
}

void CalculateRoute::seed(const In& in, Out& out) { out.resultCount = in.resultCount; }

void CalculateRoute::handle(RequestContext& context, const In& in, Out& out, tStatus& status) {
  if (refuseNull(in.seedsAddress, status) || refuseNull(in.terminalsAddress, status) ||
      refuseNull(in.resultsAddress, status)) {
    return;
  }
  UserArray seeds(context, in.seedsAddress, in.seedCount, sizeof(vlark::RouteCalculationSeedBase), status);
  UserArray destinations(context, in.terminalsAddress, in.terminalCount, sizeof(uint32_t), status);
  UserArray results(context, in.resultsAddress, in.resultCount, sizeof(vlark::RoutePossibilityBase), status);
  SessionRoutingPart* part = validPart(context);
  if (part == nullptr) return;
  out.result = part->calculateRoute(in.optionWord, seeds.wrapper, in.seedCount, destinations.wrapper, in.terminalCount,
                                    in.option, results.wrapper, out.resultCount, status);
}

void DestroyRoute::handle(RequestContext& context, const In& in, Out&, tStatus&) {
  SessionRoutingPart* part = registeredPart(context);
  if (part != nullptr) part->destroyRoute(in.routeId);
}

void ReserveRoute::seed(const In& in, Out& out) { out.conflictCount = in.conflictCapacity; }

void ReserveRoute::handle(RequestContext& context, const In& in, Out& out, tStatus& status) {
  if (refuseNull(in.conflictsAddress, status)) return;
  UserArray conflicts(context, in.conflictsAddress, in.conflictCapacity, sizeof(vlark::RouteConflict), status);
  SessionRoutingPart* part = registeredPart(context);
  if (part != nullptr) part->reserveRoute(in.routeId, conflicts.wrapper, out.conflictCount, status);
}

void ProgramRoute::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  SessionRoutingPart* part = validPart(context);
  if (part != nullptr) part->programRoute(in.routeId, status);
}

void UnreserveRoute::handle(RequestContext& context, const In& in, Out&, tStatus&) {
  SessionRoutingPart* part = validPart(context);
  if (part != nullptr) part->unreserveRoute(in.routeId);
}

void UnprogramRoute::handle(RequestContext& context, const In& in, Out&, tStatus&) {
  SessionRoutingPart* part = validPart(context);
  if (part != nullptr) part->unprogramRoute(in.routeId);
}

void GetRouteTerminalPath::seed(const In& in, Out& out) { out.terminalCount = in.capacity; }

void GetRouteTerminalPath::handle(RequestContext& context, const In& in, Out& out, tStatus& status) {
  if (refuseNull(in.bufferAddress, status)) return;
  UserArray path(context, in.bufferAddress, in.capacity, sizeof(uint32_t), status);
  SessionRoutingPart* part = registeredPart(context);
  if (part != nullptr) part->getRouteTerminalPath(in.routeId, path.wrapper, out.terminalCount, status);
}

void GetTopographyName::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  if (refuseNull(in.bufferAddress, status)) return;
  UserArray name(context, in.bufferAddress, in.bufferLength, 1, status);
  SessionRoutingPart* part = registeredPart(context);
  if (part != nullptr) part->getTopographyName(name.wrapper, status);
}

void ResetTerminal::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  SessionRoutingPart* part = validPart(context);
  if (part != nullptr) part->resetTerminal(in.terminalId, in.second, status);
}

void CalculateResetTerminal::handle(RequestContext& context, const In& in, Out& out, tStatus& status) {
  SessionRoutingPart* part = validPart(context);
  if (part != nullptr) out.result = part->calculateResetTerminal(in.optionWord, in.first, in.second, status);
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
