#include "Text.h"

#include <utility>

#include "driver/platform/memory/Memory.h"

namespace vlregitools {

using nVLAPALS100::tStatus;

namespace {
// Far beyond any list of map names; keeps the doubling below from wrapping.
constexpr uint64_t kMaxLength = uint64_t{1} << 31;
}  // namespace

bool sameBytes(const char* a, const char* b, uint64_t length) {
  for (uint64_t i = 0; i < length; ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

Text::~Text() { delete[] data_; }

Text::Text(Text&& other)
    : data_(std::exchange(other.data_, nullptr)),
      length_(std::exchange(other.length_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

Text& Text::operator=(Text&& other) {
  if (this == &other) return *this;
  delete[] data_;
  data_ = std::exchange(other.data_, nullptr);
  length_ = std::exchange(other.length_, 0);
  capacity_ = std::exchange(other.capacity_, 0);
  return *this;
}

bool Text::reserve(uint64_t length, tStatus& status) {
  if (length < capacity_) return true;
  uint64_t capacity = capacity_ < 16 ? 16 : capacity_;
  while (capacity <= length) capacity *= 2;
  char* grown = new (status, nVLAPAL000::kAllocationKindPlain) char[capacity];
  if (grown == nullptr) return false;
  for (uint64_t i = 0; i < length_; ++i) grown[i] = data_[i];
  grown[length_] = '\0';
  delete[] data_;
  data_ = grown;
  capacity_ = capacity;
  return true;
}

void Text::append(const char* bytes, uint64_t length, tStatus& status) {
  if (status.isFatal()) return;
  if (length > kMaxLength - length_) {
    status.setCode(nVLAPALS100::kStatusOutOfMemory, VL_SITE);
    return;
  }
  if (!reserve(length_ + length, status)) return;
  for (uint64_t i = 0; i < length; ++i) data_[length_ + i] = bytes[i];
  length_ += length;
  data_[length_] = '\0';
}

void Text::clear() {
  length_ = 0;
  if (data_ != nullptr) data_[0] = '\0';
}

bool Text::equals(const char* bytes, uint64_t length) const {
  return length == length_ && sameBytes(c_str(), bytes, length);
}

}  // namespace vlregitools
