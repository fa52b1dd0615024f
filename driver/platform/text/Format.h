// Bounded and unbounded text formatting through the kernel layer.
#ifndef VL9738K_PLATFORM_TEXT_FORMAT_H
#define VL9738K_PLATFORM_TEXT_FORMAT_H

#include <stdarg.h>
#include <stdint.h>

namespace nVLAPAL000 {

// Returns the number of characters the whole text needs; at most size - 1
// of them are written, always followed by a terminator when size > 0.
int64_t formatTextBounded(char* buffer, uint64_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));
int64_t formatTextBoundedV(char* buffer, uint64_t size, const char* format, va_list arguments);
int64_t formatText(char* buffer, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace nVLAPAL000

#endif
