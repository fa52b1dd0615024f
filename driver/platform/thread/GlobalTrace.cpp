// The module's trace: built by the module's static constructors at entry
// and taken down at unload.
#include "tConsoleTraceDestination.h"
#include "tTrace.h"

namespace nVLAPAL000 {
namespace {

tConsoleTraceDestination gConsoleTraceDestination;
tTrace gTrace(&gConsoleTraceDestination);

}  // namespace

tTrace& getGlobalTrace() { return gTrace; }

}  // namespace nVLAPAL000
