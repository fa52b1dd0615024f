#include "DeviceCapabilities.h"

#include "CapabilityStreamReader.h"
#include "driver/board/status/BoardSites.h"
#include "driver/board/status/DeviceStatusCodes.h"
#include "driver/platform/crc/Crc32.h"

namespace nVL9738K_24_0 {
namespace {

using nVLAPALS100::tStatus;
namespace lines = sites::lines;

constexpr uint32_t kCrcTag = 1;
constexpr uint32_t kFirstValueTag = 2;
constexpr uint32_t kLastValueTag = 9;
constexpr uint32_t kValueLength = 4;
constexpr uint32_t kHeaderLength = 8;
// Where the records start in the output: after its size word.
constexpr uint64_t kOutputRecords = 4;

void fail(tStatus& status, int32_t code, uint64_t line) {
  status.setCode(code, VL_SITE_AT(sites::kDeviceCapabilities, line));
}

// The output side of the write path: nothing is appended without it.
// Offsets count from where this serialisation starts in the vector.
class Output {
 public:
  explicit Output(vlhtl::Vector<uint8_t>* bytes) : bytes_(bytes), start_(bytes != nullptr ? bytes->size() : 0) {}
  void appendU32(uint32_t value, tStatus& status) {
    uint8_t encoded[4];
    for (unsigned i = 0; i < 4; ++i) encoded[i] = static_cast<uint8_t>(value >> (8 * i));
    appendBytes(encoded, sizeof encoded, status);
  }
  void appendBytes(const uint8_t* data, uint64_t size, tStatus& status) {
    if (bytes_ != nullptr) bytes_->insert_(bytes_->end(), data, data + size, status);
  }
  // The CRC of the first `count` record bytes written so far.
  uint32_t crcOfRecords(uint64_t count) const {
    if (bytes_ == nullptr || size() < kOutputRecords + count) return 0;
    return nVLAPAL000::crc32(bytes_->data() + start_ + kOutputRecords, count);
  }
  uint64_t size() const { return bytes_ != nullptr ? bytes_->size() - start_ : 0; }

 private:
  vlhtl::Vector<uint8_t>* bytes_;
  uint64_t start_;
};

}  // namespace

void DeviceCapabilities::initialize(DeviceCapabilities& record) {
  for (uint32_t& word : record.words) word = 0;
  record.words[kTemperatureLimit] = static_cast<uint32_t>(kDefaultTemperatureLimit);
}

void DeviceCapabilities::parse(DeviceCapabilities& record, const uint8_t* block, uint32_t length, bool write,
                               uint32_t newFirmwareRevision, uint32_t newOldestFirmwareRevision,
                               vlhtl::Vector<uint8_t>* output, tStatus& status) {
  if (status.isFatal()) return;
  Output out(write ? output : nullptr);
  out.appendU32(length, status);
  CapabilityStreamReader reader(block, length);
  bool crcSeen = false;
  uint32_t storedCrc = 0;
  uint64_t crcCovered = 0;
  while (reader.remaining() != 0 && status.isNotFatal()) {
    if (reader.remaining() < kHeaderLength) {
      fail(status, codes::kBoardVerificationFailed, lines::kCapabilitiesTrailingBytes);
      break;
    }
    const uint32_t tag = reader.readU32(status);
    const uint32_t recordLength = reader.readU32(status);
    out.appendU32(tag, status);
    out.appendU32(recordLength, status);
    if (tag >= kCrcTag && tag <= kLastValueTag && recordLength != kValueLength) {
      fail(status, codes::kBoardVerificationFailed, lines::kCapabilitiesRecordLength);
      break;
    }
    if (tag == kCrcTag) {
      crcCovered = reader.position() - kHeaderLength;
      storedCrc = reader.readU32(status);
      crcSeen = true;
      out.appendU32(out.crcOfRecords(crcCovered), status);
    } else if (tag >= kFirstValueTag && tag <= kLastValueTag) {
      // A value cut short by the end of the block is no value: its word
      // keeps what it held (the default, at bring-up), so that a damaged
      // last record cannot set an over-temperature limit of 0 degrees.
      bool known = reader.remaining() >= kValueLength;
      uint32_t value = reader.readU32(status);
      if (write && tag == kFirmwareRevision + kFirstValueTag) {
        value = newFirmwareRevision;
        known = true;
      }
      if (write && tag == kOldestFirmwareRevision + kFirstValueTag) {
        value = newOldestFirmwareRevision;
        known = true;
      }
      if (known) record.words[tag - kFirstValueTag] = value;
      out.appendU32(value, status);
    } else {
      const uint64_t skipped = recordLength < reader.remaining() ? recordLength : reader.remaining();
      out.appendBytes(reader.current(), skipped, status);
      reader.skip(skipped);
    }
  }
  // A CRC record in first place covers nothing and proves nothing.
  if (crcSeen && crcCovered != 0 && nVLAPAL000::crc32(block, crcCovered) != storedCrc) {
    fail(status, codes::kBoardVerificationFailed, lines::kCapabilitiesCrc);
  }
  if (status.isFatal()) initialize(record);
  if (write && out.size() != uint64_t{length} + kOutputRecords) {
    fail(status, codes::kInvalidArgument, lines::kCapabilitiesOutputLength);
  }
}

}  // namespace nVL9738K_24_0
