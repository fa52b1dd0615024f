// Route calculation over small tables: cheapest paths, ties, flags, use
// counts, exclusive groups, refused ids and allocation failures.
#include <gtest/gtest.h>

#include "RouteCalculation.h"
#include "driver/routing/Topography.h"
#include "sim/kernel/Memory.h"

namespace vltest::routing {
namespace {

using nVLAPALS100::kStatusInvalidParameter;

struct Vector {
  const char* name;
  const char* topography;
  std::vector<vlark::RouteCalculationSeedBase> seeds;
  std::vector<uint32_t> destinations;
  uint32_t result;
  const char* routes;
};

void PrintTo(const Vector& v, std::ostream* out) { *out << v.name; }

class RouteVectorTest : public ::testing::TestWithParam<Vector> {};

TEST_P(RouteVectorTest, YieldsTheExpectedRoutes) {
  const Vector& v = GetParam();
  TopographyUnderTest t(v.topography);
  const Outcome outcome = calculate(t, v.seeds, v.destinations);
  EXPECT_EQ(outcome.code, 0);
  EXPECT_EQ(outcome.result, v.result);
  EXPECT_EQ(outcome.routes, v.routes);
}

INSTANTIATE_TEST_SUITE_P(
    Topography, RouteVectorTest,
    ::testing::Values(
        Vector{"CheapestOfSeveralPaths", "1>2:5 1>3:2 3>2:1 2>4:1 3>4:10", {seed(1)}, {4}, 0, "1>3>2>4=4"},
        // T3 is relaxed after T2 at the same cost, so it is expanded first.
        Vector{"LatestRelaxedWinsTies", "1>2:1 1>3:1 2>4:1 3>4:1", {seed(1)}, {4}, 0, "1>3>4=2"},
        Vector{"EndpointOnlyIsNoHop", "e2 1>2:1 2>3:1 1>3:5", {seed(1)}, {3}, 0, "1>3=5"},
        Vector{"InvertingParallelEdgeGivesAlternative", "1>2:1 1>2:3i 2>3:1", {seed(1)}, {3}, 0, "1>2>3=2 1>2>3=4~"},
        Vector{"CheaperGroupMemberReplacesRequested", "g3,4 1>3:5 1>4:2", {seed(1)}, {3}, 0, "1>4=2[3]"},
        Vector{"EarlierGroupRouteKeptOnEqualCost", "g2,3 1>2:3 1>3:3", {seed(1)}, {3}, 0, "1>2=3[3]"},
        Vector{"GroupResetHoldsTheDefaultEdge", "g2,3 1>2:1 4>3:0d", {seed(1)}, {2}, 0, "1>2=1[3*]"},
        Vector{"WrappingSumIsNoPath", "1>2:32 2>1:1 2>3:1", {seed(1, 0xFFFFFFF0)}, {3}, 1, ""},
        Vector{"WrappingAlternativeIsNotKept", "1>2:1 1>2:20i", {seed(1, 0xFFFFFFF0)}, {2}, 0, "1>2=4294967281"},
        Vector{"SeedAsDestinationHasNoSegments", "1>2:1 1>2:2i", {seed(1, 9)}, {1}, 0, "1=9"}),
    [](const auto& info) { return std::string(info.param.name); });

class TopographyTest : public ::testing::Test {
 protected:
  TopographyUnderTest t{"1>2:1 2>3:1 1>3:5"};
};

TEST_F(TopographyTest, RefusesUnknownTerminalIds) {
  for (uint32_t id : {0u, 4u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(id);
    EXPECT_EQ(calculate(t, {seed(id)}, {3}).code, kStatusInvalidParameter);
    EXPECT_EQ(calculate(t, {seed(1)}, {3, id}).code, kStatusInvalidParameter);
    EXPECT_EQ(t.topography().getTerminalForID(id), t.topography().nodesEnd());
  }
}

TEST_F(TopographyTest, NeedsSeedsButNotDestinations) {
  EXPECT_EQ(calculate(t, {}, {3}).code, kStatusInvalidParameter);
  const Outcome none = calculate(t, {seed(1)}, {});
  EXPECT_EQ(none.code, 0);
  EXPECT_EQ(none.result, 0u);
  // A filter that admits no seed: nothing searched, nothing reported.
  EXPECT_EQ(calculate(t, {seed(1)}, {3}, 0, vlark::seedHasInversionConstraint).result, 0u);
}

TEST_F(TopographyTest, UnavailableEdgesAreAvoidedUnlessAllowedAndThePredicateRefusesHops) {
  t.edge(0).available = 0;
  EXPECT_EQ(calculate(t, {seed(1)}, {3}).routes, "1>3=5");
  EXPECT_EQ(calculate(t, {seed(1)}, {3}, vlark::kUseUnavailableEdges).routes, "1>2>3=2");
  struct RefuseThroughT2 : vlark::RouteCalculationPredicateInterface {
    bool mayUseEdge(const vlark::TerminalNode& current, const vlark::EdgeState&, const vlark::TerminalNode&) override {
      return current.terminal->id != 2;
    }
  } predicate;
  t.topography().setPredicate(&predicate);
  EXPECT_EQ(calculate(t, {seed(1)}, {3}, vlark::kUseUnavailableEdges).routes, "1>3=5");
}

TEST(TopographyUseTest, ExclusiveUseTerminalsInUseAreSkipped) {
  // Edge rows: T1 -> T3, T2 -> T1, T3 -> T2, T4 -> T3.
  TopographyUnderTest t("x1 x3 1>3:1 2>1:1 3>2:1 4>3:7");
  t.edge(1).useCount = 1;  // T1 is driven
  EXPECT_EQ(calculate(t, {seed(1)}, {3}).routes, "");
  EXPECT_EQ(calculate(t, {seed(1), seed(4)}, {3}).routes, "4>3=7");
  t.edge(1).useCount = 0;
  t.edge(2).useCount = 1;  // T3 already drives T2
  const Outcome outcome = calculate(t, {seed(1)}, {3});
  EXPECT_EQ(outcome.result, 0u);
  EXPECT_EQ(outcome.routes, "");
}

TEST(TopographyUseTest, EdgeInUseGetsNoAlternative) {
  TopographyUnderTest t("1>2:1 1>2:3i");
  t.edge(0).useCount = 1;
  EXPECT_EQ(calculate(t, {seed(1)}, {2}).routes, "1>2=1");
}

TEST(TopographyAllocationTest, EveryRefusedAllocationFailsTheCallAndReleasesAll) {
  TopographyUnderTest t("g3,4 1>2:1 1>2:2i 2>3:1 2>4:1");
  calculate(t, {seed(1)}, {3, 2});
  const int64_t requests = t.allocator().requests;
  ASSERT_GT(requests, 4);
  for (int64_t n = 0; n < requests; ++n) {
    t.allocator() = HostAllocator{0, 0, n};
    const Outcome outcome = calculate(t, {seed(1)}, {3, 2});
    EXPECT_TRUE(outcome.code == nVLAPALS100::kStatusOutOfMemory || outcome.code == nVLAPALS100::kStatusLookupFailure)
        << n;
    EXPECT_EQ(outcome.routes, "") << n;
  }
  t.topography().setAllocators(nullptr, nullptr, &HostAllocator::resize, &t.allocator());
  t.allocator() = HostAllocator{};
  EXPECT_EQ(calculate(t, {seed(1)}, {3}).code, nVLAPALS100::kStatusLookupFailure);
}

TEST(TopographyAllocationTest, CalculationAllocatesOnlyThroughItsAllocators) {
  TopographyUnderTest t("1>2:1 2>3:1");
  const uint64_t kernelCalls = sim::Memory::allocationFaults().calls();
  EXPECT_EQ(calculate(t, {seed(1)}, {3}).routes, "1>2>3=2");
  EXPECT_EQ(sim::Memory::allocationFaults().calls(), kernelCalls);
  EXPECT_EQ(t.allocator().requests, 3) << "the result array, the route and its path";
}

}  // namespace
}  // namespace vltest::routing
