// Record layouts of a generated routing topography: terminals (signal points
// user mode names by id) joined by directed edges (one hop through a
// multiplexer, with its cost and the register writes that select it). The
// tables are read-only; the working state of a search lives beside them.
#ifndef VL9738K_ROUTING_TOPOGRAPHYTABLES_H
#define VL9738K_ROUTING_TOPOGRAPHYTABLES_H

#include <stdint.h>

namespace vlark {

enum TerminalFlags : uint8_t {
  // May start or end a route, but no route passes through it.
  kTerminalEndpointOnly = 1u << 0,
  // Refused as source or destination while edges around it are in use.
  kTerminalExclusiveUse = 1u << 1,
  // Left as it is when the last route through it is unprogrammed.
  kTerminalKeepOnUnprogram = 1u << 2,
};

struct Terminal {
  uint32_t id;  // 1-based, unique
  uint32_t programmerSelector;
  uint32_t firstOutgoingEdge;  // a terminal's outgoing edges are contiguous
  uint32_t outgoingEdgeCount;
  uint32_t firstIncomingSlot;  // index into the incoming-edge index table
  uint32_t incomingEdgeCount;
  uint32_t exclusiveGroup;  // 1-based index into the group table, 0 = none
  uint8_t flags;
  uint8_t padding[3];
};

struct Edge {
  uint32_t cost;
  uint32_t target;  // 0-based terminal index; the source owns the edge's range
  uint32_t reserved[3];
  uint32_t firstProgrammingItem;
  uint32_t programmingItemCount;
  uint8_t inverting;
  uint8_t isDefault;  // the target's reset edge
  uint8_t padding[2];
};

// Two words handed unchanged to the route programmer.
struct ProgrammingItem {
  uint32_t word0;
  uint32_t word1;
};

struct ExclusiveGroup {
  const uint32_t* members;  // terminal indices
  uint32_t reserved[2];
  uint32_t memberCount;
  uint32_t secondCount;
};

struct TopographyDescriptor {
  const char* name;
  const Terminal* terminals;
  const Edge* edges;
  const ExclusiveGroup* groups;
  const ProgrammingItem* programmingItems;
  const void* reserved;
  const uint32_t* incomingEdges;  // edge indices, grouped by target
  uint32_t terminalCount;
  uint32_t edgeCount;
  uint32_t groupCount;
  uint32_t lastWord;
};

static_assert(sizeof(Terminal) == 32, "generated terminal records are 32 bytes");
static_assert(sizeof(Edge) == 32, "generated edge records are 32 bytes");
static_assert(sizeof(ProgrammingItem) == 8, "programming items are two words");
static_assert(sizeof(ExclusiveGroup) == 24, "group records are 24 bytes");
static_assert(sizeof(TopographyDescriptor) == 72, "the descriptor is 72 bytes");

}  // namespace vlark

#endif
