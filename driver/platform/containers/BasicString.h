// The container library's string. Once it holds storage the text is always
// terminated at data[size], and the block holds capacity + 1 characters.
// Storage starts at 127 characters, so short names never reallocate.
// Operations that may allocate take the status last, do nothing when it
// already holds an error, and leave the string as it was when they fail.
#ifndef VL9738K_PLATFORM_CONTAINERS_BASIC_STRING_H
#define VL9738K_PLATFORM_CONTAINERS_BASIC_STRING_H

#include <stdint.h>

#include <utility>

#include "../status/tStatus.h"
#include "../text/TextRoutines.h"
#include "PointerRange.h"
#include "VlhtlAllocator.h"

namespace vlhtl {

template <typename tChar>
struct CharTraits {
  static uint64_t length(const tChar* text) {
    static_assert(sizeof(tChar) == 1, "texts are byte strings");
    return nVLAPAL000::stringLength(text);
  }
  // Characters compare as signed values.
  static int32_t compare(const tChar* a, const tChar* b, uint64_t count) {
    for (uint64_t i = 0; i < count; ++i) {
      const auto left = static_cast<signed char>(a[i]);
      const auto right = static_cast<signed char>(b[i]);
      if (left != right) return left < right ? -1 : 1;
    }
    return 0;
  }
};

template <typename tChar, typename tTraits = CharTraits<tChar>, typename tAlloc = apal::Allocator<tChar>>
class BasicString {
 public:
  static constexpr uint64_t kMinimumCapacity = 127;

  BasicString() = default;
  BasicString(const tChar* text, nVLAPALS100::tStatus& status) : BasicString(text, tTraits::length(text), status) {}
  BasicString(const tChar* text, uint64_t length, nVLAPALS100::tStatus& status) {
    reserve(length, status);
    if (data_ != nullptr) appendInPlace(text, length);
  }
  // The copy is built apart and swapped in: this string holds storage only
  // when the whole copy succeeded.
  BasicString(const BasicString& other, nVLAPALS100::tStatus& status) {
    BasicString copy(other.c_str(), other.size_, status);
    if (status.isNotFatal()) swap(copy);
  }
  BasicString(BasicString&& other) noexcept { swap(other); }
  BasicString& operator=(BasicString&& other) noexcept {
    BasicString(static_cast<BasicString&&>(other)).swap(*this);
    return *this;
  }
  BasicString(const BasicString&) = delete;
  BasicString& operator=(const BasicString&) = delete;
  ~BasicString() { tAlloc::deallocate(data_); }

  uint64_t size() const { return size_; }
  uint64_t length() const { return size_; }
  uint64_t capacity() const { return capacity_; }
  bool empty() const { return size_ == 0; }
  const tChar* data() const { return data_; }
  const tChar* c_str() const { return data_ != nullptr ? data_ : kEmpty; }
  tChar& operator[](uint64_t index) { return data_[index]; }
  const tChar& operator[](uint64_t index) const { return data_[index]; }

  void reserve(uint64_t n, nVLAPALS100::tStatus& status) {
    if (status.isFatal()) return;
    if (capacity_ >= n && capacity_ != 0) return;
    uint64_t capacity = n > kMinimumCapacity ? n : kMinimumCapacity;
    if (capacity_ >= 2) {
      const uint64_t grown = capacity_ + capacity_ / 2;
      if (grown > capacity) capacity = grown;
    }
    if (capacity == UINT64_MAX) {
      tAlloc::reportSizeOverflow(status);
      return;
    }
    tChar* block = tAlloc::allocate(capacity + 1, status);
    if (block == nullptr) return;
    nVLAPAL000::memoryCopy(block, data_, size_ * sizeof(tChar));
    block[size_] = 0;
    tAlloc::deallocate(data_);
    data_ = block;
    capacity_ = capacity;
  }

