// Every settings record lists its fields once, in declaration order, through
// a static `visitFields(record, visitor)`; the visitor sees each field as a
// u8, u16, u32 or u64 value, a settling table or the suggestion flag. The
// wire form, the equality and the hash all follow from that one list, so
// they cannot drift apart.
//
// FieldBytes turns a record into its field bytes: the fields in order,
// without gaps, multi-byte values little-endian. Equal records have equal
// field bytes whatever their padding holds, which is what the hash sets of
// the reservation policies need.
#ifndef VL9738K_RF_SETTINGS_FIELD_BYTES_H
#define VL9738K_RF_SETTINGS_FIELD_BYTES_H

#include <stdint.h>

#include "../../platform/containers/HashSet.h"
#include "../../platform/text/TextRoutines.h"
#include "SettlingTimes.h"

namespace vl9738settings {

// Counts the field bytes of a record type.
struct FieldByteCounter {
  uint32_t count = 0;

  template <typename T>
  constexpr void value(const T&) {
    count += sizeof(T);
  }
  constexpr void times(const SettlingTimes&) { count += SettlingTimes::kCount * sizeof(uint32_t); }
  constexpr void suggest(const uint8_t&) { count += 1; }
};

template <typename tRecord>
constexpr uint32_t fieldByteCount() {
  FieldByteCounter counter;
  const tRecord record;
  tRecord::visitFields(record, counter);
  return counter.count;
}

template <typename tRecord>
class FieldBytes {
 public:
  static constexpr uint32_t kSize = fieldByteCount<tRecord>();

  explicit FieldBytes(const tRecord& record) { tRecord::visitFields(record, *this); }

  const uint8_t* data() const { return bytes_; }
  uint8_t operator[](uint32_t index) const { return bytes_[index]; }
  bool operator==(const FieldBytes& other) const { return nVLAPAL000::memoryCompare(bytes_, other.bytes_, kSize) == 0; }

  template <typename T>
  void value(const T& field) {
    for (uint32_t i = 0; i < sizeof(T); ++i)
      bytes_[size_++] = static_cast<uint8_t>(static_cast<uint64_t>(field) >> (8 * i));
  }
  void times(const SettlingTimes& table) {
    for (uint32_t i = 0; i < SettlingTimes::kCount; ++i) value(table.time[i]);
  }
  void suggest(const uint8_t& flag) { value(flag); }

 private:
  uint8_t bytes_[kSize] = {};
  uint32_t size_ = 0;
};

// The hash of a record: FNV-1a over its field bytes.
template <typename tRecord>
uint32_t hashFields(const tRecord& record) {
  const FieldBytes<tRecord> bytes(record);
  return vlhtl::fnv1a32(bytes.data(), FieldBytes<tRecord>::kSize);
}

}  // namespace vl9738settings

#endif
