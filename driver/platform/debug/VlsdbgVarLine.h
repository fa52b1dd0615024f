// Printers bound to one source location. vlsdbg_VarLine prints whole
// prefixed lines from it; vlsdbg_VarLineToBuffer formats the message alone
// into a caller's buffer, for text that goes somewhere else than the log.
#ifndef VL9738K_PLATFORM_VLSDBG_VAR_LINE_H
#define VL9738K_PLATFORM_VLSDBG_VAR_LINE_H

#include <stdint.h>

#include "Vlsdbg.h"

class vlsdbg_VarLine {
 public:
  explicit vlsdbg_VarLine(const vlsdbg_Location& location) : location_(location) {}
  virtual ~vlsdbg_VarLine() = default;

  // A prefixed line whatever the level, as vlsdbg_printLine.
  virtual void print(const char* format, ...) __attribute__((format(printf, 2, 3)));

 private:
  vlsdbg_Location location_;
};

class vlsdbg_VarLineToBuffer {
 public:
  vlsdbg_VarLineToBuffer(const vlsdbg_Location& location, char* buffer, uint64_t size)
      : location_(location), buffer_(buffer), size_(size) {}
  virtual ~vlsdbg_VarLineToBuffer() = default;

  // Formats the message into the buffer, cut so that its last byte is
  // always the terminator; returns the buffer's size.
  virtual uint64_t print(const char* format, ...) __attribute__((format(printf, 2, 3)));

  const vlsdbg_Location& location() const { return location_; }

 private:
  vlsdbg_Location location_;
  char* buffer_;
  uint64_t size_;
};

#endif
