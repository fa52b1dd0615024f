// Byte-string routines that the kernel environment does not provide.
#ifndef VL9738K_PLATFORM_TEXT_TEXT_ROUTINES_H
#define VL9738K_PLATFORM_TEXT_TEXT_ROUTINES_H

#include <stdint.h>

namespace nVLAPAL000 {

uint64_t stringLength(const char* text);

// Copies the last `n` characters of `text` (all of it, padded with NUL, when
// it is shorter) and terminates at destination[n]; returns destination + n.
// The destination holds n + 1 bytes.
char* copyTail(char* destination, const char* text, uint64_t n);

// -1, 0 or 1; characters compare as signed bytes and a text that is a
// prefix of the other is the lower one.
int32_t compareText(const char* a, const char* b);
// Compares lengthA characters of `a` from `offset` with lengthB characters
// of `b`, by the same rule.
int32_t compareCharRanges(const char* a, uint64_t offset, uint64_t lengthA, const char* b, uint64_t lengthB);

// Words of a command line are separated by blanks; a word that starts with
// a double quote runs to the closing quote and may hold blanks (the quotes
// are not part of the word).
uint32_t countArguments(const char* commandLine);
// Splits the line in place: each word is terminated where it ends, and
// argv receives the start of every word. Returns the number of words.
uint32_t splitArguments(char* commandLine, char** argv);

void* memoryMove(void* destination, const void* source, uint64_t size);
void* memoryCopy(void* destination, const void* source, uint64_t size);
void memorySet(void* destination, uint8_t byte, uint64_t size);
// Difference of the first unequal pair of bytes, 0 when all are equal.
int32_t memoryCompare(const void* a, const void* b, uint64_t size);

}  // namespace nVLAPAL000

#endif
