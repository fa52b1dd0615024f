#include "FlashImage.h"

#include <cassert>
#include <iterator>

namespace sim {
namespace {

void append32(std::vector<uint8_t>& bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// The standard reflected CRC-32, bit by bit.
uint32_t crc32(const std::vector<uint8_t>& bytes) {
  uint32_t crc = 0xFFFFFFFF;
  for (uint8_t byte : bytes) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

uint32_t paddedSize(size_t size) { return static_cast<uint32_t>((size + 3) & ~size_t{3}); }

}  // namespace

CapabilityRecord CapabilityRecord::serialNumber(uint64_t serial) {
  CapabilityRecord record{kSerialNumber, {}, Link::Relative};
  append32(record.body, static_cast<uint32_t>(serial));
  append32(record.body, static_cast<uint32_t>(serial >> 32));
  return record;
}

CapabilityRecord CapabilityRecord::geographicAddress(uint32_t registerOffset, uint32_t descriptor) {
  CapabilityRecord record{kGeographicAddress, {}, Link::Relative};
  append32(record.body, registerOffset);
  append32(record.body, descriptor);
  return record;
}

CapabilityRecord CapabilityRecord::deviceSpecific(const std::vector<uint8_t>& data) {
  CapabilityRecord record{kDeviceSpecific, {}, Link::Relative};
  append32(record.body, static_cast<uint32_t>(data.size()));
  record.body.insert(record.body.end(), data.begin(), data.end());
  return record;
}

uint32_t FlashImage::header(uint16_t id, uint16_t pointer, unsigned type) {
  return static_cast<uint32_t>(id) << 16 | (pointer & 0xFFFCu) | (type & 3u);
}

void FlashImage::writeDirectory(NorFlash& flash) {
  const uint32_t words[] = {FlashLayout::kPoscSelect,      FlashLayout::kPoscCopy1,
                            FlashLayout::kPoscCopy2,       FlashLayout::kCapabilitySelect,
                            FlashLayout::kCapabilityCopy1, FlashLayout::kCapabilityCopy2};
  for (size_t i = 0; i < std::size(words); ++i) flash.load32(FlashLayout::kDirectory + 4 * i, words[i]);
}

void FlashImage::writePosc(NorFlash& flash, uint32_t address, uint16_t subsystemId) {
  const uint8_t id[2] = {static_cast<uint8_t>(subsystemId), static_cast<uint8_t>(subsystemId >> 8)};
  flash.load(address + FlashLayout::kPoscSubsystemId, id, sizeof id);
}

std::vector<uint8_t> FlashImage::emptyPartitionTableRecord() {
  std::vector<uint8_t> record = {1, 1};
  append32(record, 14);
  append32(record, 17);
  append32(record, 0);
  append32(record, crc32(record));
  return record;
}

void FlashImage::writeEmptyPartitionStore(NorFlash& flash) {
  const std::vector<uint8_t> record = emptyPartitionTableRecord();
  flash.load(FlashLayout::kPartitionTableB, record.data(), record.size());
  flash.load(FlashLayout::kPartitionTableA, record.data(), record.size());
}

void FlashImage::writeSelect(NorFlash& flash, uint32_t address, uint32_t flag) { flash.load32(address, flag); }

uint32_t FlashImage::writeCapabilityList(NorFlash& flash, uint32_t address,
                                         const std::vector<CapabilityRecord>& records) {
  // Where each header goes: a record whose successor is linked with its
  // high half is preceded by the word that carries that half.
  std::vector<uint32_t> headers;
  uint32_t at = address;
  for (size_t i = 0; i < records.size(); ++i) {
    const bool carriesHighHalf =
        i + 1 < records.size() && records[i + 1].link == CapabilityRecord::Link::AbsoluteWithHighHalf;
    if (carriesHighHalf) at += 4;
    headers.push_back(at);
    at += 4 + paddedSize(records[i].body.size());
  }
  for (size_t i = 0; i < records.size(); ++i) {
    const CapabilityRecord& record = records[i];
    uint32_t word = header(record.id, 0, 0);
    if (i + 1 < records.size()) {
      const uint32_t next = headers[i + 1];
      switch (records[i + 1].link) {
        case CapabilityRecord::Link::Absolute:
          assert(next <= 0xFFFF);
          word = header(record.id, static_cast<uint16_t>(next), 0);
          break;
        case CapabilityRecord::Link::AbsoluteWithHighHalf:
          word = header(record.id, static_cast<uint16_t>(next), 1);
          flash.load32(headers[i] - 4, next & 0xFFFF0000u);
          break;
        case CapabilityRecord::Link::Relative:
          assert(next - headers[i] <= 0xFFFF);
          word = header(record.id, static_cast<uint16_t>(next - headers[i]), 2);
          break;
      }
    }
    flash.load32(headers[i], word);
    if (!record.body.empty()) flash.load(headers[i] + 4, record.body.data(), record.body.size());
  }
  return headers.empty() ? 0 : headers.front();
}

}  // namespace sim
