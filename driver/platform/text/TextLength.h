// Length of a NUL-terminated text. Compilers like to turn such a loop into
// a call to the C library's strlen, which a kernel module cannot import;
// the empty asm keeps the loop a loop.
#ifndef VL9738K_PLATFORM_TEXT_LENGTH_H
#define VL9738K_PLATFORM_TEXT_LENGTH_H

#include <stdint.h>

namespace nVLAPAL000 {

inline uint64_t textLength(const char* text) {
  uint64_t length = 0;
  while (text[length] != '\0') {
    ++length;
    __asm__("" : "+r"(length));
  }
  return length;
}

}  // namespace nVLAPAL000

#endif
