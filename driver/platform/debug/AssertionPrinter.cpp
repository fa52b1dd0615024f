#include "AssertionPrinter.h"

#include "../text/TextRoutines.h"

namespace nVLAPAL000 {

void printAssertion(tTrace& trace, const vlsdbg_Location& location, const char* category, const char* text) {
  const bool warning = category != nullptr && compareText(category, kAssertionCategoryWarning) == 0;
  trace.setLocation(location.file, location.line);
  if (category == nullptr) {
    trace.append("ASSERTION FAILED: ");
  } else if (warning) {
    trace.append("ASSERTION WARNING: ");
  } else {
    trace.append("ASSERTION FAILED (");
    trace.append(category);
    trace.append("): ");
  }
  trace.append(text != nullptr ? text : "");
  trace.endLine();
  if (warning) vlsdbg_config.halt(&location, "APAL debug break");
}

}  // namespace nVLAPAL000
