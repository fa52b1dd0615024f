// The VISA PXI plug-in requests: the device's address spaces opened,
// described, read and written in blocks, and closed.
#ifndef VL9738K_BOARD_IOCTL_VISAREQUESTS_H
#define VL9738K_BOARD_IOCTL_VISAREQUESTS_H

#include "RequestFrame.h"

namespace nVL9738K_24_0::requests {

using nVLAPALS100::tStatus;

struct VisaInitialize {
  static constexpr uint32_t kCode = 0x80208500;
  static constexpr char kName[] = "visapxipluginapalcodegen_initialize";
  struct In {
    int32_t status;
  };
  struct Out {
    int32_t status;
  };
  static constexpr GuardSpec kGuard = kLockAndGateGuard;
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct VisaGetSpaceInfo {
  static constexpr uint32_t kCode = 0x80208501;
  static constexpr char kName[] = "visapxipluginapalcodegen_getSpaceInfo";
  struct In {
    uint8_t addressSpace;
    int32_t status;
  };
  struct Out {
    uint16_t spaceType;
    uint64_t base;
    uint64_t size;
    int32_t status;
  };
  static constexpr GuardSpec kGuard = kLockAndGateGuard;
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct VisaReadBlock {
  static constexpr uint32_t kCode = 0x80208502;
  static constexpr char kName[] = "visapxipluginapalcodegen_readBlock";
  struct In {
    uint8_t addressSpace;
    uint64_t offset;
    uint32_t itemWidth;
    uint8_t increment;
    uint64_t bufferAddress;
    uint64_t itemCount;
    uint32_t mode;
    int32_t status;
  };
  struct Out {
    int32_t status;
  };
  // Width x count is at most 0xFFFFFFFF bytes (-52005 beyond); the items
  // move through a kernel buffer of at most VisaDispatcher::kChunkBytes,
  // under the dispatcher's own lock a chunk at a time. The transfer takes no
  // session lock: it would hold every other session's request for as long
  // as the caller's count.
  static constexpr GuardSpec kGuard = kGateGuard;
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct VisaWriteBlock {
  static constexpr uint32_t kCode = 0x40208503;
  static constexpr char kName[] = "visapxipluginapalcodegen_writeBlock";
  using In = VisaReadBlock::In;
  struct Out {
    int32_t status;
  };
  // Bounded and chunked as a read.
  static constexpr GuardSpec kGuard = kGateGuard;
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct VisaFinalize {
  static constexpr uint32_t kCode = 0x80208504;
  static constexpr char kName[] = "visapxipluginapalcodegen_finalize";
  struct In {
    int32_t status;
  };
  struct Out {
    int32_t status;
  };
  static constexpr GuardSpec kGuard = kLockAndGateGuard;
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

}  // namespace nVL9738K_24_0::requests

#endif
