#include "FlashRecord.h"

#include "FlashSites.h"
#include "FlashStoreCodes.h"
#include "driver/platform/crc/Crc32.h"

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

bool sameBytes(const uint8_t* a, const uint8_t* b, uint64_t length) {
  for (uint64_t i = 0; i < length; ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

}  // namespace

FlashRecord::Span FlashRecord::spanOf(const FlashGeometry& geometry, uint32_t address, uint64_t length) {
  const uint32_t offset = address % geometry.alignment;
  const uint64_t covered = offset + length + kCrcSize;
  const uint64_t rounded = (covered + geometry.alignment - 1) / geometry.alignment * geometry.alignment;
  return Span{address - offset, rounded, offset};
}

// The device takes 32-bit lengths: a span beyond that cannot be moved.
bool FlashRecord::sizedSpan(const Span& span, ByteVector& buffer, tStatus& status) {
  if (span.length > UINT32_MAX || span.start + span.length > UINT32_MAX) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE_AT(sites::kManager, __LINE__));
    return false;
  }
  buffer.resize(span.length, geometry_.erasedValue, status);
  return status.isNotFatal();
}

void FlashRecord::write(const uint8_t* payload, uint32_t address, uint32_t length, tStatus& status) {
  if (status.isFatal()) return;
  const Span span = spanOf(geometry_, address, length);
  ByteVector buffer;
  if (!sizedSpan(span, buffer, status)) return;
  uint8_t* record = buffer.data() + span.payloadOffset;
  for (uint32_t i = 0; i < length; ++i) record[i] = payload[i];
  const uint32_t crc = nVLAPAL000::crc32(payload, length);
  store32(record + length, crc);
  device_.writeWithErase(buffer.data(), static_cast<uint32_t>(span.start), static_cast<uint32_t>(span.length), status);
  if (status.isFatal()) return;
  for (uint64_t i = 0; i < span.length; ++i) buffer[i] = 0;
  device_.read(buffer.data(), static_cast<uint32_t>(span.start), static_cast<uint32_t>(span.length), status);
  if (status.isFatal()) return;
  if (load32(record + length) != crc || !sameBytes(record, payload, length)) {
    status.setCode(codes::kRecordUnreadable, VL_SITE_AT(sites::kManager, __LINE__));
  }
}

bool FlashRecord::read(uint32_t address, uint32_t length, uint8_t* out, tStatus& status) {
  if (status.isFatal()) return false;
  const Span span = spanOf(geometry_, address, length);
  ByteVector buffer;
  if (!sizedSpan(span, buffer, status)) return false;
  const uint8_t* record = buffer.data() + span.payloadOffset;
  for (uint32_t attempt = 0; attempt < kReadAttempts; ++attempt) {
    device_.read(buffer.data(), static_cast<uint32_t>(span.start), static_cast<uint32_t>(span.length), status);
    if (status.isFatal()) return false;
    if (nVLAPAL000::crc32(record, length) != load32(record + length)) continue;
    for (uint64_t i = 0; i < uint64_t{length} + kCrcSize; ++i) out[i] = record[i];
    return true;
  }
  return false;
}

}  // namespace qrtk
