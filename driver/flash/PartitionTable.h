// The partition table image, the payload of a table record: a 14-byte
// header {u8 version; u8 oldest compatible version; u32 header size; u32
// entry size; u32 entry count}, then the entries of 17 bytes {u32 id; u32
// address; u32 data size; u32 record size; u8 flags} in ascending id, with
// no padding. An entry with id 0 is unused. All values little-endian.
#ifndef VL9738K_FLASH_PARTITIONTABLE_H
#define VL9738K_FLASH_PARTITIONTABLE_H

#include <stdint.h>

#include "FlashRecord.h"

namespace qrtk {

struct PartitionTableEntry {
  uint32_t id;
  uint32_t address;
  uint32_t dataSize;
  uint32_t recordSize;
  uint8_t flags;
};

class PartitionTable {
 public:
  static constexpr uint8_t kVersion = 1;
  static constexpr uint8_t kOldestCompatibleVersion = 1;
  static constexpr uint32_t kHeaderSize = 14;
  static constexpr uint32_t kEntrySize = 17;
  static constexpr uint32_t kHeaderSizeOffset = 2;
  static constexpr uint32_t kEntrySizeOffset = 6;
  static constexpr uint32_t kEntryCountOffset = 10;
  static constexpr uint32_t kReadAttempts = 5;

  // Flag bits of an entry.
  static constexpr uint8_t kProtected = 1u << 0;
  static constexpr uint8_t kFixedPlacement = 1u << 1;
  static constexpr uint8_t kAttribute = 1u << 2;
  static constexpr uint8_t kMemoryOnly = 1u << 3;

  static constexpr uint64_t imageLength(uint64_t entryCount) { return kHeaderSize + kEntrySize * entryCount; }

  static void writeHeader(uint8_t* image, uint32_t entryCount);
  static void writeEntry(uint8_t* at, const PartitionTableEntry& entry);

  // Reads the copy at `address` into `image` (its payload only). False
  // when the copy is unreadable: a header length out of range or no
  // matching CRC after the attempts allowed.
  static bool readCopy(FlashDevice& device, const FlashGeometry& geometry, uint32_t address, ByteVector& image,
                       nVLAPALS100::tStatus& status);

  // Checks the version and the entries' extent and calls
  // visit(const PartitionTableEntry&, tStatus&) for every used entry, in
  // table order. An image too short for its entries, or an entry whose
  // record cannot even hold its CRC, is refused (-52003).
  template <typename tVisitor>
  static void parse(const uint8_t* image, uint64_t length, tVisitor&& visit, nVLAPALS100::tStatus& status) {
    uint32_t headerSize = 0;
    uint32_t entryCount = 0;
    if (!checkImage(image, length, headerSize, entryCount, status)) return;
    for (uint32_t i = 0; i < entryCount && status.isNotFatal(); ++i) {
      PartitionTableEntry entry;
      if (!readEntry(image + headerSize + uint64_t{kEntrySize} * i, entry, status)) return;
      if (entry.id != 0) visit(entry, status);
    }
  }

  // The length a header claims, computed without wrapping.
  static uint64_t claimedLength(const uint8_t* header);

 private:
  static bool checkImage(const uint8_t* image, uint64_t length, uint32_t& headerSize, uint32_t& entryCount,
                         nVLAPALS100::tStatus& status);
  static bool readEntry(const uint8_t* at, PartitionTableEntry& entry, nVLAPALS100::tStatus& status);
};

}  // namespace qrtk

#endif
