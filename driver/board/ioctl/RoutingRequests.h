// The routing requests: the caller's routing session calculates, reserves
// and programs trigger routes over the board's topography.
#ifndef VL9738K_BOARD_IOCTL_ROUTINGREQUESTS_H
#define VL9738K_BOARD_IOCTL_ROUTINGREQUESTS_H

#include "RequestFrame.h"

namespace nVL9738K_24_0::requests {

using nVLAPALS100::tStatus;

struct QueryVersion {
  static constexpr uint32_t kCode = 0x00208000;
  static constexpr char kName[] = "routing_queryVersion";
  struct In {
    int32_t status;
  };
  struct Out {
    uint32_t version;
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(2, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

// Seeds and destinations: at most vlark::RoutingSessionBase's
// kMaxRequestEntries each (65,536; -52005 beyond). The result count only
// caps what is written back.
struct CalculateRoute {
  static constexpr uint32_t kCode = 0x00208001;
  static constexpr char kName[] = "routing_calculateRoute";
  struct In {
    uint64_t optionWord;
    uint64_t seedsAddress;
    uint32_t seedCount;
    uint64_t terminalsAddress;
    uint32_t terminalCount;
    uint32_t option;
    uint64_t resultsAddress;
    uint32_t resultCount;
    int32_t status;
  };
  struct Out {
    uint32_t result;
    uint32_t resultCount;
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(2, true);
  // The result count goes in as the result array's capacity.
  static void seed(const In& in, Out& out);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct DestroyRoute {
  static constexpr uint32_t kCode = 0x00208002;
  static constexpr char kName[] = "routing_destroyRoute";
  struct In {
    uint32_t routeId;
    int32_t status;
  };
  struct Out {
    int32_t status;
  };
  // Giving a route up takes it out of the driver's records at once, so
  // its unprogram goes to the matrix even while the session records: sent
  // into a list, it would leave the lines driven with no route holding them.
  static constexpr GuardSpec kGuard = entryGuard(2, false);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct ReserveRoute {
  static constexpr uint32_t kCode = 0x00208003;
  static constexpr char kName[] = "routing_reserveRoute";
  struct In {
    uint32_t routeId;
    uint64_t conflictsAddress;
    uint32_t conflictCapacity;
    int32_t status;
  };
  struct Out {
    uint32_t conflictCount;
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(2, true);
  // The conflict count starts as the capacity.
  static void seed(const In& in, Out& out);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct ProgramRoute {
  static constexpr uint32_t kCode = 0x00208004;
  static constexpr char kName[] = "routing_programRoute";
  struct In {
    uint32_t routeId;
    int32_t status;
  };
  struct Out {
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(2, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct UnreserveRoute {
  static constexpr uint32_t kCode = 0x00208005;
  static constexpr char kName[] = "routing_unreserveRoute";
  struct In {
    uint32_t routeId;
    int32_t status;
  };
  struct Out {
    int32_t status;
  };
  // Giving a route up takes it out of the driver's records at once, so
  // its unprogram goes to the matrix even while the session records: sent
  // into a list, it would leave the lines driven with no route holding them.
  static constexpr GuardSpec kGuard = entryGuard(2, false);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct UnprogramRoute {
  static constexpr uint32_t kCode = 0x00208006;
  static constexpr char kName[] = "routing_unprogramRoute";
  struct In {
    uint32_t routeId;
    int32_t status;
  };
  struct Out {
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(2, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct GetRouteTerminalPath {
  static constexpr uint32_t kCode = 0x00208007;
  static constexpr char kName[] = "routing_getRouteTerminalPath";
  struct In {
    uint32_t routeId;
    uint64_t bufferAddress;
    uint32_t capacity;
    int32_t status;
  };
  struct Out {
    uint32_t terminalCount;
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(2, true);
  // The terminal count starts as the capacity.
  static void seed(const In& in, Out& out);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct GetTopographyName {
  static constexpr uint32_t kCode = 0x00208008;
  static constexpr char kName[] = "routing_getTopographyName";
  struct In {
    uint64_t bufferAddress;
    uint32_t bufferLength;
    int32_t status;
  };
  struct Out {
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(2, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct ResetTerminal {
  static constexpr uint32_t kCode = 0x0020800A;
  static constexpr char kName[] = "routing_resetTerminal";
  struct In {
    uint32_t terminalId;
    uint32_t second;
    int32_t status;
  };
  struct Out {
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(2, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct CalculateResetTerminal {
  static constexpr uint32_t kCode = 0x0020800B;
  static constexpr char kName[] = "routing_calculateResetTerminal";
  struct In {
    uint64_t optionWord;
    uint32_t first;
    uint32_t second;
    int32_t status;
  };
  struct Out {
    uint32_t result;
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(2, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

}  // namespace nVL9738K_24_0::requests

#endif
