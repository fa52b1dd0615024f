// Allocation with a 16-byte block header {total size, allocation kind}.
// Every block of the `new` family is freed from 16 bytes below the pointer
// its owner holds, whichever form allocated it.
#ifndef VL9738K_PLATFORM_MEMORY_H
#define VL9738K_PLATFORM_MEMORY_H

#include <stddef.h>
#include <stdint.h>

#include "../status/tStatus.h"

namespace nVLAPAL000 {

struct tBlockHeader {
  uint64_t totalSize;
  uint64_t kind;
};

inline constexpr uint8_t kAllocationKindPlain = 1;

void* operatorNew(uint64_t size);
void* operatorNewArray(uint64_t size);
void* operatorNewNoThrow(uint64_t size, const void* tag);
void* operatorNewWithStatus(uint64_t size, nVLAPALS100::tStatus& status, uint8_t kind);
void* operatorNewArrayWithStatus(uint64_t size, nVLAPALS100::tStatus& status, uint8_t kind);
void operatorDelete(void* block);

// Headerless blocks, released with nVLZUK100_free.
void* allocateWithStatus(uint64_t size, nVLAPALS100::tStatus& status);
void* apalMalloc(uint64_t size);

}  // namespace nVLAPAL000

// Status-reporting object allocation: `new (status, kind) T(...)` yields null
// (and constructs nothing) when the status already holds an error or the
// kernel layer has no memory left.
void* operator new(size_t size, nVLAPALS100::tStatus& status, uint8_t kind) noexcept;
void* operator new[](size_t size, nVLAPALS100::tStatus& status, uint8_t kind) noexcept;
void operator delete(void* block, nVLAPALS100::tStatus& status, uint8_t kind) noexcept;
void operator delete[](void* block, nVLAPALS100::tStatus& status, uint8_t kind) noexcept;

#endif
