// The reservation requests: clients of the board's shared settings register,
// look up policies and reserve and release them. Every request but the two
// that set a descriptor needs the session's reservation client (else
// -52010); an out field named like an in field starts as its value (seed)
// and keeps it unless the request replaces it. Policy lists hold at most
// reservationHal::kMaxPolicyListCount ids (65,536; -52005 beyond); a
// descriptor is read up to 257 bytes into a fixed buffer.
#ifndef VL9738K_BOARD_IOCTL_RESERVATIONREQUESTS_H
#define VL9738K_BOARD_IOCTL_RESERVATIONREQUESTS_H

#include <stdint.h>

// The record the manager fills when a reservation is refused: the policy
// that refused and the client holding it.
namespace nVL9738K_24_0::requests {
struct ReserveErrorInfo {
  uint32_t failedId;
  uint32_t conflictingClient;
};
}  // namespace nVL9738K_24_0::requests

#include "RequestFrame.h"

namespace nVL9738K_24_0::requests {

using nVLAPALS100::tStatus;

struct FindReservationPolicyIDDescriptor {
  static constexpr uint32_t kCode = 0x00205500;
  static constexpr char kName[] = "reservation_findReservationPolicyIDDescriptor";
  struct In {
    uint32_t policyId;
    uint64_t bufferAddress;
    uint32_t bufferLength;
    int32_t status;
  };
  struct Out {
    uint32_t length;
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(4, false);
  static void seed(const In& in, Out& out);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct FindReservationClientIDDescriptor {
  static constexpr uint32_t kCode = 0x00205501;
  static constexpr char kName[] = "reservation_findReservationClientIDDescriptor";
  struct In {
    uint32_t clientId;
    uint64_t bufferAddress;
    uint32_t bufferLength;
    int32_t status;
  };
  struct Out {
    uint32_t length;
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(4, false);
  static void seed(const In& in, Out& out);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct FindReservationPolicyID {
  static constexpr uint32_t kCode = 0x00205502;
  static constexpr char kName[] = "reservation_findReservationPolicyID";
  struct In {
    uint64_t descriptorAddress;
    uint32_t descriptorLength;
    uint32_t policyId;
    int32_t status;
  };
  struct Out {
    uint32_t policyId;
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(4, false);
  static void seed(const In& in, Out& out);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct FindDeviceActivityContextID {
  static constexpr uint32_t kCode = 0x00205503;
  static constexpr char kName[] = "reservation_findDeviceActivityContextID";
  struct In {
    uint64_t descriptorAddress;
    uint32_t descriptorLength;
    uint32_t contextId;
    int32_t status;
  };
  struct Out {
    uint32_t contextId;
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(4, false);
  static void seed(const In& in, Out& out);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct GetReservationClientID {
  static constexpr uint32_t kCode = 0x00205504;
  static constexpr char kName[] = "reservation_getReservationClientID";
  struct In {
    uint32_t clientId;
    int32_t status;
  };
  struct Out {
    uint32_t clientId;
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(4, false);
  static void seed(const In& in, Out& out);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct GetNumOfReservableChildIDs {
  static constexpr uint32_t kCode = 0x00205505;
  static constexpr char kName[] = "reservation_getNumOfReservableChildIDs";
  struct In {
    uint32_t policyId;
    uint32_t count;
    int32_t status;
  };
  struct Out {
    uint32_t count;
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(4, false);
  static void seed(const In& in, Out& out);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct FindReservableChildIDs {
  static constexpr uint32_t kCode = 0x00205506;
  static constexpr char kName[] = "reservation_findReservableChildIDs";
  struct In {
    uint32_t policyId;
    uint32_t count;
    uint64_t bufferAddress;
    int32_t status;
  };
  struct Out {
    uint32_t count;
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(4, false);
  static void seed(const In& in, Out& out);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct Reserve {
  static constexpr uint32_t kCode = 0x00205507;
  static constexpr char kName[] = "reservation_reserve";
  struct In {
    uint32_t count;
    uint64_t policyIdsAddress;
    uint64_t resultsAddress;
    ReserveErrorInfo errorInfo;
    int32_t status;
  };
  struct Out {
    ReserveErrorInfo errorInfo;
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(4, false);
  static void seed(const In& in, Out& out);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct Release {
  static constexpr uint32_t kCode = 0x00205508;
  static constexpr char kName[] = "reservation_release";
  struct In {
    uint32_t count;
    uint64_t policyIdsAddress;
    int32_t status;
  };
  struct Out {
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(4, false);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct DeferReleaseUntilIdle {
  static constexpr uint32_t kCode = 0x00205509;
  static constexpr char kName[] = "reservation_deferReleaseUntilIdle";
  struct In {
    uint32_t contextId;
    uint32_t count;
    uint64_t policyIdsAddress;
    int32_t status;
  };
  struct Out {
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(4, false);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct SetDescriptor {
  static constexpr uint32_t kCode = 0x0020550A;
  static constexpr char kName[] = "reservation_setDescriptor";
  struct In {
    uint64_t descriptorAddress;
    uint32_t descriptorLength;
    int32_t status;
  };
  struct Out {
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(4, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct SetReservationCache {
  static constexpr uint32_t kCode = 0x0020550B;
  static constexpr char kName[] = "reservation_setReservationCache";
  struct In {
    uint32_t count;
    uint64_t policyIdsAddress;
    int32_t status;
  };
  struct Out {
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(4, false);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct ReserveCache {
  static constexpr uint32_t kCode = 0x0020550C;
  static constexpr char kName[] = "reservation_reserveCache";
  struct In {
    int32_t status;
  };
  struct Out {
    uint32_t result;
    ReserveErrorInfo errorInfo;
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(4, false);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct ReleaseCache {
  static constexpr uint32_t kCode = 0x0020550D;
  static constexpr char kName[] = "reservation_releaseCache";
  struct In {
    int32_t status;
  };
  struct Out {
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(4, false);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct DeferReleaseCacheUntilIdle {
  static constexpr uint32_t kCode = 0x0020550E;
  static constexpr char kName[] = "reservation_deferReleaseCacheUntilIdle";
  struct In {
    uint32_t contextId;
    int32_t status;
  };
  struct Out {
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(4, false);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct SetDescriptorAndClientID {
  static constexpr uint32_t kCode = 0x0020550F;
  static constexpr char kName[] = "reservation_setDescriptorAndClientID";
  struct In {
    uint64_t descriptorAddress;
    uint32_t descriptorLength;
    uint32_t clientId;
    int32_t status;
  };
  struct Out {
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(4, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct SetIsListModeActive {
  static constexpr uint32_t kCode = 0x00205510;
  static constexpr char kName[] = "reservation_setIsListModeActive";
  struct In {
    uint8_t active;
    int32_t status;
  };
  struct Out {
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(4, false);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct ReleaseIdleResources {
  static constexpr uint32_t kCode = 0x00205511;
  static constexpr char kName[] = "reservation_releaseIdleResources";
  struct In {
    int32_t status;
  };
  struct Out {
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(4, false);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

}  // namespace nVL9738K_24_0::requests

#endif
