// Last entry of the module's static-constructor table: the build links
// this object after every other one.
#include "../platform/runtime/CppRunTime.h"

extern "C" {
__attribute__((section(".init_array"), used)) nVLAPAL000::tStaticConstructor __vl_init_array_end[1] = {nullptr};
}
