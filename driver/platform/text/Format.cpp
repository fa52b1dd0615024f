#include "Format.h"

#include "../zuk/ZukPrint.h"

namespace nVLAPAL000 {

int64_t formatTextBoundedV(char* buffer, uint64_t size, const char* format, va_list arguments) {
  return nVLZUK100_vsnPrintf(buffer, size, format, arguments);
}

int64_t formatTextBounded(char* buffer, uint64_t size, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const int64_t needed = formatTextBoundedV(buffer, size, format, arguments);
  va_end(arguments);
  return needed;
}

int64_t formatText(char* buffer, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const int64_t written = nVLZUK100_vsprintf(buffer, format, arguments);
  va_end(arguments);
  return written;
}

}  // namespace nVLAPAL000
