// The route database over small tables: the life of routes with their use,
// programmed and availability counts, refusals with their conflict lists,
// the two calculation passes, ids across the counter's wrap.
#include <gtest/gtest.h>

#include "RoutingResourcesFixture.h"
#include "driver/routing/RoutingStatusCodes.h"
#include "sim/kernel/Memory.h"
#include "tests/support/StatusChecks.h"

namespace vltest::routing {
namespace {

using nVLAPALS100::kStatusInvalidParameter;
using Written = std::vector<uint32_t>;

// Edges by index: T1 -> T3, T4, T5 (each its target's first, default
// input), T2 -> T3, T3 -> T4, T3 -> T5; T5 keeps its input when released.
class FanOutTest : public ::testing::Test {
 protected:
  ResourcesUnderTest r{"k5 1>3:0d 1>4:0d 1>5:0d 2>3:1 3>4:1 3>5:1"};
};

TEST_F(FanOutTest, SharedEdgeIsCountedWrittenOnceAndReleasedWithItsLastRoute) {
  const uint32_t toT4 = r.route(2, 4);
  const uint32_t toT5 = r.route(2, 5);
  ASSERT_EQ(r.reserve(toT4), 0);
  ASSERT_EQ(r.reserve(toT5), 0) << "two routes from one source may share an edge";
  EXPECT_EQ(r.edge(3).useCount, 2u);
  EXPECT_EQ(r.edge(0).available, 0) << "T3's other input is shut while one is in use";
  EXPECT_EQ(r.edge(1).available, 0);
  EXPECT_EQ(r.edge(3).available, 1);

  ASSERT_EQ(r.program(toT4), 0);
  ASSERT_EQ(r.program(toT5), 0);
  EXPECT_EQ(r.programmer.take(), (Written{3, 4, 5}));
  EXPECT_EQ(r.edge(3).programmedCount, 2u);
  EXPECT_EQ(r->getRouteState(toT5), vlark::kRouteStateProgrammed);

  r->unprogramRoute(toT4);
  EXPECT_EQ(r.programmer.take(), (Written{1})) << "only T4 goes back to its reset input";
  r->unprogramRoute(toT4);
  EXPECT_TRUE(r.programmer.take().empty()) << "unprogramming twice releases nothing twice";
  r->unreserveRoute(toT4);
  EXPECT_EQ(r->getRouteState(toT4), vlark::kRouteStateCalculated);
  EXPECT_EQ(r.edge(3).useCount, 1u);
  EXPECT_EQ(r.edge(0).available, 0) << "the other route still holds T3's input";
  EXPECT_EQ(r.edge(1).available, 1);

  r->destroyRoute(toT5);
  EXPECT_EQ(r.programmer.take(), (Written{0})) << "T5 keeps its input; T3 is reset with its last route";
  EXPECT_EQ(r->getRouteState(toT5), 0u);
  EXPECT_EQ(r.edge(3).useCount, 0u);
  EXPECT_EQ(r.edge(3).programmedCount, 0u);
  EXPECT_EQ(r.edge(0).available, 1);
  EXPECT_EQ(r.programmer.begins, r.programmer.ends);
}

TEST_F(FanOutTest, StatesAreEnforcedAndUnknownIdsRefused) {
  const uint32_t id = r.route(2, 4);
  EXPECT_EQ(r.program(id), kStatusInvalidParameter) << "a route is reserved before it is programmed";
  EXPECT_EQ(r.reserve(id), 0);
  EXPECT_EQ(r.reserve(id), kStatusInvalidParameter);
  EXPECT_EQ(r.program(0), kStatusInvalidParameter);
  EXPECT_TRUE(r.programmer.take().empty());
  r.programmer.recording = true;
  EXPECT_EQ(r.program(id), 0);
  EXPECT_EQ(r->getRouteState(id), vlark::kRouteStateReserved) << "a recorded program leaves it reserved";
}

TEST_F(FanOutTest, DestructorTakesProgrammedRoutesOutOfTheHardware) {
  const uint32_t id = r.route(2, 4);
  r.reserve(id);
  r.program(id);
  r.programmer.take();
  r.destroy();
  EXPECT_EQ(r.programmer.take(), (Written{1, 0}));
}

// T2 is exclusive: nothing may drive it while it drives, and the reverse.
TEST(RouteConflictTest, ExclusiveTerminalIsNeitherDrivenWhileDrivingNorDrivingWhileDriven) {
  for (const bool drivingFirst : {true, false}) {
    ResourcesUnderTest r{"x2 1>2:1 2>3:1"};
    const uint32_t driving = r.route(2, 3);
    const uint32_t driven = r.route(1, 2);
    ASSERT_EQ(r.reserve(drivingFirst ? driving : driven), 0);
    std::vector<vlark::RouteConflict> conflicts;
    EXPECT_EQ(r.reserve(drivingFirst ? driven : driving, &conflicts), vlark::codes::kRouteConflict);
    ASSERT_EQ(conflicts.size(), 1u);
    EXPECT_EQ(conflicts[0].routeId, drivingFirst ? driving : driven);
  }
}

TEST(RouteProgrammingTest, FailureLeavesNoCountRaisedAndTheNextAttemptWrites) {
  // T3 and T4 are reset through T1's edges 0 and 1.
  ResourcesUnderTest r{"1>3:0d 1>4:0d 2>3:1 3>4:1"};
  const uint32_t id = r.route(2, 4);
  ASSERT_EQ(r.reserve(id), 0);
  r.programmer.refuseAt = 1;
  EXPECT_EQ(r.program(id), -5);
  EXPECT_EQ(r.programmer.take(), (Written{2, 0})) << "the written edge is taken back out";
  EXPECT_EQ(r.edge(2).programmedCount, 0u);
  EXPECT_EQ(r.edge(3).programmedCount, 0u);
  EXPECT_EQ(r->getRouteState(id), vlark::kRouteStateReserved);
  EXPECT_EQ(r.program(id), 0);
  EXPECT_EQ(r.programmer.take(), (Written{2, 3}));
  EXPECT_EQ(r.programmer.begins, r.programmer.ends);
}

TEST(RouteProgrammingTest, ResetOfAllTerminalsGoesOnPastOneInUse) {
  ResourcesUnderTest r{"1>2:0d 1>3:0d 4>2:1"};
  ASSERT_EQ(r.reserve(r.route(4, 2)), 0);
  EXPECT_EQ(codeAfter([&](nVLAPALS100::tStatus& s) { r->resetAllTerminalsToDefault(s); }),
            vlark::codes::kTerminalInUse);
  EXPECT_EQ(r.programmer.take(), (Written{1}));
}

TEST(RouteIdTest, WrappedCounterStepsOverHeldIdsAndZero) {
  ResourcesUnderTest r{"1>2:0d"};
  auto resetRoute = [&] {
    nVLAPALS100::tStatus status;
    const uint32_t id = r->calculateResetTerminal(3, 2, 1, status);
    EXPECT_EQ(status.getCode(), 0);
    return id;
  };
  r->database().setNextId(0xFFFFFFFFu);
  EXPECT_EQ(resetRoute(), 0xFFFFFFFFu);
  EXPECT_EQ(resetRoute(), 1u);
  r->database().setNextId(0xFFFFFFFEu);
  EXPECT_EQ(resetRoute(), 0xFFFFFFFEu);
  EXPECT_EQ(resetRoute(), 2u) << "0xFFFFFFFF and 1 are held, 0 is no id";
  EXPECT_EQ(r->database().size(), 4u);
}

TEST(RouteCalculationPassesTest, DearerOfEachPairIsDroppedAndRecordsAreWhole) {
  // Pass one: 1>2 at 1, inverted 1>2 at 3; pass two flips both, so each
  // polarity has one route at cost 1 left.
  ResourcesUnderTest r{"1>2:1 1>2:3i"};
  nVLAPALS100::tStatus status;
  const auto records = r.calculate({{1, 0, 0, {}}, {1, 0, 1, {}}}, {2}, status);
  EXPECT_EQ(status.getCode(), 0);
  ASSERT_EQ(records.size(), 2u) << "a buffer of no capacity is grown";
  for (uint32_t i = 0; i < 2; ++i) {
    EXPECT_EQ(records[i].destinationTerminalId, 2u);
    EXPECT_EQ(records[i].cost, 1u);
    EXPECT_EQ(records[i].inverted, i);
    EXPECT_EQ(records[i].seedIndex, static_cast<int32_t>(i));
    EXPECT_EQ(std::vector<uint8_t>(records[i].padding, records[i].padding + 3), std::vector<uint8_t>(3, 0));
  }
  EXPECT_EQ(r->database().size(), 2u);
}

TEST(RouteCalculationPassesTest, UnreachableOrUnknownLeavesTheDatabaseEmpty) {
  ResourcesUnderTest r{"1>2:1 3>4:1"};
  nVLAPALS100::tStatus status;
  uint32_t result = 0;
  EXPECT_TRUE(r.calculate({{1, 0, 0, {}}}, {4}, status, &result).empty());
  EXPECT_EQ(result, 1u);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_TRUE(r.calculate({{1, 0, 0, {}}}, {2, 99}, status, &result).empty());
  EXPECT_EQ(status.getCode(), kStatusInvalidParameter);
  EXPECT_EQ(r->database().size(), 0u);
}

TEST(GrowOnlyArenaTest, CarvesAlignedBlocksAndFreesEveryChunkAtOnce) {
  const int64_t before = sim::Memory::outstandingBlocks();
  {
    vlark::GrowOnlyArena arena(vlark::kReservationChunkSize);
    auto* first = static_cast<uint8_t*>(vlark::growOnlyHeapResizeFn(nullptr, 5, &arena));
    auto* second = static_cast<uint8_t*>(vlark::growOnlyHeapResizeFn(first, 3, &arena));
    EXPECT_EQ(second - first, 8) << "blocks are 8-aligned and never reused";
    EXPECT_NE(vlark::growOnlyHeapResizeFn(nullptr, 4096, &arena), nullptr) << "a large block gets a chunk of its own";
    EXPECT_EQ(arena.chunks(), 2u);
    EXPECT_EQ(arena.liveAllocations(), 2u);
    EXPECT_EQ(sim::Memory::outstandingBlocks(), before + 2);
  }
  EXPECT_EQ(sim::Memory::outstandingBlocks(), before);
}

}  // namespace
}  // namespace vltest::routing
