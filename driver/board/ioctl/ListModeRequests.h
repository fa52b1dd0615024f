// The list-mode requests: the caller's list-mode session compiles, deploys,
// starts and reads back lists.
#ifndef VL9738K_BOARD_IOCTL_LISTMODEREQUESTS_H
#define VL9738K_BOARD_IOCTL_LISTMODEREQUESTS_H

#include "RequestFrame.h"

namespace nVL9738K_24_0::requests {

using nVLAPALS100::tStatus;

// What a list-mode session reports of its engine.
struct ListModeTraits {
  uint64_t word0;
  uint32_t word8;
  uint8_t byte12;
  alignas(4) uint8_t byte16;
};
static_assert(sizeof(ListModeTraits) == 24, "the traits record is 24 bytes");

struct GetTraits {
  static constexpr uint32_t kCode = 0x00205200;
  struct In {
    int32_t status;
  };
  struct Out {
    ListModeTraits traits;
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(4, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct Initiate {
  static constexpr uint32_t kCode = 0x00205201;
  struct In {
    int32_t status;
  };
  struct Out {
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(4, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct Abort {
  static constexpr uint32_t kCode = 0x00205202;
  struct In {
    int32_t status;
  };
  struct Out {
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(4, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct SetContext {
  static constexpr uint32_t kCode = 0x00205203;
  // The longest path a list engine can sit at: far deeper than any FPGA's
  // subsystem tree (-52005 beyond).
  static constexpr uint32_t kMaxPathElements = 256;
  struct In {
    uint64_t bufferAddress;
    uint32_t length;
    int32_t status;
  };
  struct Out {
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(4, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct Commit {
  static constexpr uint32_t kCode = 0x00205204;
  struct In {
    int32_t status;
  };
  struct Out {
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(4, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct StartCommitSnooping {
  static constexpr uint32_t kCode = 0x00205205;
  struct In {
    int32_t status;
  };
  struct Out {
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(4, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct SetListStepUnderCompile {
  static constexpr uint32_t kCode = 0x00205206;
  struct In {
    uint64_t step;
    int32_t status;
  };
  struct Out {
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(4, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct StopCommitSnooping {
  static constexpr uint32_t kCode = 0x00205207;
  struct In {
    int32_t status;
  };
  struct Out {
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(4, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct GetBufferSizeInElements {
  static constexpr uint32_t kCode = 0x00205208;
  struct In {
    int32_t status;
  };
  struct Out {
    uint32_t elementCount;
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(4, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct GetBufferContents {
  static constexpr uint32_t kCode = 0x00205209;
  struct In {
    uint64_t bufferAddress;
    uint32_t length;
    int32_t status;
  };
  struct Out {
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(4, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct DeployListSettings {
  static constexpr uint32_t kCode = 0x0020520A;
  struct In {
    uint64_t first;
    uint64_t second;
    int32_t status;
  };
  struct Out {
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(4, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct ReadStepInProgress {
  static constexpr uint32_t kCode = 0x0020520B;
  struct In {
    int32_t status;
  };
  struct Out {
    uint64_t step;
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(4, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct ReadIterationInProgress {
  static constexpr uint32_t kCode = 0x0020520C;
  struct In {
    int32_t status;
  };
  struct Out {
    uint64_t iteration;
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(4, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct ReadListIsDone {
  static constexpr uint32_t kCode = 0x0020520D;
  struct In {
    int32_t status;
  };
  struct Out {
    uint8_t done;
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(4, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct ReadIsFifoUnderflow {
  static constexpr uint32_t kCode = 0x0020520E;
  struct In {
    int32_t status;
  };
  struct Out {
    uint8_t underflow;
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(4, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct ReadDeviceStatus {
  static constexpr uint32_t kCode = 0x0020520F;
  struct In {
    int32_t status;
  };
  struct Out {
    uint32_t statusWord;
    uint64_t second;
    uint64_t third;
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(4, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct WaitForListTrigger {
  static constexpr uint32_t kCode = 0x00205210;
  struct In {
    uint8_t flag;
    int32_t status;
  };
  struct Out {
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(4, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct GenerateListEvent {
  static constexpr uint32_t kCode = 0x00205211;
  struct In {
    uint8_t flag;
    int32_t status;
  };
  struct Out {
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(4, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct ReadyForListTrigger {
  static constexpr uint32_t kCode = 0x00205212;
  struct In {
    uint8_t flag;
    int32_t status;
  };
  struct Out {
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(4, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

}  // namespace nVL9738K_24_0::requests

#endif
