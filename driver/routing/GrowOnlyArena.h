// Temporary memory of one routing operation: blocks are carved from chunks
// of the platform allocator and never reused, and every chunk goes back at
// once when the operation ends. A calculation allocates many small records
// that all die together; this keeps it to a few platform allocations.
#ifndef VL9738K_ROUTING_GROWONLYARENA_H
#define VL9738K_ROUTING_GROWONLYARENA_H

#include <stdint.h>

namespace vlark {

// Chunk sizes: a calculation builds routes and path buffers; a reservation
// or a reset calculation only short lists.
inline constexpr uint64_t kCalculationChunkSize = 2048;
inline constexpr uint64_t kReservationChunkSize = 512;

class GrowOnlyArena {
 public:
  explicit GrowOnlyArena(uint64_t chunkSize);
  ~GrowOnlyArena() { releaseAll(); }
  GrowOnlyArena(const GrowOnlyArena&) = delete;
  GrowOnlyArena& operator=(const GrowOnlyArena&) = delete;

  // A block of `size` bytes aligned to kAlignment, or null (the platform
  // had no memory for a new chunk).
  void* allocate(uint64_t size);
  // Counts the block released; its memory stays until releaseAll().
  void release(void* block);
  void releaseAll();

  uint64_t liveAllocations() const { return live_; }
  uint64_t allocations() const { return allocations_; }
  uint64_t bytesHandedOut() const { return bytes_; }
  uint64_t chunks() const { return chunks_; }

  static constexpr uint64_t kAlignment = 8;

 private:
  struct Chunk {
    Chunk* next;
    Chunk* previous;
    uint64_t size;
    GrowOnlyArena* arena;
  };
  static_assert(sizeof(Chunk) == 32, "a chunk begins with a 32-byte header");

  Chunk* head_;
  uint8_t* cursor_;
  uint64_t left_;
  uint64_t chunkSize_;
  uint64_t live_;
  uint64_t allocations_;
  uint64_t bytes_;
  uint64_t chunks_;
};

// The resize function over an arena (the context): size 0 releases `old`;
// otherwise a fresh block whose contents are not copied from `old`. A null
// arena hands out nothing.
void* growOnlyHeapResizeFn(void* old, uint64_t size, void* arena);

}  // namespace vlark

#endif
