// Whole pages for simulated user blocks, kept for reuse: a request frames
// three or four blocks, and allocating and clearing fresh pages for each
// cost more than the request itself. A block given back is cleared where
// it may have been written and waits in a list of its page count; under
// AddressSanitizer it is poisoned while it waits and is handed out again
// only after many others of its size, so that a driver touching a block
// its request has given up is still reported rather than served another
// request's bytes.
#ifndef VL9738K_SIM_USER_PAGE_POOL_H
#define VL9738K_SIM_USER_PAGE_POOL_H

#include <cstddef>
#include <cstdint>

namespace sim {

class UserPagePool {
 public:
  // `pages` zeroed pages, page-aligned.
  static uint8_t* take(size_t pages);
  // Gives back pages from take(): the bytes [dirtyOffset, dirtyOffset +
  // dirtyLength) may hold data, the rest is known to be zero.
  static void give(uint8_t* base, size_t pages, size_t dirtyOffset, size_t dirtyLength);

 private:
  static uint8_t* fresh(size_t pages);
};

}  // namespace sim

#endif
