// Runtime hooks that the compiler's code expects and a hosted C++ library
// would supply. Only the packaged module carries them; they become local
// symbols there, so nothing outside the module can bind to them.
#include "../platform/debug/Vlsdbg.h"
#include "../platform/runtime/CppRunTime.h"

extern "C" {

// The compiler passes the address of this object to __cxa_atexit for every
// static object with a destructor: it is the head of the at-exit list.
nVLAPAL000::tAtExitNode* __dso_handle = nullptr;

int __cxa_atexit(void (*function)(void*), void* argument, void* listHead) {
  return nVLAPAL000::registerAtExit(function, argument, static_cast<nVLAPAL000::tAtExitNode**>(listHead));
}

// Every pure virtual slot of every class points here.
void __cxa_pure_virtual() { nVLAPAL000::pureVirtualCalled(); }

}  // extern "C"

namespace nVLAPAL000 {

tAtExitNode** atExitListHead() { return &__dso_handle; }

}  // namespace nVLAPAL000
