#include "tConsoleTraceDestination.h"

#include "../debug/Vlsdbg.h"
#include "../text/NumberText.h"
#include "../text/TextRoutines.h"

namespace nVLAPAL000 {

uint64_t appendToText(char* buffer, uint64_t size, const char* text) {
  const uint64_t length = stringLength(buffer);
  const uint64_t added = stringLength(text);
  if (length + added < size) memoryCopy(buffer + length, text, added + 1);
  return length + added;
}

void tConsoleTraceDestination::writeText(const char* text) { vlsdbg_print("%s", text); }

// The count goes into the format itself ("%.<count>s"): the text need not
// be terminated.
void tConsoleTraceDestination::writeCountedText(const char* text, uint64_t count) {
  char format[32] = "%.";
  char* end = unsignedToText(format + 2, count, 10);
  end[0] = 's';
  end[1] = '\0';
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  vlsdbg_print(format, text);
#pragma GCC diagnostic pop
}

const char* tConsoleTraceDestination::getName() const { return "vlsdbg_printf"; }

uint64_t tConsoleTraceDestination::appendCommandLineOption(char* buffer, uint64_t size) const {
  return appendToText(buffer, size, " --destination apal");
}

}  // namespace nVLAPAL000
