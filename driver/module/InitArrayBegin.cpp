// First entry of the module's static-constructor table. The build links
// this object before every other one, so the marker precedes all entries.
#include "../platform/runtime/CppRunTime.h"

extern "C" {
__attribute__((section(".init_array"), used)) nVLAPAL000::tStaticConstructor __vl_init_array_begin[1] = {nullptr};
}
