// Numbers as text and text as numbers, without a C library. Bases above 10
// use the letters 'A' onwards; a base is written in front of the digits as
// "0x" for 16, nothing for 10 and "<base>#" otherwise ("2#1011"), and the
// parser reads all three forms back.
#ifndef VL9738K_PLATFORM_TEXT_NUMBER_TEXT_H
#define VL9738K_PLATFORM_TEXT_NUMBER_TEXT_H

#include <stdint.h>

namespace nVLAPAL000 {

inline constexpr uint32_t kLargestTextBase = 36;

// Writes the digits of `value` and a terminator; returns the address of the
// terminator. A base outside 2..36 has no digits: the text is empty.
char* unsignedToText(char* buffer, uint64_t value, uint32_t base);
// Exactly `width` digits, with leading zeros (higher digits are dropped).
char* unsignedToFixedText(char* buffer, uint64_t value, uint32_t width, uint32_t base);
// The base prefix, then the digits.
char* formatUnsigned(char* buffer, uint64_t value, uint32_t base);

// Skips leading blanks; reads "0x..." in base 16, "<base>#<digits>" in the
// named base, anything else in base 10. Stops at the first character that
// is not a digit of the form being read. Null reads as 0.
uint64_t parseUnsigned(const char* text);
// Skips leading blanks and an optional "0x"; reads digits of `base`.
uint64_t parseUnsignedInBase(const char* text, uint32_t base);

bool isBlank(char character);

}  // namespace nVLAPAL000

#endif
