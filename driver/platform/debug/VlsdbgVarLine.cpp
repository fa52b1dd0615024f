#include "VlsdbgVarLine.h"

void vlsdbg_VarLine::print(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  vlsdbg_vprintLine(&location_, format, arguments);
  va_end(arguments);
}

// A buffer of no bytes has no room even for the terminator: nothing is
// written there.
uint64_t vlsdbg_VarLineToBuffer::print(const char* format, ...) {
  if (size_ == 0) return 0;
  va_list arguments;
  va_start(arguments, format);
  vlsdbg_config.format(buffer_, size_, format, arguments);
  va_end(arguments);
  buffer_[size_ - 1] = '\0';
  return size_;
}
