#include "ContainerAssert.h"

#include "../status/StatusSite.h"
#include "../text/Format.h"
#include "../zuk/ZukPrint.h"

namespace nVLAPAL000 {

void containerAssertionFailed(const char* file, uint64_t line, const char* condition) {
  char text[256];
  formatTextBounded(text, sizeof(text), "%s %s(%lu): %s\n", VL_COMPONENT, file, static_cast<unsigned long>(line),
                    condition);
  nVLZUK100_printToDebugger(text);
  nVLZUK250_halt(VL_COMPONENT, file, line, condition);
}

}  // namespace nVLAPAL000
