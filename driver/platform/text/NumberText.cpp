#include "NumberText.h"

namespace nVLAPAL000 {
namespace {

char digitCharacter(uint32_t digit) { return static_cast<char>(digit < 10 ? '0' + digit : 'A' + (digit - 10)); }

bool isValidBase(uint32_t base) { return base >= 2 && base <= kLargestTextBase; }

// The value of a digit character, or -1. Letters count only in base 16:
// the other bases that the layer writes never go past 10.
int32_t digitValue(char character, bool lettersAllowed) {
  if (character >= '0' && character <= '9') return character - '0';
  if (!lettersAllowed) return -1;
  if (character >= 'a' && character <= 'f') return character - 'a' + 10;
  if (character >= 'A' && character <= 'F') return character - 'A' + 10;
  return -1;
}

const char* skipBlanks(const char* text) {
  while (isBlank(*text)) ++text;
  return text;
}

bool hasHexPrefix(const char* text) { return text[0] == '0' && (text[1] == 'x' || text[1] == 'X'); }

// Accumulates digits from `*cursor` in `base` and leaves the cursor on the
// first character that is not one.
uint64_t readDigits(const char** cursor, uint64_t base, bool checkAgainstBase) {
  uint64_t value = 0;
  const char* text = *cursor;
  for (;; ++text) {
    const int32_t digit = digitValue(*text, base == 16);
    if (digit < 0 || (checkAgainstBase && static_cast<uint64_t>(digit) >= base)) break;
    value = value * base + static_cast<uint64_t>(digit);
  }
  *cursor = text;
  return value;
}

}  // namespace

bool isBlank(char character) { return character == ' ' || (character >= 9 && character <= 13); }

char* unsignedToText(char* buffer, uint64_t value, uint32_t base) {
  char* end = buffer;
  if (isValidBase(base)) {
    do {
      *end++ = digitCharacter(static_cast<uint32_t>(value % base));
      value /= base;
    } while (value != 0);
  }
  *end = '\0';
  // The digits came least significant first.
  for (uint64_t low = 0, high = static_cast<uint64_t>(end - buffer); low + 1 < high; ++low, --high) {
    const char swapped = buffer[low];
    buffer[low] = buffer[high - 1];
    buffer[high - 1] = swapped;
  }
  return end;
}

char* unsignedToFixedText(char* buffer, uint64_t value, uint32_t width, uint32_t base) {
  if (!isValidBase(base)) width = 0;
  for (uint32_t i = width; i-- > 0;) {
    buffer[i] = digitCharacter(static_cast<uint32_t>(value % base));
    value /= base;
  }
  buffer[width] = '\0';
  return buffer + width;
}

char* formatUnsigned(char* buffer, uint64_t value, uint32_t base) {
  char* cursor = buffer;
  if (base == 16) {
    *cursor++ = '0';
    *cursor++ = 'x';
  } else if (base != 10) {
    cursor = unsignedToText(cursor, base, 10);
    *cursor++ = '#';
  }
  return unsignedToText(cursor, value, base);
}

uint64_t parseUnsigned(const char* text) {
  if (text == nullptr) return 0;
  text = skipBlanks(text);
  uint64_t base = 10;
  if (hasHexPrefix(text)) {
    base = 16;
    text += 2;
  }
  const uint64_t value = readDigits(&text, base, false);
  if (base != 10 || *text != '#') return value;
  ++text;
  return readDigits(&text, value, false);
}

uint64_t parseUnsignedInBase(const char* text, uint32_t base) {
  if (text == nullptr) return 0;
  text = skipBlanks(text);
  if (hasHexPrefix(text)) text += 2;
  return readDigits(&text, base, true);
}

}  // namespace nVLAPAL000
