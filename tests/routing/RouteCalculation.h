// A route calculation as tests look at it: the routes by terminal ids,
// converted and released again, and whether anything was left allocated.
#ifndef VL9738K_TESTS_ROUTING_ROUTECALCULATION_H
#define VL9738K_TESTS_ROUTING_ROUTECALCULATION_H

#include <gtest/gtest.h>

#include <ostream>
#include <utility>
#include <vector>

#include "TopographyTables.h"

namespace vltest::routing {

struct RouteView {
  uint32_t source;
  std::vector<uint32_t> hops;  // terminal ids reached, source excluded
  uint32_t cost;
  bool inverted;
  std::vector<std::pair<bool, uint32_t>> groupResets;  // {has an edge, member id}
  bool operator==(const RouteView&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const RouteView& route) {
  out << "T" << route.source;
  for (uint32_t hop : route.hops) out << "->T" << hop;
  out << " cost " << route.cost << (route.inverted ? " inverted" : "");
  for (const auto& [hasEdge, member] : route.groupResets) out << " reset{" << hasEdge << ",T" << member << "}";
  return out;
}

struct Outcome {
  uint32_t result = 0;
  int64_t code = 0;
  std::vector<RouteView> routes;
};

inline RouteView viewOf(const vlark::Route& route) {
  RouteView view{route.source->terminal->id, {}, route.cost, route.inverted != 0, {}};
  for (uint32_t s = 0; s < route.segmentCount; ++s) view.hops.push_back(route.segments[s].node->terminal->id);
  for (uint32_t g = 0; g < route.groupResetCount; ++g) {
    view.groupResets.emplace_back(route.groupResets[g].edge != nullptr, route.groupResets[g].node->terminal->id);
  }
  return view;
}

inline Outcome calculate(TopographyUnderTest& t, const std::vector<vlark::RouteCalculationSeedBase>& seeds,
                         const std::vector<uint32_t>& destinations, uint32_t flags = 0,
                         vlark::SeedFilter filter = nullptr) {
  Outcome outcome;
  nVLAPALS100::tStatus status;
  vlark::Route** routes = nullptr;
  uint32_t count = 0;
  outcome.result =
      t.topography().calculateRoute(7, seeds.data(), static_cast<uint32_t>(seeds.size()), filter, destinations.data(),
                                    static_cast<uint32_t>(destinations.size()), flags, routes, count, status);
  outcome.code = status.getCode();
  for (uint32_t i = 0; i < count; ++i) {
    EXPECT_EQ(routes[i]->owner, 7u);
    EXPECT_EQ(routes[i]->state, vlark::kRouteStateCalculated);
    outcome.routes.push_back(viewOf(*routes[i]));
  }
  t.topography().destroyRouteArray(routes, count);
  EXPECT_EQ(t.allocator().live, 0) << "a calculation leaves nothing allocated once its routes are destroyed";
  return outcome;
}

inline vlark::RouteCalculationSeedBase seed(uint32_t id, uint32_t cost = 0, uint8_t constraint = 0) {
  return vlark::RouteCalculationSeedBase{id, cost, constraint, {}};
}

}  // namespace vltest::routing

#endif
