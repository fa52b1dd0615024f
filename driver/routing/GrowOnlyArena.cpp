#include "GrowOnlyArena.h"

#include "driver/platform/memory/Memory.h"
#include "driver/platform/zuk/ZukMemory.h"

namespace vlark {

namespace {

uint64_t alignUp(uint64_t value) { return (value + GrowOnlyArena::kAlignment - 1) & ~(GrowOnlyArena::kAlignment - 1); }

}  // namespace

GrowOnlyArena::GrowOnlyArena(uint64_t chunkSize)
    : head_(nullptr),
      cursor_(nullptr),
      left_(0),
      chunkSize_(chunkSize),
      live_(0),
      allocations_(0),
      bytes_(0),
      chunks_(0) {}

void* GrowOnlyArena::allocate(uint64_t size) {
  if (size > left_) {
    // The header and the alignment slack come on top of the request; a
    // request that large could never be met anyway.
    const uint64_t overhead = sizeof(Chunk) + kAlignment;
    if (size > UINT64_MAX - overhead) return nullptr;
    const uint64_t chunkBytes = size + overhead > chunkSize_ ? size + overhead : chunkSize_;
    auto* chunk = static_cast<Chunk*>(nVLAPAL000::apalMalloc(chunkBytes));
    if (chunk == nullptr) return nullptr;
    *chunk = Chunk{head_, nullptr, chunkBytes, this};
    if (head_ != nullptr) head_->previous = chunk;
    head_ = chunk;
    ++chunks_;
    const uint64_t start = alignUp(reinterpret_cast<uint64_t>(chunk + 1));
    cursor_ = reinterpret_cast<uint8_t*>(start);
    left_ = reinterpret_cast<uint64_t>(chunk) + chunkBytes - start;
  }
  void* block = cursor_;
  const uint64_t taken = alignUp(size) < left_ ? alignUp(size) : left_;
  cursor_ += taken;
  left_ -= taken;
  ++live_;
  ++allocations_;
  bytes_ += size;
  return block;
}

void GrowOnlyArena::release(void* block) {
  if (block != nullptr && live_ != 0) --live_;
}

void GrowOnlyArena::releaseAll() {
  while (head_ != nullptr) {
    Chunk* next = head_->next;
    nVLZUK100_free(head_);
    head_ = next;
  }
  cursor_ = nullptr;
  left_ = 0;
  live_ = 0;
}

void* growOnlyHeapResizeFn(void* old, uint64_t size, void* arena) {
  if (arena == nullptr) return nullptr;
  auto& self = *static_cast<GrowOnlyArena*>(arena);
  self.release(old);
  return size == 0 ? nullptr : self.allocate(size);
}

}  // namespace vlark
