// The settings requests: deploy and settings messages over the board's
// shared RF settings, and the frequency-cycling request.
#ifndef VL9738K_BOARD_IOCTL_SETTINGSREQUESTS_H
#define VL9738K_BOARD_IOCTL_SETTINGSREQUESTS_H

#include "RequestFrame.h"

namespace nVL9738K_24_0::requests {

using nVLAPALS100::tStatus;

struct SettingsDeploy {
  static constexpr uint32_t kCode = 0xC0205B00;
  static constexpr char kName[] = "settingsHal_deploy";
  struct In {
    uint64_t messageAddress;
    uint32_t messageSize;
    int32_t status;
  };
  struct Out {
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(3, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct SettingsSendMessage {
  static constexpr uint32_t kCode = 0xC0205B01;
  static constexpr char kName[] = "settingsHal_sendMessage";
  struct In {
    uint64_t idsAddress;
    uint32_t idCount;
    uint32_t messageType;
    uint64_t inputAddress;
    uint32_t inputSize;
    uint64_t outputAddress;
    uint32_t outputSize;
    int32_t status;
  };
  struct Out {
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(3, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct CycleFrequency {
  static constexpr uint32_t kCode = 0xC0200001;
  static constexpr char kName[] = "cycleFrequency";
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
