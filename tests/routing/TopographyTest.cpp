// Route calculation over small tables: cheapest paths, ties, flags, use
// counts, exclusive groups, refused ids and allocation failures.
#include <gtest/gtest.h>

#include "RouteCalculation.h"
#include "driver/routing/RoutingStatusCodes.h"
#include "driver/routing/Topography.h"
#include "sim/kernel/Memory.h"

namespace vltest::routing {
namespace {

using vlark::kTerminalEndpointOnly;
using vlark::kTerminalExclusiveUse;
using vlark::RouteCalculationSeedBase;

struct Vector {
  const char* name;
  std::vector<TerminalRow> terminals;
  std::vector<EdgeRow> edges;
  std::vector<std::vector<uint32_t>> groups;
  std::vector<RouteCalculationSeedBase> seeds;
  std::vector<uint32_t> destinations;
  uint32_t result;
  std::vector<RouteView> routes;
};

void PrintTo(const Vector& v, std::ostream* out) { *out << v.name; }

class RouteVectorTest : public ::testing::TestWithParam<Vector> {};

TEST_P(RouteVectorTest, YieldsTheExpectedRoutes) {
  const Vector& v = GetParam();
  TopographyUnderTest t(std::make_unique<TopographyTables>(v.terminals, v.edges, v.groups));
  const Outcome outcome = calculate(t, v.seeds, v.destinations);
  EXPECT_EQ(outcome.code, 0);
  EXPECT_EQ(outcome.result, v.result);
  EXPECT_EQ(outcome.routes, v.routes);
}

const std::vector<TerminalRow> kFour(4);

INSTANTIATE_TEST_SUITE_P(Topography, RouteVectorTest,
                         ::testing::Values(Vector{"CheapestOfSeveralPaths",
                                                  kFour,
                                                  {{1, 2, 5}, {1, 3, 2}, {3, 2, 1}, {2, 4, 1}, {3, 4, 10}},
                                                  {},
                                                  {seed(1)},
                                                  {4},
                                                  0,
                                                  {{1, {3, 2, 4}, 4, false, {}}}},
                                           Vector{"LatestRelaxedWinsTies",
                                                  kFour,
                                                  {{1, 2, 1}, {1, 3, 1}, {2, 4, 1}, {3, 4, 1}},
                                                  {},
                                                  {seed(1)},
                                                  {4},
                                                  0,
                                                  {{1, {3, 4}, 2, false, {}}}},
                                           Vector{"EndpointOnlyIsNoHop",
                                                  {{}, {kTerminalEndpointOnly}, {}},
                                                  {{1, 2, 1}, {2, 3, 1}, {1, 3, 5}},
                                                  {},
                                                  {seed(1)},
                                                  {3},
                                                  0,
                                                  {{1, {3}, 5, false, {}}}},
                                           Vector{"InvertingParallelEdgeGivesAlternative",
                                                  {{}, {}, {}},
                                                  {{1, 2, 1}, {1, 2, 3, 1}, {2, 3, 1}},
                                                  {},
                                                  {seed(1)},
                                                  {3},
                                                  0,
                                                  {{1, {2, 3}, 2, false, {}}, {1, {2, 3}, 4, true, {}}}},
                                           Vector{"CheaperGroupMemberReplacesRequested",
                                                  {{}, {}, {0, 1}, {0, 1}},
                                                  {{1, 3, 5}, {1, 4, 2}},
                                                  {{3, 4}},
                                                  {seed(1)},
                                                  {3},
                                                  0,
                                                  {{1, {4}, 2, false, {{false, 3}}}}},
                                           Vector{"CheaperTotalOverSeeds",
                                                  {{}, {}, {}},
                                                  {{1, 3, 1}, {2, 3, 5}},
                                                  {},
                                                  {seed(1, 10), seed(2, 0)},
                                                  {3},
                                                  0,
                                                  {{2, {3}, 5, false, {}}}},
                                           Vector{"WrappingSumIsNoPath",
                                                  {{}, {}, {}},
                                                  {{1, 2, 0x20}, {2, 1, 1}, {2, 3, 1}},
                                                  {},
                                                  {seed(1, 0xFFFFFFF0)},
                                                  {3},
                                                  1,
                                                  {}},
                                           Vector{"SeedAsDestinationHasNoSegments",
                                                  {{}, {}},
                                                  {{1, 2, 1}, {1, 2, 2, 1}},
                                                  {},
                                                  {seed(1, 9)},
                                                  {1},
                                                  0,
                                                  {{1, {}, 9, false, {}}}},
                                           Vector{"EqualCostDestinationsBothBuilt",
                                                  {{}, {}, {}},
                                                  {{1, 2, 1}, {1, 3, 1}},
                                                  {},
                                                  {seed(1)},
                                                  {3, 2},
                                                  0,
                                                  {{1, {2}, 1, false, {}}, {1, {3}, 1, false, {}}}},
                                           Vector{"UnreachableDestinationDropped",
                                                  {{}, {}, {}},
                                                  {{1, 2, 1}},
                                                  {},
                                                  {seed(1)},
                                                  {3, 2},
                                                  0,
                                                  {{1, {2}, 1, false, {}}}},
                                           Vector{"EarlierGroupRouteKeptOnEqualCost",
                                                  {{}, {0, 1}, {0, 1}},
                                                  {{1, 2, 3}, {1, 3, 3}},
                                                  {{2, 3}},
                                                  {seed(1)},
                                                  {3},
                                                  0,
                                                  {{1, {2}, 3, false, {{false, 3}}}}},
                                           Vector{
                                               "NothingReachable", {{}, {}}, {{2, 1, 1}}, {}, {seed(1)}, {2}, 1, {}}),
                         [](const auto& info) { return std::string(info.param.name); });

class TopographyTest : public ::testing::Test {
 protected:
  // T1 -> T2 -> T3 (cost 1 each) beside a direct T1 -> T3 (cost 5).
  TopographyUnderTest t{std::make_unique<TopographyTables>(std::vector<TerminalRow>(3),
                                                           std::vector<EdgeRow>{{1, 2, 1}, {2, 3, 1}, {1, 3, 5}})};
};

TEST_F(TopographyTest, RefusesUnknownTerminalIds) {
  for (uint32_t id : {0u, 4u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(id);
    Outcome outcome = calculate(t, {seed(id)}, {3});
    EXPECT_EQ(outcome.code, nVLAPALS100::kStatusInvalidParameter);
    EXPECT_TRUE(outcome.routes.empty());
    outcome = calculate(t, {seed(1)}, {3, id});
    EXPECT_EQ(outcome.code, nVLAPALS100::kStatusInvalidParameter);
    EXPECT_TRUE(outcome.routes.empty());
    EXPECT_EQ(t.topography().getTerminalForID(id), t.topography().nodesEnd());
  }
}

TEST_F(TopographyTest, NeedsSeedsButNotDestinations) {
  EXPECT_EQ(calculate(t, {}, {3}).code, nVLAPALS100::kStatusInvalidParameter);
  const Outcome none = calculate(t, {seed(1)}, {});
  EXPECT_EQ(none.code, 0);
  EXPECT_EQ(none.result, 0u);
  EXPECT_TRUE(none.routes.empty());
  // A filter that admits no seed: nothing searched, nothing reported.
  const Outcome filtered = calculate(t, {seed(1)}, {3}, 0, vlark::seedHasInversionConstraint);
  EXPECT_EQ(filtered.result, 0u);
  EXPECT_TRUE(filtered.routes.empty());
}

TEST_F(TopographyTest, UnavailableEdgesAreAvoidedUnlessAllowed) {
  t.edge(0).available = 0;
  EXPECT_EQ(calculate(t, {seed(1)}, {3}).routes, (std::vector<RouteView>{{1, {3}, 5, false, {}}}));
  EXPECT_EQ(calculate(t, {seed(1)}, {3}, vlark::kUseUnavailableEdges).routes,
            (std::vector<RouteView>{{1, {2, 3}, 2, false, {}}}));
}

TEST_F(TopographyTest, PredicateRefusesHops) {
  struct RefuseThroughT2 : vlark::RouteCalculationPredicateInterface {
    bool mayUseEdge(const vlark::TerminalNode& current, const vlark::EdgeState&, const vlark::TerminalNode&) override {
      return current.terminal->id != 2;
    }
  } predicate;
  t.topography().setPredicate(&predicate);
  EXPECT_EQ(calculate(t, {seed(1)}, {3}).routes, (std::vector<RouteView>{{1, {3}, 5, false, {}}}));
}

TEST(TopographyUseTest, ExclusiveUseTerminalsInUseAreSkipped) {
  // T1 exclusive source, T3 exclusive destination, T4 a second source.
  TopographyUnderTest t(std::make_unique<TopographyTables>(
      std::vector<TerminalRow>{{kTerminalExclusiveUse}, {}, {kTerminalExclusiveUse}, {}},
      std::vector<EdgeRow>{{1, 3, 1}, {2, 1, 1}, {3, 2, 1}, {4, 3, 7}}));
  t.edge(1).useCount = 1;  // T2 -> T1 drives T1
  EXPECT_EQ(calculate(t, {seed(1)}, {3}).routes, std::vector<RouteView>{});
  EXPECT_EQ(calculate(t, {seed(1), seed(4)}, {3}).routes, (std::vector<RouteView>{{4, {3}, 7, false, {}}}));
  t.edge(1).useCount = 0;
  t.edge(2).useCount = 1;  // T3 -> T2: T3 already drives something
  const Outcome outcome = calculate(t, {seed(1)}, {3});
  EXPECT_EQ(outcome.result, 0u);
  EXPECT_TRUE(outcome.routes.empty());
}

TEST(TopographyUseTest, EdgeInUseGetsNoAlternative) {
  TopographyUnderTest t(
      std::make_unique<TopographyTables>(std::vector<TerminalRow>(2), std::vector<EdgeRow>{{1, 2, 1}, {1, 2, 3, 1}}));
  t.edge(0).useCount = 1;
  EXPECT_EQ(calculate(t, {seed(1)}, {2}).routes, (std::vector<RouteView>{{1, {2}, 1, false, {}}}));
}

TEST(TopographyAllocationTest, EveryRefusedAllocationFailsTheCallAndReleasesAll) {
  TopographyUnderTest t(std::make_unique<TopographyTables>(
      std::vector<TerminalRow>{{}, {}, {0, 1}, {0, 1}},
      std::vector<EdgeRow>{{1, 2, 1}, {1, 2, 2, 1}, {2, 3, 1}, {2, 4, 1}}, std::vector<std::vector<uint32_t>>{{3, 4}}));
  calculate(t, {seed(1)}, {3, 2});
  const int64_t requests = t.allocator().requests;
  ASSERT_GT(requests, 4);
  for (int64_t n = 0; n < requests; ++n) {
    SCOPED_TRACE(n);
    t.allocator() = HostAllocator{0, 0, n};
    const Outcome outcome = calculate(t, {seed(1)}, {3, 2});
    EXPECT_TRUE(outcome.code == nVLAPALS100::kStatusOutOfMemory || outcome.code == nVLAPALS100::kStatusLookupFailure);
    EXPECT_TRUE(outcome.routes.empty());
  }
  t.topography().setAllocators(nullptr, nullptr, &HostAllocator::resize, &t.allocator());
  t.allocator() = HostAllocator{};
  EXPECT_EQ(calculate(t, {seed(1)}, {3}).code, nVLAPALS100::kStatusLookupFailure);
}

TEST(TopographyAllocationTest, CalculationAllocatesOnlyThroughItsAllocators) {
  TopographyUnderTest t(
      std::make_unique<TopographyTables>(std::vector<TerminalRow>(3), std::vector<EdgeRow>{{1, 2, 1}, {2, 3, 1}}));
  const uint64_t kernelCalls = sim::Memory::allocationFaults().calls();
  const vlark::RouteCalculationSeedBase seeds[] = {seed(1)};
  const uint32_t destination = 3;
  vlark::Route** routes = nullptr;
  uint32_t count = 0;
  nVLAPALS100::tStatus status;
  t.topography().calculateRoute(0, seeds, 1, nullptr, &destination, 1, 0, routes, count, status);
  EXPECT_EQ(sim::Memory::allocationFaults().calls(), kernelCalls);
  EXPECT_EQ(t.allocator().requests, 3) << "the result array, the route and its path";
  t.topography().destroyRouteArray(routes, count);
  EXPECT_EQ(t.allocator().live, 0);
}

TEST(TopographyInitTest, RefusesTablesThatLeadOutside) {
  TopographyTables tables(std::vector<TerminalRow>(2), std::vector<EdgeRow>{{1, 2, 1}});
  vlark::TopographyDescriptor broken = *tables.descriptor();
  std::vector<vlark::Edge> edges(broken.edges, broken.edges + 1);
  edges[0].target = 2;
  broken.edges = edges.data();
  std::vector<vlark::TerminalNode> nodes(2);
  std::vector<vlark::EdgeState> states(1);
  std::vector<vlark::OpenSetEntry> slots(2);
  vlark::Topography<vlark::Terminal*, vlark::Edge*> topography;
  nVLAPALS100::tStatus status;
  topography.init(&broken, nodes.data(), states.data(), slots.data(), nullptr, status);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_EQ(topography.nodeCount(), 0u);
}

}  // namespace
}  // namespace vltest::routing