  // Appends [first, last), which may be a part of this string itself.
  void append(const tChar* first, const tChar* last, nVLAPALS100::tStatus& status) {
    if (status.isFatal()) return;
    const uint64_t count = static_cast<uint64_t>(last - first);
    if (count > UINT64_MAX - size_) {
      tAlloc::reportSizeOverflow(status);
      return;
    }
    const bool ownText = data_ != nullptr && nVLAPAL000::pointsInto(first, data_, data_ + size_ + 1);
    const uint64_t offset = ownText ? static_cast<uint64_t>(first - data_) : 0;
    reserve(size_ + count, status);
    if (status.isFatal()) return;
    appendInPlace(ownText ? data_ + offset : first, count);
  }
  void append(const tChar* text, nVLAPALS100::tStatus& status) { append(text, text + tTraits::length(text), status); }

  // Replaces the text with `length` characters at `text` (which may lie in
  // this string). A text longer than the capacity is built apart and
  // swapped in; a length of 0 empties the string and keeps its storage.
  void assign(const tChar* text, uint64_t length, nVLAPALS100::tStatus& status) {
    if (status.isFatal()) return;
    if (length == 0) {
      erase(0, size_);
    } else if (length > capacity_) {
      BasicString replacement(text, length, status);
      if (status.isNotFatal()) swap(replacement);
    } else {
      nVLAPAL000::memoryMove(data_, text, length * sizeof(tChar));
      size_ = length;
      data_[size_] = 0;
    }
  }
  void assign(const tChar* text, nVLAPALS100::tStatus& status) { assign(text, tTraits::length(text), status); }

  // Removes up to `count` characters from `position`; a count past the end
  // stops at the end, a position past the end removes nothing.
  void erase(uint64_t position, uint64_t count) {
    if (position >= size_) return;
    if (count > size_ - position) count = size_ - position;
    if (count == 0) return;
    nVLAPAL000::memoryMove(data_ + position, data_ + position + count, (size_ - position - count + 1) * sizeof(tChar));
    size_ -= count;
  }

  void resize(uint64_t n, tChar character, nVLAPALS100::tStatus& status) {
    if (status.isFatal()) return;
    if (n < size_) {
      erase(n, size_ - n);
    } else if (n > size_) {
      reserve(n, status);
      if (status.isFatal()) return;
      for (uint64_t i = size_; i < n; ++i) data_[i] = character;
      size_ = n;
      data_[size_] = 0;
    }
  }

  // -1, 0 or 1: [position1, position1 + count1) of this string against
  // [position2, position2 + count2) of `other`, both cut at their ends;
  // signed characters, and on an equal common part the shorter is lower.
  int32_t compare(uint64_t position1, uint64_t count1, const BasicString& other, uint64_t position2,
                  uint64_t count2) const {
    count1 = cut(position1, count1, size_);
    count2 = cut(position2, count2, other.size_);
    const uint64_t common = count1 < count2 ? count1 : count2;
    const int32_t order = tTraits::compare(c_str() + position1, other.c_str() + position2, common);
    if (order != 0) return order;
    if (count1 == count2) return 0;
    return count1 < count2 ? -1 : 1;
  }
  int32_t compare(const BasicString& other) const { return compare(0, size_, other, 0, other.size_); }

  friend bool operator<(const BasicString& a, const BasicString& b) { return a.compare(b) < 0; }
  friend bool operator==(const BasicString& a, const BasicString& b) { return a.compare(b) == 0; }

  void swap(BasicString& other) noexcept {
    std::swap(data_, other.data_);
    std::swap(capacity_, other.capacity_);
    std::swap(size_, other.size_);
  }

 private:
  static constexpr tChar kEmpty[1] = {0};

  static uint64_t cut(uint64_t& position, uint64_t count, uint64_t size) {
    if (position > size) position = size;
    return count > size - position ? size - position : count;
  }

  void appendInPlace(const tChar* text, uint64_t count) {
    nVLAPAL000::memoryMove(data_ + size_, text, count * sizeof(tChar));
    size_ += count;
    data_[size_] = 0;
  }

  tChar* data_ = nullptr;
  uint64_t capacity_ = 0;
  uint64_t size_ = 0;
};

using String = BasicString<char>;

}  // namespace vlhtl

#endif
