// Seeded random graphs: without flags, groups, inverting edges or a
// predicate, every route costs what a textbook Dijkstra search says.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <queue>
#include <random>
#include <tuple>

#include "RouteCalculation.h"

namespace vltest::routing {
namespace {

using Edge = std::tuple<uint32_t, uint32_t, uint32_t>;  // from, to, cost

std::map<uint32_t, uint32_t> textbookCosts(uint32_t terminals, const std::vector<Edge>& edges,
                                           const std::vector<vlark::RouteCalculationSeedBase>& seeds,
                                           const std::vector<uint32_t>& destinations) {
  std::vector<uint64_t> distance(terminals + 1, UINT64_MAX);
  std::priority_queue<std::pair<uint64_t, uint32_t>, std::vector<std::pair<uint64_t, uint32_t>>, std::greater<>> open;
  for (const auto& s : seeds) open.emplace(distance[s.terminalId] = s.initialCost, s.terminalId);
  while (!open.empty()) {
    const auto [d, at] = open.top();
    open.pop();
    for (const auto& [from, to, cost] : edges) {
      if (d == distance[at] && from == at && d + cost < distance[to]) open.emplace(distance[to] = d + cost, to);
    }
  }
  std::map<uint32_t, uint32_t> costs;
  for (uint32_t id : destinations) {
    if (distance[id] != UINT64_MAX) costs[id] = static_cast<uint32_t>(distance[id]);
  }
  return costs;
}

TEST(TopographyRandomTest, CostsEqualATextbookSearch) {
  const uint32_t base = ::testing::UnitTest::GetInstance()->random_seed();
  RecordProperty("seed", static_cast<int>(base));
  for (uint32_t round = 0; round < 40; ++round) {
    SCOPED_TRACE(::testing::Message() << "seed " << base << " round " << round);
    std::mt19937 random(base * 1000 + round);
    auto below = [&](uint32_t n) { return static_cast<uint32_t>(random() % n); };
    const uint32_t terminals = 5 + below(40);
    std::vector<Edge> edges;
    std::ostringstream text;
    text << 'n' << terminals;
    for (uint32_t i = below(terminals * 4); i > 0; --i) {
      const Edge& e = edges.emplace_back(1 + below(terminals), 1 + below(terminals), below(20));
      text << ' ' << std::get<0>(e) << '>' << std::get<1>(e) << ':' << std::get<2>(e);
    }
    std::vector<uint32_t> ids(terminals);
    std::iota(ids.begin(), ids.end(), 1u);
    std::shuffle(ids.begin(), ids.end(), random);
    std::vector<vlark::RouteCalculationSeedBase> seeds;
    for (uint32_t i = 0, n = 1 + below(3); i < n; ++i) seeds.push_back(seed(ids[i], below(10)));
    std::shuffle(ids.begin(), ids.end(), random);
    const std::vector<uint32_t> destinations(ids.begin(), ids.begin() + 1 + below(4));

    TopographyUnderTest t(text.str());
    const Outcome outcome = calculate(t, seeds, destinations);
    const auto expected = textbookCosts(terminals, edges, seeds, destinations);
    ASSERT_EQ(outcome.code, 0);
    EXPECT_EQ(outcome.result, expected.empty() ? 1u : 0u);
    std::map<uint32_t, uint32_t> found;
    std::istringstream routes(outcome.routes);
    for (std::string route; routes >> route;) {
      // "...>destination=cost": the destination ends the path.
      const size_t end = route.find('='), start = route.find_last_of('>', end);
      found[std::stoul(route.substr(start == std::string::npos ? 0 : start + 1))] = std::stoul(route.substr(end + 1));
    }
    EXPECT_EQ(found, expected) << outcome.routes;
  }
}

}  // namespace
}  // namespace vltest::routing
