// The flash requests: the partitions of the board's calibration flash and
// the two programming requests that write its identity records.
#ifndef VL9738K_BOARD_IOCTL_FLASHREQUESTS_H
#define VL9738K_BOARD_IOCTL_FLASHREQUESTS_H

#include "FlashId.h"
#include "RequestFrame.h"

namespace nVL9738K_24_0::requests {

using nVLAPALS100::tStatus;

struct GetFlashDeviceInfo {
  static constexpr uint32_t kCode = 0xC0204203;
  struct In {
    rfplatki::FlashId flashId;
    int32_t status;
  };
  struct Out {
    uint32_t totalSize;
    uint32_t sectorSize;
    uint32_t accessAlignment;
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(1, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct ReadPartitionTable {
  static constexpr uint32_t kCode = 0xC0204204;
  struct In {
    uint64_t bufferAddress;
    uint32_t bufferLength;
    rfplatki::FlashId flashId;
    int32_t status;
  };
  struct Out {
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(1, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct ReadPartition {
  static constexpr uint32_t kCode = 0xC0204205;
  struct In {
    uint32_t partitionId;
    uint64_t bufferAddress;
    uint32_t bufferLength;
    rfplatki::FlashId flashId;
    uint32_t sequenceNumber;
    int32_t status;
  };
  struct Out {
    uint32_t size;
    uint32_t sequenceNumber;
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(1, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct WritePartition {
  static constexpr uint32_t kCode = 0xC0204206;
  struct In {
    uint32_t partitionId;
    uint64_t bufferAddress;
    uint32_t bufferLength;
    uint8_t flags;
    rfplatki::FlashId flashId;
    uint32_t sequenceNumber;
    int32_t status;
  };
  struct Out {
    uint32_t sequenceNumber;
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(1, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct DeletePartition {
  static constexpr uint32_t kCode = 0xC0204207;
  struct In {
    uint32_t partitionId;
    rfplatki::FlashId flashId;
    uint32_t sequenceNumber;
    int32_t status;
  };
  struct Out {
    uint32_t sequenceNumber;
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(1, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct GetPartitionList {
  static constexpr uint32_t kCode = 0x00204210;
  struct In {
    uint64_t bufferAddress;
    uint32_t bufferLength;
    rfplatki::FlashId flashId;
    int32_t status;
  };
  struct Out {
    uint32_t partitionCount;
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(1, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct ProgramSubsystemId {
  static constexpr uint32_t kCode = 0x00204211;
  struct In {
    uint16_t subsystemId;
    int32_t status;
  };
  struct Out {
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(1, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct ProgramFirmwareRevisions {
  static constexpr uint32_t kCode = 0x00204213;
  struct In {
    uint32_t index;
    rfplatki::FlashId flashId;
    uint32_t current;
    uint32_t oldest;
    int32_t status;
  };
  struct Out {
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(1, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

}  // namespace nVL9738K_24_0::requests

#endif
