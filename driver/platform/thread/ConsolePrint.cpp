#include "ConsolePrint.h"

#include "../text/Format.h"
#include "../zuk/ZukPrint.h"

namespace nVLAPAL000 {

void printUnprefixedV(const char* format, va_list arguments) {
  char buffer[kConsolePrintBufferSize];
  formatTextBoundedV(buffer, sizeof(buffer), format, arguments);
  buffer[sizeof(buffer) - 1] = '\0';
  nVLZUK100_printToDebugger(buffer);
}

void printUnprefixed(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  printUnprefixedV(format, arguments);
  va_end(arguments);
}

}  // namespace nVLAPAL000
