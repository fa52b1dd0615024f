// Working state of a topography and the records a route calculation
// produces: one node per terminal, one state per edge, path segments and
// routes, and the seeds user mode passes in.
#ifndef VL9738K_ROUTING_ROUTETYPES_H
#define VL9738K_ROUTING_ROUTETYPES_H

#include <stdint.h>

#include "TopographyTables.h"

namespace vlark {

struct EdgeState;

inline constexpr uint32_t kInfiniteCost = 0xFFFFFFFFu;
inline constexpr uint32_t kNotInOpenSet = 0xFFFFFFFFu;

struct TerminalNode {
  const Terminal* terminal;
  uint32_t openSlot;  // place in the open set, kNotInOpenSet when out of it
  TerminalNode* predecessor;
  EdgeState* predecessorEdge;  // the edge by which the best path arrives
  uint32_t cost;
  uint8_t isSeed;
  uint8_t isDestination;
};

struct EdgeState {
  const Edge* edge;
  uint32_t useCount;         // reserved or programmed routes holding the edge
  uint32_t programmedCount;  // programmed routes holding it
  uint8_t available;         // 0 while another edge into the same terminal is in use
};

// The seed of a calculation, 12 bytes as user mode passes it.
struct RouteCalculationSeedBase {
  uint32_t terminalId;
  uint32_t initialCost;
  uint8_t inversionConstraint;  // 1: the signal at this source is taken inverted
  uint8_t padding[3];
};
static_assert(sizeof(RouteCalculationSeedBase) == 12, "user mode passes 12-byte seeds");

inline bool seedDoesNotHaveInversionConstraint(const RouteCalculationSeedBase& seed) {
  return seed.inversionConstraint == 0;
}
inline bool seedHasInversionConstraint(const RouteCalculationSeedBase& seed) { return seed.inversionConstraint != 0; }

using SeedFilter = bool (*)(const RouteCalculationSeedBase& seed);

// Blocks of a calculation come from a function of this form: a new block of
// `size` bytes (contents not kept) or null; size 0 only releases `oldBlock`.
using ResizeFn = void* (*)(void* oldBlock, uint64_t size, void* context);

// Lets the owner of a topography forbid single hops of a search.
class RouteCalculationPredicateInterface {
 public:
  virtual bool mayUseEdge(const TerminalNode& current, const EdgeState& edge, const TerminalNode& target) = 0;

 protected:
  ~RouteCalculationPredicateInterface() = default;
};

inline constexpr uint32_t kRouteStateCalculated = 100;
inline constexpr uint32_t kRouteStateReserved = 200;
inline constexpr uint32_t kRouteStateProgrammed = 300;

}  // namespace vlark

namespace vlgta {

template <typename tTerminal, typename tEdge>
struct PathSegment;

// One hop of a path: the edge taken and the node it reaches. A group-reset
// entry has the same form and may hold no edge.
template <>
struct PathSegment<vlark::Terminal, vlark::Edge> {
  vlark::EdgeState* edge;
  vlark::TerminalNode* node;
};

}  // namespace vlgta

namespace vlark {

using Segment = vlgta::PathSegment<Terminal, Edge>;
static_assert(sizeof(Segment) == 16, "path buffers are sized at 16 bytes per hop");

// A calculated route before it enters the route database. Zero segments:
// the source is itself the destination.
struct Route {
  TerminalNode* source;
  Segment* segments;
  uint32_t cost;
  uint32_t segmentCount;
  uint64_t owner;
  uint32_t state;
  uint8_t inverted;
  uint32_t groupResetCount;
  Segment* groupResets;  // other members of the groups the route enters
};

inline TerminalNode* destinationOf(const Route& route) {
  return route.segmentCount == 0 ? route.source : route.segments[route.segmentCount - 1].node;
}

}  // namespace vlark

#endif
