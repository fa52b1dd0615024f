#include "TextRoutines.h"

#include "../zuk/ZukMemory.h"
#include "NumberText.h"
#include "TextLength.h"

namespace nVLAPAL000 {
namespace {

int32_t compareCommon(const char* a, uint64_t lengthA, const char* b, uint64_t lengthB) {
  const uint64_t common = lengthA < lengthB ? lengthA : lengthB;
  for (uint64_t i = 0; i < common; ++i) {
    const auto left = static_cast<signed char>(a[i]);
    const auto right = static_cast<signed char>(b[i]);
    if (left != right) return left < right ? -1 : 1;
  }
  if (lengthA == lengthB) return 0;
  return lengthA < lengthB ? -1 : 1;
}

// Finds the next word from `cursor`: its first character and the character
// just past it (a closing quote, a blank or the terminator). Returns false
// when only blanks remain.
bool nextWord(const char* cursor, const char** start, const char** end) {
  while (isBlank(*cursor)) ++cursor;
  if (*cursor == '\0') return false;
  if (*cursor == '"') {
    *start = ++cursor;
    while (*cursor != '\0' && *cursor != '"') ++cursor;
  } else {
    *start = cursor;
    while (*cursor != '\0' && !isBlank(*cursor)) ++cursor;
  }
  *end = cursor;
  return true;
}

}  // namespace

uint64_t stringLength(const char* text) { return textLength(text); }

char* copyTail(char* destination, const char* text, uint64_t n) {
  const uint64_t length = stringLength(text);
  const uint64_t skipped = length > n ? length - n : 0;
  uint64_t i = 0;
  for (; skipped + i < length; ++i) destination[i] = text[skipped + i];
  for (; i < n; ++i) destination[i] = '\0';
  destination[n] = '\0';
  return destination + n;
}

int32_t compareText(const char* a, const char* b) { return compareCommon(a, stringLength(a), b, stringLength(b)); }

int32_t compareCharRanges(const char* a, uint64_t offset, uint64_t lengthA, const char* b, uint64_t lengthB) {
  return compareCommon(a + offset, lengthA, b, lengthB);
}

uint32_t countArguments(const char* commandLine) {
  const char* cursor = commandLine;
  uint32_t count = 0;
  const char* start;
  const char* end;
  while (cursor != nullptr && nextWord(cursor, &start, &end)) {
    ++count;
    cursor = *end == '\0' ? end : end + 1;
  }
  return count;
}

uint32_t splitArguments(char* commandLine, char** argv) {
  char* cursor = commandLine;
  uint32_t count = 0;
  const char* start;
  const char* end;
  while (cursor != nullptr && nextWord(cursor, &start, &end)) {
    argv[count++] = commandLine + (start - commandLine);
    char* wordEnd = commandLine + (end - commandLine);
    if (*wordEnd == '\0') break;
    *wordEnd = '\0';
    cursor = wordEnd + 1;
  }
  return count;
}

// An empty copy touches neither pointer, so it may be given null ones.
void* memoryMove(void* destination, const void* source, uint64_t size) {
  if (size == 0) return destination;
  return nVLZUK180_memMove(destination, source, size);
}

void* memoryCopy(void* destination, const void* source, uint64_t size) {
  if (size == 0) return destination;
  return nVLZUK180_memCpy(destination, source, size);
}

void memorySet(void* destination, uint8_t byte, uint64_t size) {
  auto* bytes = static_cast<uint8_t*>(destination);
  for (uint64_t i = 0; i < size; ++i) bytes[i] = byte;
}

int32_t memoryCompare(const void* a, const void* b, uint64_t size) {
  const auto* left = static_cast<const uint8_t*>(a);
  const auto* right = static_cast<const uint8_t*>(b);
  for (uint64_t i = 0; i < size; ++i) {
    if (left[i] != right[i]) return static_cast<int32_t>(left[i]) - static_cast<int32_t>(right[i]);
  }
  return 0;
}

}  // namespace nVLAPAL000
