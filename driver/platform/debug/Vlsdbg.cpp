#include "Vlsdbg.h"

#include "../status/StatusSite.h"
#include "../text/TextLength.h"
#include "../zuk/ZukPrint.h"

namespace {

using nVLAPAL000::textLength;

uint64_t appendText(char* at, uint64_t room, const char* text, uint64_t length) {
  const uint64_t count = length < room ? length : room;
  for (uint64_t i = 0; i < count; ++i) at[i] = text[i];
  return count;
}

// Right-aligns `text` in `width` columns; a longer text keeps its last
// `width` characters, which is the informative end of a path.
uint64_t appendField(char* at, uint64_t room, const char* text, uint32_t width, char pad) {
  const uint64_t length = textLength(text);
  uint64_t written = 0;
  if (width > length) {
    for (uint64_t i = 0; i < width - length && written < room; ++i) at[written++] = pad;
    return written + appendText(at + written, room - written, text, length);
  }
  return appendText(at, room, text + (length - width), width);
}

uint64_t openBracket(char* at, uint64_t room, const vlsdbg_Location&, const vlsdbg_Config&) {
  return appendText(at, room, "[", 1);
}

uint64_t separator(char* at, uint64_t room, const vlsdbg_Location&, const vlsdbg_Config&) {
  return appendText(at, room, "|", 1);
}

uint64_t closeBracket(char* at, uint64_t room, const vlsdbg_Location&, const vlsdbg_Config&) {
  return appendText(at, room, "] ", 2);
}

uint64_t component(char* at, uint64_t room, const vlsdbg_Location&, const vlsdbg_Config& config) {
  return appendField(at, room, VL_COMPONENT, config.componentWidth, ' ');
}

uint64_t file(char* at, uint64_t room, const vlsdbg_Location& location, const vlsdbg_Config& config) {
  return appendField(at, room, location.file != nullptr ? location.file : "", config.fileWidth, ' ');
}

uint64_t line(char* at, uint64_t room, const vlsdbg_Location& location, const vlsdbg_Config& config) {
  char digits[11];
  uint64_t count = 0;
  uint32_t value = location.line;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  char text[11];
  for (uint64_t i = 0; i < count; ++i) text[i] = digits[count - 1 - i];
  text[count] = '\0';
  return appendField(at, room, text, config.lineWidth, '0');
}

constexpr vlsdbg_FieldFormatter kPrefixFormatters[] = {openBracket, component, separator,    file,
                                                       separator,   line,      closeBracket, nullptr};

constexpr vlsdbg_Location kNoLocation{"", 0, ""};

}  // namespace

constinit const vlsdbg_Config vlsdbg_config{
    vlsdbg_halt, kPrefixFormatters, 4, 32, 10, kVlsdbgLevelDebug, nVLZUK100_printToDebugger, nVLZUK100_vsnPrintf,
};

// The line is cut so that its suffix always fits within 255 characters.
void vlsdbg_vprintLine(const vlsdbg_Location* location, const char* format, va_list arguments) {
  const vlsdbg_Location& where = location != nullptr ? *location : kNoLocation;
  const vlsdbg_Config& config = vlsdbg_config;
  constexpr uint64_t kLastText = kVlsdbgLineSize - 1;
  char buffer[kVlsdbgLineSize];
  uint64_t used = 0;
  for (const vlsdbg_FieldFormatter* field = config.prefixFormatters; *field != nullptr; ++field) {
    used += (*field)(buffer + used, kLastText - used, where, config);
  }
  buffer[used] = '\0';
  config.format(buffer + used, kVlsdbgLineSize - used, format, arguments);
  buffer[kLastText] = '\0';
  const char* suffix = where.suffix != nullptr ? where.suffix : "";
  const uint64_t suffixLength = textLength(suffix);
  const uint64_t cut = suffixLength < kLastText ? kLastText - suffixLength : 0;
  uint64_t length = textLength(buffer);
  if (length > cut) length = cut;
  length += appendText(buffer + length, kLastText - length, suffix, suffixLength);
  buffer[length] = '\0';
  config.print(buffer);
}

void vlsdbg_printLine(const vlsdbg_Location* location, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  vlsdbg_vprintLine(location, format, arguments);
  va_end(arguments);
}

void vlsdbg_printf(int32_t level, const vlsdbg_Location* location, const char* format, ...) {
  if (level < vlsdbg_config.levelThreshold) return;
  va_list arguments;
  va_start(arguments, format);
  vlsdbg_vprintLine(location, format, arguments);
  va_end(arguments);
}

void vlsdbg_vprint(const char* format, va_list arguments) {
  char buffer[kVlsdbgLineSize];
  vlsdbg_config.format(buffer, sizeof buffer, format, arguments);
  buffer[kVlsdbgLineSize - 1] = '\0';
  vlsdbg_config.print(buffer);
}

void vlsdbg_print(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  vlsdbg_vprint(format, arguments);
  va_end(arguments);
}

void vlsdbg_printLevel(int32_t level, const char* format, ...) {
  if (level < vlsdbg_config.levelThreshold) return;
  va_list arguments;
  va_start(arguments, format);
  vlsdbg_vprint(format, arguments);
  va_end(arguments);
}
