// The module's own static-object runtime: the kernel runs no C++ start-up
// code, so the driver entry constructs the static objects itself and
// unload destroys them.
#ifndef VL9738K_PLATFORM_CPP_RUNTIME_H
#define VL9738K_PLATFORM_CPP_RUNTIME_H

#include <stdint.h>

namespace nVLAPAL000 {

using tStaticConstructor = void (*)();

struct tAtExitNode {
  tAtExitNode* next;
  void (*function)(void*);
  void* argument;
};

// Runs the constructors strictly between the two markers, the entry just
// below `endMarker` first.
void runConstructorTable(const tStaticConstructor* beginMarker, const tStaticConstructor* endMarker);

void initializeCPPRunTime();
void finalizeCPPRunTime();
int32_t registerAtExit(void (*function)(void*), void* argument, tAtExitNode** listHead);
// Runs and empties a whole at-exit list, newest entry first.
void runAtExitList(tAtExitNode** listHead);

const char* const* getVersionBlock();

// The module's at-exit list head; the build supplies it (see ModuleRuntime).
tAtExitNode** atExitListHead();

}  // namespace nVLAPAL000

// The static-constructor table of the module, bracketed by two markers
// that the build places first and last in it.
extern "C" nVLAPAL000::tStaticConstructor __vl_init_array_begin[];
extern "C" nVLAPAL000::tStaticConstructor __vl_init_array_end[];

#endif
