#include "UserPagePool.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "Memory.h"

#if defined(__SANITIZE_ADDRESS__)
#define VL_SIM_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VL_SIM_ADDRESS_SANITIZER 1
#endif
#endif

#ifdef VL_SIM_ADDRESS_SANITIZER
#include <sanitizer/asan_interface.h>
#define VL_SIM_POISON(base, size) ASAN_POISON_MEMORY_REGION(base, size)
#define VL_SIM_UNPOISON(base, size) ASAN_UNPOISON_MEMORY_REGION(base, size)
#else
#define VL_SIM_POISON(base, size) ((void)(base), (void)(size))
#define VL_SIM_UNPOISON(base, size) ((void)(base), (void)(size))
#endif

namespace sim {
namespace {

constexpr size_t kPage = Memory::kPageSize;
// Spans above this many pages are rare (bitfiles, large transfers): the
// allocator serves them as before.
constexpr size_t kPooledPages = 16;
// What a page count keeps beyond its quarantine; the rest is freed.
constexpr size_t kKeptBytes = 256 * 1024;
#ifdef VL_SIM_ADDRESS_SANITIZER
// Under AddressSanitizer a block given back stays poisoned until this many
// bytes of its size wait behind it, as the sanitizer's own quarantine keeps
// freed memory from reuse for a while.
constexpr size_t kQuarantineBytes = 1024 * 1024;
#else
constexpr size_t kQuarantineBytes = 0;
#endif

size_t quarantined(size_t pages) { return kQuarantineBytes / (pages * kPage); }
size_t kept(size_t pages) { return kKeptBytes / (pages * kPage); }

// The blocks of one page count, oldest first, in a ring of fixed size: the
// pool allocates nothing but pages, so that a test counting the blocks the
// linked driver allocates (the host's operator new among them) never sees
// the pool's bookkeeping.
struct Ring {
  static constexpr size_t kSlots = (kQuarantineBytes + kKeptBytes) / kPage;
  uint8_t* slots[kSlots];
  size_t first;
  size_t count;

  uint8_t* popOldest() {
    uint8_t* base = slots[first];
    first = (first + 1) % kSlots;
    --count;
    return base;
  }
  void push(uint8_t* base) {
    slots[(first + count) % kSlots] = base;
    ++count;
  }
};

struct Pool {
  std::mutex mutex;
  Ring waiting[kPooledPages];
};

constinit Pool gPool{};

}  // namespace

// A page count's first block fills its quarantine with fresh pages at once:
// a fuzzer that counts an input's allocations against its frees then sees
// the pool grow in one input, not in every input of a long warm-up, each of
// which it would scan for leaks.
uint8_t* UserPagePool::take(size_t pages) {
  if (pages == 0 || pages > kPooledPages) return fresh(pages);
  Ring& waiting = gPool.waiting[pages - 1];
  std::unique_lock<std::mutex> lock(gPool.mutex);
  while (waiting.count <= quarantined(pages)) {
    uint8_t* base = fresh(pages);
    if (base == nullptr) break;
    VL_SIM_POISON(base, pages * kPage);
    waiting.push(base);
  }
  if (waiting.count == 0) return nullptr;
  uint8_t* base = waiting.popOldest();
  lock.unlock();
  VL_SIM_UNPOISON(base, pages * kPage);
  return base;
}

uint8_t* UserPagePool::fresh(size_t pages) {
  auto* base = static_cast<uint8_t*>(std::aligned_alloc(kPage, pages * kPage));
  if (base != nullptr) std::memset(base, 0, pages * kPage);
  return base;
}

void UserPagePool::give(uint8_t* base, size_t pages, size_t dirtyOffset, size_t dirtyLength) {
  if (base == nullptr) return;
  if (pages == 0 || pages > kPooledPages) {
    std::free(base);
    return;
  }
  std::memset(base + dirtyOffset, 0, dirtyLength);
  VL_SIM_POISON(base, pages * kPage);
  Ring& waiting = gPool.waiting[pages - 1];
  uint8_t* surplus = nullptr;
  {
    std::lock_guard<std::mutex> lock(gPool.mutex);
    if (waiting.count == quarantined(pages) + kept(pages)) surplus = waiting.popOldest();
    waiting.push(base);
  }
  if (surplus != nullptr) {
    VL_SIM_UNPOISON(surplus, pages * kPage);
    std::free(surplus);
  }
}

}  // namespace sim
