#include "PartitionTable.h"

#include "FlashSites.h"
#include "FlashStoreCodes.h"

namespace qrtk {
namespace {

using nVLAPALS100::tStatus;

uint32_t load32(const uint8_t* at) {
  return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 | static_cast<uint32_t>(at[2]) << 16 |
         static_cast<uint32_t>(at[3]) << 24;
}

void store32(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

void fail(int64_t code, uint32_t line, tStatus& status) { status.setCode(code, VL_SITE_AT(sites::kManager, line)); }

// Reads `length` bytes at `address` until `accept` takes them.
template <typename tAccept>
bool readUntil(FlashDevice& device, uint32_t address, uint32_t length, uint8_t* buffer, tAccept accept,
               tStatus& status) {
  for (uint32_t attempt = 0; attempt < PartitionTable::kReadAttempts; ++attempt) {
    device.read(buffer, address, length, status);
    if (status.isFatal()) return false;
    if (accept()) return true;
  }
  return false;
}

}  // namespace

void PartitionTable::writeHeader(uint8_t* image, uint32_t entryCount) {
  image[0] = kVersion;
  image[1] = kOldestCompatibleVersion;
  store32(image + kHeaderSizeOffset, kHeaderSize);
  store32(image + kEntrySizeOffset, kEntrySize);
  store32(image + kEntryCountOffset, entryCount);
}

void PartitionTable::writeEntry(uint8_t* at, const PartitionTableEntry& entry) {
  store32(at, entry.id);
  store32(at + 4, entry.address);
  store32(at + 8, entry.dataSize);
  store32(at + 12, entry.recordSize);
  at[16] = entry.flags;
}

uint64_t PartitionTable::claimedLength(const uint8_t* header) {
  return load32(header + kHeaderSizeOffset) +
         uint64_t{load32(header + kEntryCountOffset)} * load32(header + kEntrySizeOffset);
}

bool PartitionTable::readCopy(FlashDevice& device, const FlashGeometry& geometry, uint32_t address, ByteVector& image,
                              tStatus& status) {
  if (status.isFatal()) return false;
  uint8_t start[kEntryCountOffset];
  uint32_t headerSize = 0;
  const auto headerFits = [&] {
    headerSize = load32(start + kHeaderSizeOffset);
    return headerSize > kHeaderSize - 1 && headerSize <= geometry.maxTableSize;
  };
  if (!readUntil(device, address, 6, start, headerFits, status)) return false;
  ByteVector header;
  header.resize(headerSize, 0, status);
  if (status.isFatal()) return false;
  uint64_t length = 0;
  const auto lengthFits = [&] {
    length = claimedLength(header.data());
    return length > kHeaderSize - 1 && length <= geometry.maxTableSize;
  };
  if (!readUntil(device, address, headerSize, header.data(), lengthFits, status)) return false;
  image.resize(length + FlashRecord::kCrcSize, 0, status);
  if (status.isFatal()) return false;
  if (!FlashRecord(device, geometry).read(address, static_cast<uint32_t>(length), image.data(), status)) return false;
  image.resize(length, 0, status);
  return status.isNotFatal();
}

bool PartitionTable::checkImage(const uint8_t* image, uint64_t length, uint32_t& headerSize, uint32_t& entryCount,
                                tStatus& status) {
  if (status.isFatal()) return false;
  if (length < kHeaderSize) {
    fail(nVLAPALS100::kStatusBadSelector, __LINE__, status);
    return false;
  }
  // Of several mismatches the last of these decides.
  const uint8_t version = image[0];
  const uint8_t oldest = image[1];
  if (version < oldest) {
    fail(nVLAPALS100::kStatusValueOutOfRange, __LINE__, status);
    return false;
  }
  if (kVersion < oldest) {
    fail(codes::kTableTooNew, __LINE__, status);
    return false;
  }
  if (version < kOldestCompatibleVersion) {
    fail(codes::kTableTooOld, __LINE__, status);
    return false;
  }
  headerSize = load32(image + kHeaderSizeOffset);
  entryCount = load32(image + kEntryCountOffset);
  // Entries are walked at their own stride whatever the header claims, so
  // the image must hold that many.
  if (headerSize > length || uint64_t{entryCount} * kEntrySize > length - headerSize) {
    fail(nVLAPALS100::kStatusBadSelector, __LINE__, status);
    return false;
  }
  return true;
}

bool PartitionTable::readEntry(const uint8_t* at, PartitionTableEntry& entry, tStatus& status) {
  entry = PartitionTableEntry{load32(at), load32(at + 4), load32(at + 8), load32(at + 12), at[16]};
  // Its data size would wrap.
  if (entry.id != 0 && entry.recordSize < FlashRecord::kCrcSize) {
    fail(nVLAPALS100::kStatusBadSelector, __LINE__, status);
    return false;
  }
  return true;
}

}  // namespace qrtk
