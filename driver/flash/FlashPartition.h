// One partition of the store: where its record lies (the store size for a
// partition held only in memory), the record's size (data + CRC), the
// sectors it is given, its flags, and the memory copy reads are served
// from (`loaded` when that copy holds the current data).
#ifndef VL9738K_FLASH_FLASHPARTITION_H
#define VL9738K_FLASH_FLASHPARTITION_H

#include <stdint.h>

#include "FlashRecord.h"
#include "driver/platform/containers/VlitlMap.h"

namespace qrtk {

struct PartitionInfo {
  uint32_t id;
  uint32_t address;
  uint32_t recordSize;
  uint32_t allocatedSize;
  uint8_t flags;
  uint8_t loaded;
};

// Flash sectors [start, end); empty when start is not below end.
struct SectorRange {
  uint64_t start;
  uint64_t end;
};

struct FlashPartition {
  PartitionInfo descriptor;
  ByteVector memory;
  uint32_t sectorSize;
  // The sectors of the record a table copy on flash may still name for
  // this partition: a mount finds the partition there until a table write
  // that both copies took names it elsewhere or drops it.
  SectorRange committed;

  uint32_t dataSize() const { return descriptor.recordSize - FlashRecord::kCrcSize; }
  // A record of `recordSize` bytes takes whole sectors.
  static uint64_t allocatedFor(uint64_t recordSize, uint32_t sectorSize) {
    return (recordSize + sectorSize - 1) / sectorSize * sectorSize;
  }
};

struct PartitionNode {
  uint32_t id;
  FlashPartition partition;
  vlitl_RBNode link;
};

using PartitionMap = vlitl::Map<uint32_t, PartitionNode, &PartitionNode::id, &PartitionNode::link>;

}  // namespace qrtk

#endif
