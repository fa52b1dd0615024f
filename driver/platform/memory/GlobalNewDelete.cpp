// The module's own global allocation operators: the kernel offers no C++
// runtime, so every plain `new` and every `delete` goes through the
// header-prefixed kernel-layer allocation. Plain `new` reports failure by
// returning null (the module is built with -fcheck-new).
#include <new>

#include "Memory.h"

void* operator new(size_t size) { return nVLAPAL000::operatorNew(size); }
void* operator new[](size_t size) { return nVLAPAL000::operatorNewArray(size); }
void* operator new(size_t size, const std::nothrow_t& tag) noexcept {
  return nVLAPAL000::operatorNewNoThrow(size, &tag);
}
void* operator new[](size_t size, const std::nothrow_t& tag) noexcept {
  return nVLAPAL000::operatorNewNoThrow(size, &tag);
}

void operator delete(void* block) noexcept { nVLAPAL000::operatorDelete(block); }
void operator delete[](void* block) noexcept { nVLAPAL000::operatorDelete(block); }
void operator delete(void* block, size_t) noexcept { nVLAPAL000::operatorDelete(block); }
void operator delete[](void* block, size_t) noexcept { nVLAPAL000::operatorDelete(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { nVLAPAL000::operatorDelete(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { nVLAPAL000::operatorDelete(block); }
