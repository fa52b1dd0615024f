#include "Memory.h"

#include "../status/SourceSites.h"
#include "../zuk/ZukMemory.h"

namespace nVLAPAL000 {
namespace {

using nVLAPALS100::kStatusOutOfMemory;
using nVLAPALS100::tStatus;

constexpr uint64_t kHeaderSize = sizeof(tBlockHeader);
constexpr uint64_t kMemoryLineKindZero = 393;
constexpr uint64_t kMemoryLineKinded = 520;
constexpr uint64_t kOverflowLine = 46;

void* allocateBlock(uint64_t size, tStatus& status, uint8_t kind, uint64_t failureLine) {
  // A size within 16 of the top of the range would wrap the header sum.
  if (size > UINT64_MAX - kHeaderSize) {
    status.setCode(kStatusOutOfMemory, VL_SITE_AT(sites::kMemoryAllocation, kOverflowLine));
    return nullptr;
  }
  if (status.isFatal()) return nullptr;
  auto* header = static_cast<tBlockHeader*>(nVLZUK100_malloc(size + kHeaderSize));
  if (header == nullptr) {
    status.setCode(kStatusOutOfMemory, VL_SITE_AT(sites::kMemory, failureLine));
    return nullptr;
  }
  header->totalSize = size + kHeaderSize;
  header->kind = kind;
  return header + 1;
}

uint64_t lineForKind(uint8_t kind) { return kind == 0 ? kMemoryLineKindZero : kMemoryLineKinded; }

}  // namespace

void* operatorNew(uint64_t size) {
  tStatus local;
  return allocateBlock(size, local, kAllocationKindPlain, kMemoryLineKinded);
}

void* operatorNewArray(uint64_t size) { return operatorNew(size); }

void* operatorNewNoThrow(uint64_t size, const void*) { return operatorNew(size); }

void* operatorNewWithStatus(uint64_t size, tStatus& status, uint8_t kind) {
  return allocateBlock(size, status, kind, lineForKind(kind));
}

void* operatorNewArrayWithStatus(uint64_t size, tStatus& status, uint8_t kind) {
  return operatorNewWithStatus(size, status, kind);
}

void operatorDelete(void* block) {
  if (block == nullptr) return;
  nVLZUK100_free(static_cast<tBlockHeader*>(block) - 1);
}

void* allocateWithStatus(uint64_t size, tStatus& status) {
  if (status.isFatal()) return nullptr;
  void* block = nVLZUK100_malloc(size);
  if (block == nullptr) status.setCode(kStatusOutOfMemory, VL_SITE_AT(sites::kMemory, kMemoryLineKinded));
  return block;
}

void* apalMalloc(uint64_t size) {
  tStatus local;
  void* block = nVLZUK100_malloc(size);
  if (block == nullptr) local.setCode(kStatusOutOfMemory, VL_SITE_AT(sites::kMemory, kMemoryLineKindZero));
  return block;
}

}  // namespace nVLAPAL000

void* operator new(size_t size, nVLAPALS100::tStatus& status, uint8_t kind) noexcept {
  return nVLAPAL000::operatorNewWithStatus(size, status, kind);
}

void* operator new[](size_t size, nVLAPALS100::tStatus& status, uint8_t kind) noexcept {
  return nVLAPAL000::operatorNewArrayWithStatus(size, status, kind);
}

void operator delete(void* block, nVLAPALS100::tStatus&, uint8_t) noexcept { nVLAPAL000::operatorDelete(block); }

void operator delete[](void* block, nVLAPALS100::tStatus&, uint8_t) noexcept { nVLAPAL000::operatorDelete(block); }
