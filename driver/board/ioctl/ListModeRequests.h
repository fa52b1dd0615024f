// The list-mode requests: the caller's list-mode session compiles, deploys,
// starts and reads back lists.
#ifndef VL9738K_BOARD_IOCTL_LISTMODEREQUESTS_H
#define VL9738K_BOARD_IOCTL_LISTMODEREQUESTS_H

#include "RequestFrame.h"
#include "driver/listmode/ListTraits.h"

namespace nVL9738K_24_0::requests {

using nVLAPALS100::tStatus;

struct GetTraits {
  static constexpr uint32_t kCode = 0x00205200;
  static constexpr char kName[] = "listmode_getTraits";
  struct In {
    int32_t status;
  };
  // The session's whole record: the p-code versions and the trigger and
  // event limits the assembler holds lists to.
  struct Out {
    listmodek::ListTraits traits;
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(4, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct Initiate {
  static constexpr uint32_t kCode = 0x00205201;
  static constexpr char kName[] = "listmode_initiate";
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
  static constexpr char kName[] = "listmode_abort";
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
  static constexpr char kName[] = "listmode_setContext";
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
  static constexpr char kName[] = "listmode_commit";
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
  static constexpr char kName[] = "listmode_startCommitSnooping";
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
  static constexpr char kName[] = "listmode_setListStepUnderCompile";
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
  static constexpr char kName[] = "listmode_stopCommitSnooping";
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
  static constexpr char kName[] = "listmode_getBufferSizeInElements";
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
  static constexpr char kName[] = "listmode_getBufferContents";
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
  static constexpr char kName[] = "listmode_deployListSettings";
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
  static constexpr char kName[] = "listmode_readStepInProgress";
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
  static constexpr char kName[] = "listmode_readIterationInProgress";
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
  static constexpr char kName[] = "listmode_readListIsDone";
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
  static constexpr char kName[] = "listmode_readIsFifoUnderflow";
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
  static constexpr char kName[] = "listmode_readDeviceStatus";
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
  static constexpr char kName[] = "listmode_waitForListTrigger";
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
  static constexpr char kName[] = "listmode_generateListEvent";
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
  static constexpr char kName[] = "listmode_readyForListTrigger";
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
