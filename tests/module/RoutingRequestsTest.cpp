// The routing requests through the packaged module while the board has no
// routing resources (the FPGA design's matrix is not set up in the module
// yet): what each request answers, and that a missing buffer is refused
// before user memory is touched.
#include <gtest/gtest.h>

#include <memory>

#include "driver/board/ioctl/RoutingRequests.h"
#include "sim/host/DeviceFile.h"
#include "sim/host/RequestClient.h"
#include "sim/kernel/UserMemory.h"
#include "tests/support/BoardRig.h"

namespace {

using namespace nVL9738K_24_0::requests;

constexpr int32_t kNoResources = -52020;
constexpr int32_t kMissingBuffer = static_cast<int32_t>(0xBFFA9053u);

using RoutingRequests = vltest::MainRoad;

TEST_F(RoutingRequests, WithoutResourcesEachRequestAnswersAsItsSessionDoes) {
  open();
  sim::UserBlock buffer(64);

  uint64_t copies = sim::UserMemory::inboundCopies();
  EXPECT_EQ(client->call<QueryVersion>().out.version, 1u);
  const uint64_t framing = sim::UserMemory::inboundCopies() - copies;
  CalculateRoute::In calculate{};
  calculate.seedsAddress = calculate.terminalsAddress = buffer.address();
  copies = sim::UserMemory::inboundCopies();
  EXPECT_EQ(client->call<CalculateRoute>(calculate).out.status, kMissingBuffer);
  EXPECT_EQ(sim::UserMemory::inboundCopies() - copies, framing) << "only the request block is read";
  calculate.resultsAddress = buffer.address();
  EXPECT_EQ(client->call<CalculateRoute>(calculate).out.status, kNoResources);

  EXPECT_EQ(client->call<ReserveRoute>({}).out.status, kMissingBuffer);
  const auto paths = client->call<GetRouteTerminalPath>({0, buffer.address(), 9, 0}).out;
  EXPECT_EQ(paths.status, kNoResources);
  EXPECT_EQ(paths.terminalCount, 9u) << "the count starts as the capacity";
  EXPECT_EQ(client->call<GetTopographyName>({buffer.address(), 64, 0}).out.status, kNoResources);
  EXPECT_EQ(client->call<ProgramRoute>({}).out.status, kNoResources);
  EXPECT_EQ(client->call<ResetTerminal>({}).out.status, kNoResources);
  EXPECT_EQ(client->call<CalculateResetTerminal>({}).out.status, kNoResources);
  // Releasing what one does not hold is no error.
  EXPECT_EQ(client->call<UnprogramRoute>({}).out.status, 0);
  EXPECT_EQ(client->call<UnreserveRoute>({}).out.status, 0);
  EXPECT_EQ(client->call<DestroyRoute>({}).out.status, 0);
}

}  // namespace
