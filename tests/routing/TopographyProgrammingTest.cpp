// Writing routes and reset edges through a logging route programmer.
#include <gtest/gtest.h>

#include <tuple>

#include "LoggingProgrammer.h"
#include "RouteCalculation.h"
#include "driver/routing/RoutingStatusCodes.h"
#include "tests/support/StatusChecks.h"

namespace vltest::routing {
namespace {

// Edges by index: T1 -> T4 and T1 -> T5 (defaults), T2 -> T3, T3 -> T4,
// T3 -> T5, T6 -> T3 (default, after T3's first input).
class TopographyProgrammingTest : public ::testing::Test {
 protected:
  LoggingProgrammer programmer;
  TopographyUnderTest t{"k5 1>4:0d 1>5:0d 2>3:1 3>4:1 3>5:1 6>3:0d", &programmer};
};

using ResetCase = std::tuple<uint32_t, uint32_t, int64_t, std::vector<uint32_t>>;  // id, mode, code, written
class ResetTerminalTest : public TopographyProgrammingTest, public ::testing::WithParamInterface<ResetCase> {};

TEST_P(ResetTerminalTest, CalculatesAndWritesTheResetEdge) {
  const auto& [id, mode, code, written] = GetParam();
  nVLAPALS100::tStatus status;
  vlark::Route* reset = nullptr;
  t.topography().calculateResetTerminal(9, reset, id, mode, status);
  EXPECT_EQ(status.getCode(), code);
  if (reset != nullptr) {
    EXPECT_EQ(describe(*reset), std::to_string(id) + ">" + std::to_string(id) + "=1");
    EXPECT_EQ(reset->segments[0].edge - t.topography().edgeStates(), written[0]);
    t.topography().destroyRoute(reset);
  }
  EXPECT_EQ(t.allocator().live, 0);
  EXPECT_EQ(codeAfter([&](auto& s) { t.topography().resetTerminal(t.topography().getTerminalForID(id), mode, s); }),
            code);
  EXPECT_EQ(programmer.take(), written);
}

INSTANTIATE_TEST_SUITE_P(Topography, ResetTerminalTest,
                         ::testing::Values(ResetCase{3, 0, 0, {2}}, ResetCase{3, 1, 0, {5}}, ResetCase{4, 1, 0, {0}},
                                           ResetCase{2, 0, vlark::codes::kNoResetEdge, {}},
                                           ResetCase{2, 1, vlark::codes::kNoResetEdge, {}},
                                           ResetCase{3, 2, nVLAPALS100::kStatusInvalidParameter, {}},
                                           ResetCase{0, 0, nVLAPALS100::kStatusInvalidParameter, {}},
                                           ResetCase{99, 1, nVLAPALS100::kStatusInvalidParameter, {}}));

TEST_F(TopographyProgrammingTest, TerminalDrivenByAnEdgeInUseIsNotReset) {
  t.edge(2).useCount = 1;
  EXPECT_EQ(codeAfter([&](auto& s) { t.topography().resetTerminal(t.node(3), 0, s); }), vlark::codes::kTerminalInUse);
  EXPECT_TRUE(programmer.take().empty());

  vlark::EdgeState** found = nullptr;
  uint32_t count = 0;
  nVLAPALS100::tStatus listStatus;
  EXPECT_TRUE(t.topography().isTerminalInUseAsADest(t.node(3), found, count, listStatus));
  EXPECT_FALSE(t.topography().isTerminalInUseAsADest(t.node(4), found, count, listStatus));
  ASSERT_EQ(count, 1u);
  EXPECT_EQ(found[0], &t.edge(2));
  HostAllocator::resize(found, 0, &t.allocator());
}

TEST(TopographyGroupResetTest, GroupMembersOnTheirDefaultAreWrittenAndTheLastOtherIsForced) {
  // T2's first input is its default (edge 1); T3's is T1 -> T3 (edge 0).
  LoggingProgrammer programmer;
  TopographyUnderTest t("g2,3 1>3:1 4>2:0d 4>3:0d", &programmer);
  EXPECT_EQ(codeAfter([&](auto& s) { t.topography().resetTerminal(t.node(2), 1, s); }), 0);
  EXPECT_EQ(programmer.written, (std::vector<uint32_t>{1, 2}));
  EXPECT_EQ(programmer.begins, 1);
  EXPECT_EQ(programmer.ends, 1);
}

}  // namespace
}  // namespace vltest::routing
