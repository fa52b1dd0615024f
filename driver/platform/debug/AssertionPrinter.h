// The platform layer's assertion report on a trace, for code that reports
// through a trace rather than the debug log.
#ifndef VL9738K_PLATFORM_ASSERTION_PRINTER_H
#define VL9738K_PLATFORM_ASSERTION_PRINTER_H

#include "../thread/tTrace.h"
#include "Vlsdbg.h"

namespace nVLAPAL000 {

inline constexpr const char kAssertionCategoryWarning[] = "warning";

// Writes one line at `location`: "ASSERTION FAILED: " and the text without a
// category, "ASSERTION WARNING: " for the category "warning", otherwise
// "ASSERTION FAILED (<category>): ". A warning then breaks into the
// debugger through the halt hook with "APAL debug break".
void printAssertion(tTrace& trace, const vlsdbg_Location& location, const char* category, const char* text);

}  // namespace nVLAPAL000

#endif
