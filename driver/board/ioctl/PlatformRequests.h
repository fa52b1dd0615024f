// The platform requests: the board's identity and revisions, temperature,
// initialisation status, reset, self test and the driver's version.
#ifndef VL9738K_BOARD_IOCTL_PLATFORMREQUESTS_H
#define VL9738K_BOARD_IOCTL_PLATFORMREQUESTS_H

#include "FlashId.h"
#include "RequestFrame.h"

namespace nVL9738K_24_0::requests {

using nVLAPALS100::tStatus;

struct GetSerialNumber {
  static constexpr uint32_t kCode = 0x00204200;
  static constexpr char kName[] = "rfplat_getSerialNumber";
  struct In {
    rfplatki::FlashId flashId;
    int32_t status;
  };
  struct Out {
    uint64_t serialNumber;
    int32_t status;
  };
  static constexpr GuardSpec kGuard = kGateGuard;
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct GetModuleRev {
  static constexpr uint32_t kCode = 0x00204201;
  static constexpr char kName[] = "rfplat_getModuleRev";
  struct In {
    uint32_t index;
    int32_t status;
  };
  struct Out {
    uint32_t revision;
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(1, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct GetTemperature {
  static constexpr uint32_t kCode = 0x00204202;
  static constexpr char kName[] = "rfplat_getTemperature";
  struct In {
    uint32_t sensor;
    uint32_t sampleCount;
    int32_t status;
  };
  struct Out {
    int32_t sum;
    uint32_t divisor;
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(2, true);
  // The board sensors that read through the powered cards need the
  // power-up; the others only the properties.
  static uint32_t level(const In& in) { return in.sensor == 1 || in.sensor == 2 ? 3 : 2; }
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

// A request whose only answer is one u32 after its guard.
struct U32Out {
  uint32_t value;
  int32_t status;
};
struct StatusOnly {
  int32_t status;
};

struct GetModulePowerConsumption {
  static constexpr uint32_t kCode = 0x00204208;
  static constexpr char kName[] = "rfplat_getModulePowerConsumption";
  using In = StatusOnly;
  using Out = U32Out;
  static constexpr GuardSpec kGuard = entryGuard(2, true);
  static void handle(RequestContext&, const In&, Out&, tStatus&) {}
};

struct CheckInitializationStatus {
  static constexpr uint32_t kCode = 0x00204209;
  static constexpr char kName[] = "rfplat_checkInitializationStatus";
  struct In {
    uint32_t level;
    int32_t status;
  };
  using Out = StatusOnly;
  static constexpr GuardSpec kGuard = kGateGuard;
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct GetSubSystemVersion {
  static constexpr uint32_t kCode = 0x0020420A;
  static constexpr char kName[] = "rfplat_getSubSystemVersion";
  // The array is at most 0xFFFFFFFF bytes (-52000 beyond) and is read
  // through a buffer of at most this many bytes, whatever the count.
  static constexpr uint64_t kMaxArrayBytes = 0xFFFFFFFF;
  static constexpr uint64_t kChunkBytes = 4096;
  struct In {
    uint64_t arrayAddress;
    uint32_t count;
    int32_t status;
  };
  using Out = U32Out;
  static constexpr GuardSpec kGuard = entryGuard(4, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct GetModulePartNumber {
  static constexpr uint32_t kCode = 0x0020420B;
  static constexpr char kName[] = "rfplat_getModulePartNumber";
  struct In {
    uint32_t first;
    uint32_t second;
    int32_t status;
  };
  using Out = U32Out;
  static constexpr GuardSpec kGuard = entryGuard(1, true);
  static void handle(RequestContext&, const In&, Out&, tStatus&) {}
};

struct ResetDevice {
  static constexpr uint32_t kCode = 0x0020420C;
  static constexpr char kName[] = "rfplat_resetDevice";
  using In = StatusOnly;
  using Out = StatusOnly;
  static constexpr GuardSpec kGuard = kNoGuard;
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct DeviceList {
  struct In {
    uint64_t bufferAddress;
    uint32_t bufferLength;
    int32_t status;
  };
  struct Out {
    uint32_t count;
    int32_t status;
  };
};

// The board lists no flash devices and no connected devices.
struct GetFlashDevices : DeviceList {
  static constexpr uint32_t kCode = 0x0020420D;
  static constexpr char kName[] = "rfplat_getFlashDevices";
  static constexpr GuardSpec kGuard = entryGuard(1, true);
  static void handle(RequestContext& context, const In&, Out& out, tStatus&);
};

struct GetConnectedDevices : DeviceList {
  static constexpr uint32_t kCode = 0x0020420E;
  static constexpr char kName[] = "rfplat_getConnectedDevices";
  static constexpr GuardSpec kGuard = entryGuard(0, true);
  static void handle(RequestContext& context, const In&, Out& out, tStatus&);
};

struct SelfTest {
  static constexpr uint32_t kCode = 0x0020420F;
  static constexpr char kName[] = "rfplat_selfTest";
  struct In {
    rfplatki::FlashId flashId;
    int32_t status;
  };
  using Out = StatusOnly;
  static constexpr GuardSpec kGuard = entryGuard(4, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct GetFirmwareRev {
  static constexpr uint32_t kCode = 0x00204212;
  static constexpr char kName[] = "rfplat_getFirmwareRev";
  struct In {
    uint32_t index;
    rfplatki::FlashId flashId;
    int32_t status;
  };
  struct Out {
    uint32_t current;
    uint32_t oldest;
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(0, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct GetSerialNumberPrefix {
  static constexpr uint32_t kCode = 0x00204214;
  static constexpr char kName[] = "rfplat_getSerialNumberPrefix";
  using In = GetSerialNumber::In;
  using Out = GetSerialNumber::Out;
  static constexpr GuardSpec kGuard = kGateGuard;
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

// The device does not take part in firmware updates.
struct ReserveDeviceForFirmwareUpdate {
  static constexpr uint32_t kCode = 0x00204215;
  static constexpr char kName[] = "rfplat_reserveDeviceForFirmwareUpdate";
  using In = StatusOnly;
  using Out = StatusOnly;
  static constexpr GuardSpec kGuard = kNoGuard;
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct UnreserveDeviceAfterFirmwareUpdate {
  static constexpr uint32_t kCode = 0x00204216;
  static constexpr char kName[] = "rfplat_unreserveDeviceAfterFirmwareUpdate";
  using In = StatusOnly;
  using Out = StatusOnly;
  static constexpr GuardSpec kGuard = kNoGuard;
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct GetDriverAttributeU32 {
  static constexpr uint32_t kCode = 0x0020421A;
  static constexpr char kName[] = "rfplat_getDriverAttributeU32";
  struct In {
    uint32_t attribute;
    uint32_t selector;
    int32_t status;
  };
  using Out = U32Out;
  static constexpr GuardSpec kGuard = kNoGuard;
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct GetDriverInterfaceVersion {
  static constexpr uint32_t kCode = 0x0020421B;
  static constexpr char kName[] = "rfplat_getDriverInterfaceVersion";
  using In = StatusOnly;
  using Out = U32Out;
  static constexpr GuardSpec kGuard = entryGuard(1, true);
  static void handle(RequestContext&, const In&, Out&, tStatus&) {}
};

struct GetSiloVariant {
  static constexpr uint32_t kCode = 0x0020421C;
  static constexpr char kName[] = "rfplat_getSiloVariant";
  struct In {
    rfplatki::FlashId flashId;
    int32_t status;
  };
  using Out = U32Out;
  static constexpr GuardSpec kGuard = entryGuard(0, true);
  static void handle(RequestContext&, const In&, Out&, tStatus&) {}
};

}  // namespace nVL9738K_24_0::requests

#endif
