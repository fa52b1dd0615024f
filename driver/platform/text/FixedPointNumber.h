// The fixed-point number format of the instruction framework: a raw value
// and the configuration (signedness, word length, integer word length) that
// says how to read it.
#ifndef VL9738K_PLATFORM_TEXT_FIXED_POINT_NUMBER_H
#define VL9738K_PLATFORM_TEXT_FIXED_POINT_NUMBER_H

#include <stdint.h>

namespace vlfxptype {

struct Configuration {
  uint8_t signedness = 0;
  uint8_t wordLength = 1;
  uint16_t integerWordLength = 1;

  friend bool operator==(const Configuration& a, const Configuration& b) {
    return a.signedness == b.signedness && a.wordLength == b.wordLength && a.integerWordLength == b.integerWordLength;
  }
  friend bool operator!=(const Configuration& a, const Configuration& b) { return !(a == b); }
};

struct Number {
  uint64_t raw = 0;
  Configuration configuration;

  friend bool operator==(const Number& a, const Number& b) {
    return a.raw == b.raw && a.configuration == b.configuration;
  }
  friend bool operator!=(const Number& a, const Number& b) { return !(a == b); }
  // Orders by the raw value read as a signed 64-bit number; the
  // configuration takes no part.
  friend bool operator<(const Number& a, const Number& b) {
    return static_cast<int64_t>(a.raw) < static_cast<int64_t>(b.raw);
  }
};

}  // namespace vlfxptype

#endif
