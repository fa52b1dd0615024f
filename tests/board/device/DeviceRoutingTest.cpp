// The device's routing over the board model's routing matrix, as the
// engine resources' late initialisation sets it up: the generated
// topography, the routing requests through the main interface's frame,
// and what a download, a quiesce and an unknown matrix version do to them.
#include <gtest/gtest.h>

#include <vector>

#include "driver/board/device/Device.h"
#include "driver/board/ioctl/InterfaceTemplate_vl9738k.h"
#include "driver/board/ioctl/ListModeRequests.h"
#include "driver/board/ioctl/RoutingRequests.h"
#include "driver/board/routing/TopSerapinReferenceFpgaRoutingResources.h"
#include "driver/engines/OV3IFWResources.h"
#include "driver/routing/pxi/PxiTriggerRoutingHost.h"
#include "sim/board/PxiRoutingMatrixModel.h"
#include "sim/kernel/UserMemory.h"
#include "tests/board/StartedDevice.h"

namespace vltest {
namespace {

namespace rq = nVL9738K_24_0::requests;
const vlark::TopographyDescriptor& kTop = topSerapinReferenceFpga::kTopography;

class DeviceRouting : public DeviceOnBoard {
 protected:
  void start(uint32_t blockVersion = 200) {
    matrix.place(board.registerPort(), 5);
    matrix.setValue(sim::PxiRoutingMatrixModel::kBlockVersion, blockVersion);
    DeviceOnBoard::start(&nVL9738K_24_0::tInterfaceTemplate_vl9738k::create);
    // The late initialisation found the matrix and built its host.
    ASSERT_EQ(status.getCode(), 0);
    ASSERT_NE(device->getIFWResources()->getPxiTriggerRoutingHost(), nullptr);
  }
  nVLAPAL000::tSession* open() { return sessions.emplace_back(DeviceOnBoard::open(status)); }
  // One route from `from` to `to`, its id and the request's status.
  std::pair<uint32_t, int32_t> route(nVLAPAL000::tSession* session, uint32_t from, uint32_t to, uint32_t capacity = 1,
                                     uint32_t* found = nullptr) {
    sim::UserBlock seeds(12), destinations(4), results(20);
    seeds.put<uint32_t>(0, from);
    destinations.put<uint32_t>(0, to);
    rq::CalculateRoute::In in{};
    in.seedsAddress = seeds.address();
    in.terminalsAddress = destinations.address();
    in.resultsAddress = results.address();
    in.seedCount = in.terminalCount = 1;
    in.resultCount = capacity;
    const auto out = call<rq::CalculateRoute>(session, in);
    if (found != nullptr) *found = out.resultCount;
    return {out.status == 0 ? results.get<uint32_t>(0) : 0, out.status};
  }
  // A request that names one route (a reservation with no room for
  // conflicts); its operation status.
  template <class Op>
  int32_t byId(nVLAPAL000::tSession* session, uint32_t id) {
    typename Op::In in{};
    in.routeId = id;
    if constexpr (requires { in.conflictsAddress; }) in.conflictsAddress = 8;
    return call<Op>(session, in).status;
  }
  // A session whose recordings go into a list on the first LO path's engine.
  nVLAPAL000::tSession* recorder() {
    nVLAPAL000::tSession* session = open();
    sim::UserBlock path(8);
    path.put<uint16_t>(0, 2400);
    path.put<uint16_t>(4, 2404);
    EXPECT_EQ(call<rq::SetContext>(session, {path.address(), 2, 0}).status, 0);
    return session;
  }
  uint32_t programmed(nVLAPAL000::tSession* session, uint32_t from, uint32_t to) {
    const uint32_t id = route(session, from, to).first;
    EXPECT_EQ(byId<rq::ReserveRoute>(session, id), 0);
    EXPECT_EQ(byId<rq::ProgramRoute>(session, id), 0);
    return id;
  }
  // The route registers that hold anything.
  std::vector<uint32_t> driven() const {
    std::vector<uint32_t> lines;
    for (uint32_t address = 0; address <= sim::PxiRoutingMatrixModel::kLastRoute; ++address) {
      if (!sim::PxiRoutingMatrixModel::isBlockRegister(address) && matrix.value(address) != 0) lines.push_back(address);
    }
    return lines;
  }
  // The device goes before the matrix model it reaches.
  void TearDown() override {
    for (nVLAPAL000::tSession* session : sessions) close(session);
    device.reset();
  }

