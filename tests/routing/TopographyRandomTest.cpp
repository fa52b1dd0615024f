// Seeded random graphs: without flags, groups, inverting edges or a
// predicate, every route costs what a textbook Dijkstra search says and
// follows real edges from a seed.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <queue>
#include <random>

#include "RouteCalculation.h"

namespace vltest::routing {
namespace {

std::vector<uint64_t> textbookDistances(uint32_t terminals, const std::vector<EdgeRow>& edges,
                                        const std::vector<vlark::RouteCalculationSeedBase>& seeds) {
  std::vector<uint64_t> distance(terminals + 1, UINT64_MAX);
  using Entry = std::pair<uint64_t, uint32_t>;
  std::priority_queue<Entry, std::vector<Entry>, std::greater<>> open;
  for (const auto& s : seeds) {
    distance[s.terminalId] = std::min<uint64_t>(distance[s.terminalId], s.initialCost);
    open.emplace(distance[s.terminalId], s.terminalId);
  }
  while (!open.empty()) {
    const auto [d, at] = open.top();
    open.pop();
    if (d != distance[at]) continue;
    for (const EdgeRow& e : edges) {
      if (e.from == at && d + e.cost < distance[e.to]) open.emplace(distance[e.to] = d + e.cost, e.to);
    }
  }
  return distance;
}

TEST(TopographyRandomTest, CostsEqualATextbookSearch) {
  const uint32_t base = ::testing::UnitTest::GetInstance()->random_seed();
  RecordProperty("seed", static_cast<int>(base));
  for (uint32_t round = 0; round < 40; ++round) {
    const uint32_t seedValue = base * 1000 + round;
    SCOPED_TRACE(::testing::Message() << "seed " << seedValue);
    std::mt19937 random(seedValue);
    auto below = [&](uint32_t n) { return static_cast<uint32_t>(random() % n); };
    const uint32_t terminals = 5 + below(40);
    std::vector<EdgeRow> edges;
    for (uint32_t i = below(terminals * 4); i > 0; --i)
      edges.push_back({1 + below(terminals), 1 + below(terminals), below(20)});
    std::vector<uint32_t> ids(terminals);
    std::iota(ids.begin(), ids.end(), 1u);
    std::shuffle(ids.begin(), ids.end(), random);
    std::vector<vlark::RouteCalculationSeedBase> seeds;
    for (uint32_t i = 0, n = 1 + below(3); i < n; ++i) seeds.push_back(seed(ids[i], below(10)));
    std::shuffle(ids.begin(), ids.end(), random);
    const std::vector<uint32_t> destinations(ids.begin(), ids.begin() + 1 + below(4));

    TopographyUnderTest t(std::make_unique<TopographyTables>(std::vector<TerminalRow>(terminals), edges));
    const Outcome outcome = calculate(t, seeds, destinations);
    const std::vector<uint64_t> expected = textbookDistances(terminals, edges, seeds);
    std::map<uint32_t, uint64_t> reached;
    for (uint32_t id : destinations) {
      if (expected[id] != UINT64_MAX) reached[id] = expected[id];
    }
    ASSERT_EQ(outcome.code, 0);
    EXPECT_EQ(outcome.result, reached.empty() ? 1u : 0u);
    std::map<uint32_t, uint64_t> found;
    for (const RouteView& route : outcome.routes) {
      found[route.hops.empty() ? route.source : route.hops.back()] = route.cost;
      if (route.hops.empty()) continue;
      // The path itself: real edges from a seed, adding up to the cost.
      uint64_t cost = 0;
      for (const auto& s : seeds) cost = s.terminalId == route.source ? s.initialCost : cost;
      uint32_t at = route.source;
      for (uint32_t hop : route.hops) {
        uint64_t cheapest = UINT64_MAX;
        for (const EdgeRow& e : edges)
          cheapest = e.from == at && e.to == hop ? std::min<uint64_t>(cheapest, e.cost) : cheapest;
        ASSERT_NE(cheapest, UINT64_MAX) << route;
        cost += cheapest;
        at = hop;
      }
      EXPECT_EQ(cost, route.cost) << route;
    }
    EXPECT_EQ(found, reached);
  }
}

}  // namespace
}  // namespace vltest::routing
