#include "CppRunTime.h"

#include "../memory/Memory.h"

namespace nVLAPAL000 {
namespace {

// Entry and unload never run concurrently, so the counter needs no lock.
uint32_t gUseCount = 0;

}  // namespace

void runConstructorTable(const tStaticConstructor* beginMarker, const tStaticConstructor* endMarker) {
  for (const tStaticConstructor* entry = endMarker - 1; entry > beginMarker; --entry) (*entry)();
}

void initializeCPPRunTime() {
  if (gUseCount++ != 0) return;
  runConstructorTable(__vl_init_array_begin, __vl_init_array_end);
}

void finalizeCPPRunTime() {
  if (gUseCount-- != 1) return;
  runAtExitList(atExitListHead());
}

int32_t registerAtExit(void (*function)(void*), void* argument, tAtExitNode** listHead) {
  auto* node = static_cast<tAtExitNode*>(operatorNew(sizeof(tAtExitNode)));
  if (node == nullptr) return -1;
  node->function = function;
  node->argument = argument;
  node->next = *listHead;
  *listHead = node;
  return 0;
}

// The node is freed before its function runs, so a destructor that
// registers a further entry sees it run in the same pass.
void runAtExitList(tAtExitNode** listHead) {
  while (*listHead != nullptr) {
    tAtExitNode* node = *listHead;
    *listHead = node->next;
    void (*function)(void*) = node->function;
    void* argument = node->argument;
    operatorDelete(node);
    function(argument);
  }
}

}  // namespace nVLAPAL000
