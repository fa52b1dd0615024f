// A CRC-protected record of the partition store: the payload, its
// little-endian CRC-32 right after it, then erased bytes up to the next
// multiple of the access granule. Transfers cover the whole granules the
// record touches. Table copies and partition data are both stored so.
#ifndef VL9738K_FLASH_FLASHRECORD_H
#define VL9738K_FLASH_FLASHRECORD_H

#include <stdint.h>

#include "FlashDevice.h"
#include "driver/platform/containers/AllocPaged.h"
#include "driver/platform/containers/Vector.h"

namespace qrtk {

using ByteVector = vlhtl::Vector<uint8_t, AllocPaged<uint8_t>>;

class FlashRecord {
 public:
  static constexpr uint32_t kCrcSize = 4;
  static constexpr uint32_t kReadAttempts = 5;

  // The granules a record of `length` payload bytes at `address` covers.
  struct Span {
    uint64_t start;
    uint64_t length;
    uint32_t payloadOffset;
    uint64_t end() const { return start + length; }
  };
  static Span spanOf(const FlashGeometry& geometry, uint32_t address, uint64_t length);

  FlashRecord(FlashDevice& device, const FlashGeometry& geometry) : device_(device), geometry_(geometry) {}

  // Programs the record (erasing every sector it touches) and reads the
  // span back: stored payload and CRC must equal what went out, else
  // 0xBFFA9174.
  void write(const uint8_t* payload, uint32_t address, uint32_t length, nVLAPALS100::tStatus& status);
  // Reads the span until the payload's CRC matches the stored one, at most
  // kReadAttempts times, and copies payload and CRC (length + 4 bytes) to
  // `out`. False when no read matched.
  bool read(uint32_t address, uint32_t length, uint8_t* out, nVLAPALS100::tStatus& status);

 private:
  bool sizedSpan(const Span& span, ByteVector& buffer, nVLAPALS100::tStatus& status);

  FlashDevice& device_;
  const FlashGeometry& geometry_;
};

}  // namespace qrtk

#endif
