// Debug printing to the kernel log and assertions that stop the machine.
// Every prefixed line reads "[ component|                            file|line] message";
// one module-global configuration record steers the layout, the level
// threshold and the hooks into the kernel layer.
#ifndef VL9738K_PLATFORM_VLSDBG_H
#define VL9738K_PLATFORM_VLSDBG_H

#include <stdarg.h>
#include <stdint.h>

// Where a line or an assertion comes from.
struct vlsdbg_Location {
  const char* file;
  uint32_t line;
  const char* suffix;  // appended to every prefixed line
};

struct vlsdbg_Config;
using vlsdbg_HaltHook = void (*)(const vlsdbg_Location* location, const char* message);
// Appends one prefix field within `room` characters; returns how many it wrote.
using vlsdbg_FieldFormatter = uint64_t (*)(char* at, uint64_t room, const vlsdbg_Location& location,
                                           const vlsdbg_Config& config);
using vlsdbg_PrintHook = void (*)(const char* text);
using vlsdbg_FormatHook = int32_t (*)(char* buffer, uint64_t size, const char* format, va_list arguments);

struct vlsdbg_Config {
  vlsdbg_HaltHook halt;
  const vlsdbg_FieldFormatter* prefixFormatters;  // null-terminated
  uint32_t lineWidth;
  uint32_t fileWidth;
  uint32_t componentWidth;
  int32_t levelThreshold;
  vlsdbg_PrintHook print;
  vlsdbg_FormatHook format;
};

extern const vlsdbg_Config vlsdbg_config;

inline constexpr uint64_t kVlsdbgLineSize = 256;
inline constexpr int32_t kVlsdbgLevelDebug = 4096;
inline constexpr int32_t kVlsdbgLevelError = 16384;

// A prefixed line when `level` reaches the threshold.
void vlsdbg_printf(int32_t level, const vlsdbg_Location* location, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
// A prefixed line whatever the level.
void vlsdbg_printLine(const vlsdbg_Location* location, const char* format, ...) __attribute__((format(printf, 2, 3)));
void vlsdbg_vprintLine(const vlsdbg_Location* location, const char* format, va_list arguments);
// Unprefixed text of at most 255 characters.
void vlsdbg_print(const char* format, ...) __attribute__((format(printf, 1, 2)));
void vlsdbg_vprint(const char* format, va_list arguments);
void vlsdbg_printLevel(int32_t level, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Stops the machine; does not return.
__attribute__((noreturn)) void vlsdbg_halt(const vlsdbg_Location* location, const char* message);
// Reports a failed assertion (its text, then the specific message) and halts.
__attribute__((noreturn)) void vlsdbg_assertFailed(const vlsdbg_Location* location, const char* assertion,
                                                   const char* format, ...) __attribute__((format(printf, 3, 4)));

// Where every pure virtual slot leads; does not return.
namespace nVLAPAL000 {
__attribute__((noreturn)) void pureVirtualCalled();
}

#define VLSDBG_ASSERT(condition, ...)                                              \
  do {                                                                             \
    if (!(condition)) {                                                            \
      static constexpr vlsdbg_Location vlsdbgLocation{__FILE__, __LINE__, "\n"};   \
      vlsdbg_assertFailed(&vlsdbgLocation, "ASSERT(" #condition ")", __VA_ARGS__); \
    }                                                                              \
  } while (0)

#endif
