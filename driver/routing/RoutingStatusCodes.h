// Status codes of route calculation and programming, and the source names
// its failure sites publish in a full status record.
#ifndef VL9738K_ROUTING_ROUTINGSTATUSCODES_H
#define VL9738K_ROUTING_ROUTINGSTATUSCODES_H

#include <stdint.h>

namespace vlark::codes {

inline constexpr int64_t kDestinationUnreachable = -89124;
inline constexpr int64_t kTerminalInUse = -89127;
inline constexpr int64_t kNoResetEdge = -89128;
inline constexpr int64_t kRouteConflict = -89137;

}  // namespace vlark::codes

namespace vlark::sites {

inline constexpr const char kTopography[] = "dep_mirror/deps/vlark/includes/vlark/topography/Topography";
inline constexpr const char kDijkstraSolver[] = "dep_mirror/deps/vlgta/includes/vlgta/algorithms/DijkstraSolver";
inline constexpr const char kRoutingResources[] =
    "dep_mirror/deps/vlark/includes/vlark/routing-resources/RoutingResources";
inline constexpr const char kRoutingSessionBase[] =
    "dep_mirror/deps/vlark/includes/vlark/kernel-interface/RoutingSessionBase";

}  // namespace vlark::sites

#endif
