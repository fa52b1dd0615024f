#include "tDataReader.h"

#include "WireStatus.h"

namespace vl9738settings {

using nVLAPALS100::tStatus;

tDataReader::tDataReader(const uint8_t* data, uint64_t size, bool swapBytes)
    : arrayReader_(nullptr), data_(data), size_(data != nullptr ? size : 0), position_(0), swapBytes_(swapBytes) {}

tDataReader::tDataReader(tArrayReader& arrayReader, bool swapBytes)
    : arrayReader_(&arrayReader), data_(nullptr), size_(0), position_(0), swapBytes_(swapBytes) {}

uint64_t tDataReader::remaining() const {
  if (data_ == nullptr && arrayReader_ != nullptr) {
    if (arrayReader_->data == nullptr || arrayReader_->position > arrayReader_->size) return 0;
    return arrayReader_->size - arrayReader_->position;
  }
  return position_ <= size_ ? size_ - position_ : 0;
}

uint64_t tDataReader::read(uint32_t width, tStatus& status) {
  if (data_ == nullptr && arrayReader_ != nullptr) return readThroughArray(width, status);
  return readContiguous(width, status);
}

uint64_t tDataReader::readContiguous(uint32_t width, tStatus& status) {
  if (remaining() < width) {
    status.setCode(kWarningInputExhausted, VL_SITE_AT(sites::kDataReader, sites::kDataReaderExhaustedLine));
    return 0;
  }
  const uint64_t value = assemble(data_ + position_, width);
  position_ += width;
  return value;
}

uint64_t tDataReader::readThroughArray(uint32_t width, tStatus& status) {
  uint8_t bytes[8] = {};
  for (uint32_t i = 0; i < width; ++i) {
    if (status.isFatal() || status.getCode() == kWarningInputExhausted) continue;
    if (remaining() == 0) {
      status.setCode(kWarningInputExhausted, VL_SITE_AT(sites::kArrayReader, sites::kArrayReaderExhaustedLine));
      continue;
    }
    bytes[i] = arrayReader_->data[arrayReader_->position++];
  }
  return assemble(bytes, width);
}

// The bytes in the order they were taken: least significant first, or most
// significant first when swapping.
uint64_t tDataReader::assemble(const uint8_t* bytes, uint32_t width) const {
  uint64_t value = 0;
  for (uint32_t i = 0; i < width; ++i) {
    const uint32_t shift = swapBytes_ ? 8 * (width - 1 - i) : 8 * i;
    value |= static_cast<uint64_t>(bytes[i]) << shift;
  }
  return value;
}

}  // namespace vl9738settings
