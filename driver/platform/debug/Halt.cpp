// Halting: failed assertions and calls through pure virtual slots stop
// the machine after saying where.
#include "../status/StatusSite.h"
#include "../zuk/ZukPrint.h"
#include "Vlsdbg.h"

namespace {

constexpr const char kVlsdbgSource[] = "dep_mirror/deps/vlsdbg/includes/vlsdbg/vlsdbg";
constexpr uint32_t kVlsdbgHaltLine = 330;
constexpr const char kCppRunTimeSource[] =
    "dep_mirror/deps/vlapal/includes/vlapal/protons/cppRuntime/initializeCPPRunTime";
constexpr uint32_t kPureVirtualLine = 348;

// The hook is not supposed to come back; if it ever does, nothing after
// the failed check may run.
__attribute__((noreturn)) void haltThroughHook(const vlsdbg_Location* location, const char* message) {
  vlsdbg_config.halt(location, message);
  for (;;) {
  }
}

}  // namespace

void vlsdbg_halt(const vlsdbg_Location* location, const char* message) {
  const char* file = location != nullptr ? location->file : kVlsdbgSource;
  const uint32_t line = location != nullptr ? location->line : kVlsdbgHaltLine;
  nVLZUK250_halt(VL_COMPONENT, file, line, message != nullptr ? message : "halt");
  for (;;) {
  }
}

void vlsdbg_assertFailed(const vlsdbg_Location* location, const char* assertion, const char* format, ...) {
  vlsdbg_print("[%s|%s|%d] !!ASSERT!!\n", VL_COMPONENT, location->file, static_cast<int>(location->line));
  vlsdbg_printLine(location, "%s", assertion);
  va_list arguments;
  va_start(arguments, format);
  vlsdbg_vprintLine(location, format, arguments);
  va_end(arguments);
  haltThroughHook(location, assertion);
}

namespace nVLAPAL000 {

void pureVirtualCalled() {
  static constexpr vlsdbg_Location kLocation{kCppRunTimeSource, kPureVirtualLine, ""};
  vlsdbg_print("[%s|%s|%d] !!ASSERT!!\n", VL_COMPONENT, kLocation.file, static_cast<int>(kLocation.line));
  vlsdbg_print("BUG: A call to a pure virtual function was made!\n");
  haltThroughHook(&kLocation, "ASSERT");
}

}  // namespace nVLAPAL000