  sim::PxiRoutingMatrixModel matrix;
  std::vector<nVLAPAL000::tSession*> sessions;
};

TEST_F(DeviceRouting, FromTheResetSourceEveryTerminalWithInputsIsItsResetEdgeAway) {
  start();
  auto& resources = *device->getBoardRoutingResources();
  const vlark::RouteCalculationSeedBase seed{1, 0, 0, {}};
  uint32_t reached = 0;
  for (uint32_t t = 0; t < kTop.terminalCount; ++t) {
    if (kTop.terminals[t].incomingEdgeCount == 0) continue;
    vlark::RoutePossibilityBase* results = nullptr;
    uint32_t count = 0;
    tStatus local;
    resources.calculateRoute(0, &seed, 1, &kTop.terminals[t].id, 1, 0, results, count, local);
    ASSERT_EQ(count, 1u) << kTop.terminals[t].id;
    EXPECT_EQ(results[0].cost, 0u);
    EXPECT_EQ(results[0].destinationTerminalId, kTop.terminals[t].id);
    const vlark::RouteInDB* found = resources.database().find(results[0].routeId);
    ASSERT_NE(found, nullptr);
    ASSERT_EQ(found->segmentCount, 1u);
    EXPECT_EQ(found->segments[0].edge->edge, &kTop.edges[kTop.incomingEdges[kTop.terminals[t].firstIncomingSlot]]);
    EXPECT_TRUE(found->segments[0].edge->edge->isDefault);
    resources.destroyRoute(results[0].routeId);
    resources.getAllocHelper().free(results);
    ++reached;
  }
  EXPECT_EQ(reached, 128u);
}

// The capacity only bounds what may be written: one whose byte count
// passes 32 bits still takes the one result, and none takes no route.
TEST_F(DeviceRouting, TheResultCapacityIsCountedInSixtyFourBits) {
  start();
  nVLAPAL000::tSession* session = open();
  uint32_t found = 0;
  EXPECT_EQ(route(session, 2, 169, 0x0CCCCCCD, &found).second, 0);
  EXPECT_EQ(found, 1u);
  EXPECT_EQ(route(session, 2, 170, 0, &found).second, nVLAPALS100::kStatusLookupFailure);
  EXPECT_EQ(found, 1u);
  EXPECT_EQ(device->getBoardRoutingResources()->database().size(), 1u);
}

TEST_F(DeviceRouting, SessionsClearedByADownloadOrAQuiesceAnswerThatTheyHaveNoResources) {
  start();
  nVLAPAL000::tSession* early = open();
  EXPECT_EQ(route(early, 2, 169).second, 0);
  nVLAPAL000::tEventDescriptor none{nullptr};
  device->quiesce(none, 2, false);
  device->openStateGate(none);
  nVLAPAL000::tSession* late = open();
  EXPECT_EQ(route(early, 2, 169).second, nVLAPALS100::kStatusRouteFailure);
  EXPECT_EQ(byId<rq::ProgramRoute>(early, 1), nVLAPALS100::kStatusRouteFailure);
  EXPECT_EQ(route(late, 2, 169).second, 0);

  // A download rebuilds the engines and with them the routing: sessions
  // from before it are stale, a new one routes over the new resources.
  device->downloadFpgaImage(status);
  EXPECT_EQ(route(late, 2, 169).second, static_cast<int32_t>(0xBFFA9179u));
  nVLAPAL000::tSession* fresh = open();
  EXPECT_EQ(route(fresh, 2, 169).second, 0);
}

// Route writes of a recording session go into its list, not the matrix:
// the matrix's cache does not take them, and the route keeps the state the
// matrix gives it (not programmed by a recorded program, still programmed
// after a recorded unprogram, so that its destroy takes it out).
TEST_F(DeviceRouting, RouteWritesRecordedIntoAListLeaveTheRouteAsTheMatrixHasIt) {
  start();
  nVLAPAL000::tSession* recorder = this->recorder();
  const auto recorded = [&](auto request) {
    EXPECT_EQ(call<rq::StartCommitSnooping>(recorder, {}).status, 0);
    const int32_t answer = request();
    EXPECT_EQ(call<rq::StopCommitSnooping>(recorder, {}).status, 0);
    return answer;
  };
  const uint32_t id = programmed(recorder, 2, 105);
  const std::vector<uint32_t> lines = driven();
  EXPECT_NE(lines, std::vector<uint32_t>{});
  EXPECT_EQ(recorded([&] { return byId<rq::UnprogramRoute>(recorder, id); }), 0);
  EXPECT_EQ(driven(), lines);
  EXPECT_EQ(byId<rq::DestroyRoute>(recorder, id), 0);
  EXPECT_EQ(driven(), std::vector<uint32_t>{});
  const uint32_t again = route(recorder, 2, 105).first;
  EXPECT_EQ(byId<rq::ReserveRoute>(recorder, again), 0);
  EXPECT_NE(recorded([&] { return byId<rq::ProgramRoute>(recorder, again); }), 0);
  EXPECT_EQ(driven(), std::vector<uint32_t>{});
  EXPECT_EQ(byId<rq::ProgramRoute>(recorder, again), 0);
  EXPECT_EQ(driven(), lines);
}

// Giving a programmed route up while its session records (a destroy, an
// unreserve) takes it out of the matrix at once: no line is left driven
// with no route holding it.
TEST_F(DeviceRouting, ARouteGivenUpWhileItsSessionRecordsLeavesTheMatrix) {
  start();
  nVLAPAL000::tSession* recorder = this->recorder();
  for (const bool destroy : {true, false}) {
    const uint32_t id = programmed(recorder, 2, 105);
    EXPECT_EQ(call<rq::StartCommitSnooping>(recorder, {}).status, 0);
    EXPECT_EQ(destroy ? byId<rq::DestroyRoute>(recorder, id) : byId<rq::UnreserveRoute>(recorder, id), 0);
    EXPECT_EQ(call<rq::StopCommitSnooping>(recorder, {}).status, 0);
    EXPECT_EQ(driven(), std::vector<uint32_t>{}) << destroy;
  }
}

TEST_F(DeviceRouting, AnUnknownMatrixVersionRoutesOnPaperButNeverProgrammes) {
  start(300);
  nVLAPAL000::tSession* session = open();
  const auto [id, code] = route(session, 2, 169);
  ASSERT_EQ(code, 0);
  EXPECT_EQ(byId<rq::ReserveRoute>(session, id), 0);
  EXPECT_EQ(byId<rq::ProgramRoute>(session, id), vlpxiroutingmatrix::codes::kVersionMismatch);
}

}  // namespace
}  // namespace vltest
