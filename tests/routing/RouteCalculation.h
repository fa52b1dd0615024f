// A route calculation as tests look at it: each route as text, converted
// and released again, and whether anything was left allocated.
//
// A route reads "1>3>4=2": source T1 over T3 to T4 at cost 2, then "~" when
// inverted and "[3]" per group-reset entry for T3 ("[3*]" when it holds an
// edge); routes are separated by spaces.
#ifndef VL9738K_TESTS_ROUTING_ROUTECALCULATION_H
#define VL9738K_TESTS_ROUTING_ROUTECALCULATION_H

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "TopographyTables.h"

namespace vltest::routing {

inline std::string describe(const vlark::Route& route) {
  std::ostringstream out;
  out << route.source->terminal->id;
  for (uint32_t s = 0; s < route.segmentCount; ++s) out << '>' << route.segments[s].node->terminal->id;
  out << '=' << route.cost << (route.inverted ? "~" : "");
  for (uint32_t g = 0; g < route.groupResetCount; ++g) {
    out << '[' << route.groupResets[g].node->terminal->id << (route.groupResets[g].edge ? "*" : "") << ']';
  }
  return out.str();
}

struct Outcome {
  uint32_t result = 0;
  int64_t code = 0;
  std::string routes;
};

inline vlark::RouteCalculationSeedBase seed(uint32_t id, uint32_t cost = 0) {
  return vlark::RouteCalculationSeedBase{id, cost, 0, {}};
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
    outcome.routes += (i == 0 ? "" : " ") + describe(*routes[i]);
  }
  t.topography().destroyRouteArray(routes, count);
  EXPECT_EQ(t.allocator().live, 0) << "a calculation leaves nothing allocated once its routes are destroyed";
  return outcome;
}

}  // namespace vltest::routing

#endif
