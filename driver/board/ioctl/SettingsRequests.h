// The settings requests: deploy and settings messages over the board's
// shared RF settings, and the frequency-cycling request.
#ifndef VL9738K_BOARD_IOCTL_SETTINGSREQUESTS_H
#define VL9738K_BOARD_IOCTL_SETTINGSREQUESTS_H

#include "RequestFrame.h"
#include "driver/platform/memory/UserBound.h"

namespace nVL9738K_24_0::requests {

using nVLAPALS100::tStatus;

// The most bytes a deploy message or a message's input or output area may
// hold (-52005 beyond): a deploy of all seven resources takes a few hundred.
inline constexpr uint32_t kMaxSettingsMessageBytes = 1u << 20;

struct SettingsDeploy {
  static constexpr uint32_t kCode = 0xC0205B00;
  static constexpr char kName[] = "settingsHal_deploy";
  static constexpr uint32_t kMaxMessageBytes = kMaxSettingsMessageBytes;
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
  // Input and output areas as a deploy's message; ids as every user list.
  static constexpr uint32_t kMaxAreaBytes = kMaxSettingsMessageBytes;
  static constexpr uint64_t kMaxResourceIds = nVLAPAL000::kMaxUserListEntries;
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
