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
  static constexpr char kName[] = "rfplat_getFlashDeviceInfo";
  struct In {
    rfplatki::FlashId flashId{};
    int32_t status = 0;
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
  static constexpr char kName[] = "rfplat_readPartitionTable";
  struct In {
    uint64_t bufferAddress = 0;
    uint32_t bufferLength = 0;
    rfplatki::FlashId flashId{};
    int32_t status = 0;
  };
  struct Out {
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(1, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct ReadPartition {
  static constexpr uint32_t kCode = 0xC0204205;
  static constexpr char kName[] = "rfplat_readPartition";
  struct In {
    uint32_t partitionId = 0;
    uint64_t bufferAddress = 0;
    uint32_t bufferLength = 0;
    rfplatki::FlashId flashId{};
    uint32_t sequenceNumber = 0;
    int32_t status = 0;
  };
  struct Out {
    uint32_t size;
    uint32_t sequenceNumber;
    int32_t status;
  };
  static constexpr GuardSpec kGuard = kInHandlerGuard;
  static void seed(const In& in, Out& out) {
    out.size = in.bufferLength;
    out.sequenceNumber = in.sequenceNumber;
  }
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

// The data: at most FlashPartitionManager::kMaxDataSize bytes (-52005
// beyond); copied in once its place in flash is found, or, for a write that
// does not persist, within the memory-only partition and device budgets
// (-52000 beyond).
struct WritePartition {
  static constexpr uint32_t kCode = 0xC0204206;
  static constexpr char kName[] = "rfplat_writePartition";
  struct In {
    uint32_t partitionId = 0;
    uint64_t bufferAddress = 0;
    uint32_t bufferLength = 0;
    uint8_t flags = 0;
    rfplatki::FlashId flashId{};
    uint32_t sequenceNumber = 0;
    int32_t status = 0;
  };
  struct Out {
    uint32_t sequenceNumber;
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(1, true);
  static void seed(const In& in, Out& out) { out.sequenceNumber = in.sequenceNumber; }
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct DeletePartition {
  static constexpr uint32_t kCode = 0xC0204207;
  static constexpr char kName[] = "rfplat_deletePartition";
  struct In {
    uint32_t partitionId = 0;
    rfplatki::FlashId flashId{};
    uint32_t sequenceNumber = 0;
    int32_t status = 0;
  };
  struct Out {
    uint32_t sequenceNumber;
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(1, true);
  static void seed(const In& in, Out& out) { out.sequenceNumber = in.sequenceNumber; }
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct GetPartitionList {
  static constexpr uint32_t kCode = 0x00204210;
  static constexpr char kName[] = "rfplat_getPartitionList";
  struct In {
    uint64_t bufferAddress = 0;
    uint32_t bufferLength = 0;
    rfplatki::FlashId flashId{};
    int32_t status = 0;
  };
  struct Out {
    uint32_t partitionCount;
    int32_t status;
  };
  static constexpr GuardSpec kGuard = kInHandlerGuard;
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct ProgramSubsystemId {
  static constexpr uint32_t kCode = 0x00204211;
  static constexpr char kName[] = "rfplat_programSubsystemId_developmentUseOnly";
  struct In {
    uint16_t subsystemId = 0;
    int32_t status = 0;
  };
  struct Out {
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(1, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

struct ProgramFirmwareRevisions {
  static constexpr uint32_t kCode = 0x00204213;
  static constexpr char kName[] = "rfplat_programFirmwareRevisions";
  struct In {
    uint32_t index = 0;
    rfplatki::FlashId flashId{};
    uint32_t current = 0;
    uint32_t oldest = 0;
    int32_t status = 0;
  };
  struct Out {
    int32_t status;
  };
  static constexpr GuardSpec kGuard = entryGuard(1, true);
  static void handle(RequestContext& context, const In& in, Out& out, tStatus& status);
};

}  // namespace nVL9738K_24_0::requests

#endif
