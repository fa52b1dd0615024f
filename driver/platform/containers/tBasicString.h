// The platform's older growing string. Its internal operations take no
// status: a growth that fails leaves the text as it was and sets the sticky
// failure flag; appends and assignments report the flag as -52000.
#ifndef VL9738K_PLATFORM_CONTAINERS_TBASIC_STRING_H
#define VL9738K_PLATFORM_CONTAINERS_TBASIC_STRING_H

#include <stdint.h>

#include <utility>

#include "../status/tStatus.h"
#include "../text/TextRoutines.h"
#include "ContainerSites.h"
#include "PointerRange.h"
#include "tAllocator.h"

namespace nVLAPAL000 {

template <typename tChar, typename tAlloc = tAllocator<tChar>>
class tBasicString {
 public:
  // The largest length whose block (with terminator) can be allocated.
  static constexpr uint64_t kMaxLength = tAlloc::kMaxCount - 1;

  tBasicString() = default;
  explicit tBasicString(const tChar* text) { appendText(text, lengthOf(text)); }
  tBasicString(const tBasicString& other) : failed_(other.failed_) { appendText(other.text_, other.length_); }
  tBasicString& operator=(const tBasicString&) = delete;
  ~tBasicString() { tAlloc::deallocate(text_); }

  const tChar* c_str() const { return text_ != nullptr ? text_ : kEmpty; }
  uint64_t length() const { return length_; }
  uint64_t capacity() const { return capacity_; }
  bool hasFailed() const { return failed_ != 0; }

  // Room for n characters and the terminator; on failure the flag is set
  // and the text stays as it was.
  void reserve(uint64_t n) {
    if (n <= capacity_) return;
    tChar* block = n > kMaxLength ? nullptr : tAlloc::allocate(n + 1);
    if (block == nullptr) {
      failed_ = 1;
      return;
    }
    memoryCopy(block, text_, length_ * sizeof(tChar));
    block[length_] = 0;
    tAlloc::deallocate(text_);
    text_ = block;
    capacity_ = n;
  }

  void append(const tChar* text, nVLAPALS100::tStatus& status) { append(text, lengthOf(text), status); }
  void append(const tChar* text, uint64_t count, nVLAPALS100::tStatus& status) {
    if (status.isFatal()) return;
    if (!appendText(text, count)) {
      status.setCode(nVLAPALS100::kStatusOutOfMemory, VL_SITE_AT(sites::kBasicString, sites::kBasicStringAppendLine));
    }
  }

  // Replaces the text. A longer text is built apart and swapped in, so the
  // string keeps its old text when that fails (and may be given a part of
  // itself).
  void assign(const tChar* text, nVLAPALS100::tStatus& status) {
    if (status.isFatal()) return;
    const uint64_t length = lengthOf(text);
    if (length == 0) {
      clear();
    } else if (length <= capacity_) {
      memoryMove(text_, text, length * sizeof(tChar));
      text_[length] = 0;
      length_ = length;
    } else {
      tBasicString replacement;
      replacement.reserve(length);
      if (replacement.hasFailed()) {
        failed_ = 1;
      } else {
        replacement.appendText(text, length);
        swapText(replacement);
      }
    }
    if (failed_ != 0) status.setCode(nVLAPALS100::kStatusOutOfMemory, VL_SITE);
  }

  void clear() {
    length_ = 0;
    if (text_ != nullptr) text_[0] = 0;
  }

 private:
  static constexpr tChar kEmpty[1] = {0};

  static uint64_t lengthOf(const tChar* text) {
    static_assert(sizeof(tChar) == 1, "texts are byte strings");
    return text != nullptr ? stringLength(text) : 0;
  }

  bool appendText(const tChar* text, uint64_t count) {
    if (count > kMaxLength - length_) {
      failed_ = 1;
      return false;
    }
    // A part of this very string stays readable across the reallocation.
    const bool ownText = text_ != nullptr && pointsInto(text, text_, text_ + length_);
    const uint64_t offset = ownText ? static_cast<uint64_t>(text - text_) : 0;
    reserve(length_ + count);
    if (length_ + count > capacity_) return false;
    if (ownText) text = text_ + offset;
    memoryMove(text_ + length_, text, count * sizeof(tChar));
    length_ += count;
    if (text_ != nullptr) text_[length_] = 0;
    return true;
  }

  void swapText(tBasicString& other) {
    std::swap(text_, other.text_);
    std::swap(capacity_, other.capacity_);
    std::swap(length_, other.length_);
  }

  tChar* text_ = nullptr;
  uint64_t capacity_ = 0;
  uint64_t length_ = 0;
  uint8_t failed_ = 0;
};

}  // namespace nVLAPAL000

#endif
