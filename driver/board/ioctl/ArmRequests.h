// The register-map access requests: registers and fields of the maps the
// device registered by name, their formats and the list of names. A map's
// name is copied in up to vlregitools::kMaxUserNameLength bytes (-52005
// beyond); a format's count only caps what is written back.
#ifndef VL9738K_BOARD_IOCTL_ARMREQUESTS_H
#define VL9738K_BOARD_IOCTL_ARMREQUESTS_H

#include "RequestFrame.h"

namespace nVL9738K_24_0::requests {

using nVLAPALS100::tStatus;

struct ArmWrite {
  static constexpr uint32_t kCode = 0x00208100;
  static constexpr char kName[] = "arm_write";
  struct In {
    uint64_t nameAddress = 0;
    uint64_t nameLength = 0;
    uint32_t id = 0;
    uint32_t value = 0;
    uint8_t force = 0;
    int32_t status = 0;
  };
  struct Out {
    int32_t status = 0;
  };
  static constexpr GuardSpec kGuard = entryGuard(2, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct ArmRead {
  static constexpr uint32_t kCode = 0x00208101;
  static constexpr char kName[] = "arm_read";
  struct In {
    uint64_t nameAddress = 0;
    uint64_t nameLength = 0;
    uint32_t id = 0;
    int32_t status = 0;
  };
  struct Out {
    uint32_t value = 0;
    int32_t status = 0;
  };
  static constexpr GuardSpec kGuard = entryGuard(2, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct ArmFlushRegister {
  static constexpr uint32_t kCode = 0x00208102;
  static constexpr char kName[] = "arm_flushRegister";
  struct In {
    uint64_t nameAddress = 0;
    uint64_t nameLength = 0;
    uint32_t id = 0;
    uint8_t force = 0;
    int32_t status = 0;
  };
  struct Out {
    int32_t status = 0;
  };
  static constexpr GuardSpec kGuard = entryGuard(2, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct ArmRefreshRegister {
  static constexpr uint32_t kCode = 0x00208103;
  static constexpr char kName[] = "arm_refreshRegister";
  using In = ArmRead::In;
  struct Out {
    int32_t status = 0;
  };
  static constexpr GuardSpec kGuard = entryGuard(2, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct ArmGetNumberOfRegistrations {
  static constexpr uint32_t kCode = 0x00208104;
  static constexpr char kName[] = "arm_getNumberOfRegistrations";
  struct In {
    int32_t status = 0;
  };
  struct Out {
    uint64_t count = 0;
    int32_t status = 0;
  };
  static constexpr GuardSpec kGuard = entryGuard(2, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct ArmGetRegistrationNames {
  static constexpr uint32_t kCode = 0x00208105;
  static constexpr char kName[] = "arm_getRegistrationNames";
  struct In {
    uint64_t bufferAddress = 0;
    int32_t status = 0;
  };
  struct Out {
    int32_t status = 0;
  };
  static constexpr GuardSpec kGuard = entryGuard(2, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct ArmFlushRegMap {
  static constexpr uint32_t kCode = 0x00208108;
  static constexpr char kName[] = "arm_flushRegMap";
  struct In {
    uint64_t nameAddress = 0;
    uint64_t nameLength = 0;
    uint8_t force = 0;
    int32_t status = 0;
  };
  struct Out {
    int32_t status = 0;
  };
  static constexpr GuardSpec kGuard = entryGuard(2, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct ArmSet {
  static constexpr uint32_t kCode = 0x00208109;
  static constexpr char kName[] = "arm_set";
  struct In {
    uint64_t nameAddress = 0;
    uint64_t nameLength = 0;
    uint32_t id = 0;
    uint32_t value = 0;
    int32_t status = 0;
  };
  struct Out {
    int32_t status = 0;
  };
  static constexpr GuardSpec kGuard = entryGuard(2, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct ArmGet {
  static constexpr uint32_t kCode = 0x0020810A;
  static constexpr char kName[] = "arm_get";
  using In = ArmRead::In;
  struct Out {
    uint32_t value = 0;
    int32_t status = 0;
  };
  static constexpr GuardSpec kGuard = entryGuard(2, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct ArmWriteEx {
  static constexpr uint32_t kCode = 0x0020810B;
  static constexpr char kName[] = "arm_writeEx";
  struct In {
    uint64_t nameAddress = 0;
    uint64_t nameLength = 0;
    uint32_t id = 0;
    uint64_t context = 0;
    uint64_t value = 0;
    uint8_t force = 0;
    int32_t status = 0;
  };
  struct Out {
    int32_t status = 0;
  };
  static constexpr GuardSpec kGuard = entryGuard(2, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct ArmReadEx {
  static constexpr uint32_t kCode = 0x0020810C;
  static constexpr char kName[] = "arm_readEx";
  struct In {
    uint64_t nameAddress = 0;
    uint64_t nameLength = 0;
    uint32_t id = 0;
    uint64_t context = 0;
    int32_t status = 0;
  };
  struct Out {
    uint64_t value = 0;
    int32_t status = 0;
  };
  static constexpr GuardSpec kGuard = entryGuard(2, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct ArmSetEx {
  static constexpr uint32_t kCode = 0x0020810D;
  static constexpr char kName[] = "arm_setEx";
  struct In {
    uint64_t nameAddress = 0;
    uint64_t nameLength = 0;
    uint32_t id = 0;
    uint64_t context = 0;
    uint64_t value = 0;
    int32_t status = 0;
  };
  struct Out {
    int32_t status = 0;
  };
  static constexpr GuardSpec kGuard = entryGuard(2, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct ArmGetEx {
  static constexpr uint32_t kCode = 0x0020810E;
  static constexpr char kName[] = "arm_getEx";
  using In = ArmReadEx::In;
  struct Out {
    uint64_t value = 0;
    int32_t status = 0;
  };
  static constexpr GuardSpec kGuard = entryGuard(2, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct ArmFlushRegisterEx {
  static constexpr uint32_t kCode = 0x0020810F;
  static constexpr char kName[] = "arm_flushRegisterEx";
  struct In {
    uint64_t nameAddress = 0;
    uint64_t nameLength = 0;
    uint32_t id = 0;
    uint64_t context = 0;
    uint8_t force = 0;
    int32_t status = 0;
  };
  struct Out {
    int32_t status = 0;
  };
  static constexpr GuardSpec kGuard = entryGuard(2, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct ArmRefreshRegisterEx {
  static constexpr uint32_t kCode = 0x00208110;
  static constexpr char kName[] = "arm_refreshRegisterEx";
  using In = ArmReadEx::In;
  struct Out {
    int32_t status = 0;
  };
  static constexpr GuardSpec kGuard = entryGuard(2, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct ArmGetRegisterFormat {
  static constexpr uint32_t kCode = 0x00208111;
  static constexpr char kName[] = "arm_getRegisterFormat";
  struct In {
    uint64_t nameAddress = 0;
    uint64_t nameLength = 0;
    uint32_t id = 0;
    uint32_t count = 0;
    uint64_t fieldTypesAddress = 0;
    uint64_t masksAddress = 0;
    int32_t status = 0;
  };
  struct Out {
    uint32_t count = 0;
    int32_t status = 0;
  };
  static constexpr GuardSpec kGuard = entryGuard(2, true);
  // The count goes in as the capacity of the caller's two arrays.
  static void seed(const In& in, Out& out) { out.count = in.count; }
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct ArmGetSizeOfRegistrationList {
  static constexpr uint32_t kCode = 0x00208112;
  static constexpr char kName[] = "arm_getSizeOfRegistrationList";
  struct In {
    int32_t status = 0;
  };
  struct Out {
    uint64_t size = 0;
    int32_t status = 0;
  };
  static constexpr GuardSpec kGuard = entryGuard(2, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct ArmGetRegistrationList {
  static constexpr uint32_t kCode = 0x00208113;
  static constexpr char kName[] = "arm_getRegistrationList";
  struct In {
    uint64_t bufferAddress = 0;
    int32_t status = 0;
  };
  struct Out {
    int32_t status = 0;
  };
  static constexpr GuardSpec kGuard = entryGuard(2, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

}  // namespace nVL9738K_24_0::requests

#endif
