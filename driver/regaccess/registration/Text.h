// A growable, always terminated text owned by the registration layer: the
// registered names and the tab-separated registration list. Growth that
// fails leaves the text as it was and records -52000.
#ifndef VL9738K_REGACCESS_REGISTRATION_TEXT_H
#define VL9738K_REGACCESS_REGISTRATION_TEXT_H

#include <stdint.h>

#include "driver/platform/status/tStatus.h"

namespace vlregitools {

class Text {
 public:
  Text() = default;
  ~Text();
  Text(const Text&) = delete;
  Text& operator=(const Text&) = delete;
  Text(Text&& other);
  Text& operator=(Text&& other);

  // Appends `length` bytes of `bytes`; nothing when the status holds an error.
  void append(const char* bytes, uint64_t length, nVLAPALS100::tStatus& status);
  void append(char c, nVLAPALS100::tStatus& status) { append(&c, 1, status); }
  // Keeps the storage for the next use.
  void clear();

  const char* c_str() const { return data_ != nullptr ? data_ : ""; }
  uint64_t length() const { return length_; }
  bool equals(const char* bytes, uint64_t length) const;

 private:
  bool reserve(uint64_t length, nVLAPALS100::tStatus& status);

  char* data_ = nullptr;
  uint64_t length_ = 0;
  uint64_t capacity_ = 0;  // bytes of data_, the terminator's included
};

// Compares byte runs without the C library, which a module cannot import.
bool sameBytes(const char* a, const char* b, uint64_t length);

}  // namespace vlregitools

#endif
