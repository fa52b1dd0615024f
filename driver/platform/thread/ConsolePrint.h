// A line of text to the kernel log, without prefix or level: formatted into
// a fixed 256-byte buffer (longer text is cut) and handed to the kernel
// layer's debugger print.
#ifndef VL9738K_PLATFORM_THREAD_CONSOLE_PRINT_H
#define VL9738K_PLATFORM_THREAD_CONSOLE_PRINT_H

#include <stdarg.h>

namespace nVLAPAL000 {

inline constexpr unsigned kConsolePrintBufferSize = 256;

void printUnprefixed(const char* format, ...) __attribute__((format(printf, 1, 2)));
void printUnprefixedV(const char* format, va_list arguments);

}  // namespace nVLAPAL000

#endif
