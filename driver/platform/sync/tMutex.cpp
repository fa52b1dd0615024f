#include "tMutex.h"

#include "../zuk/ZukSync.h"

namespace nVLAPAL000 {

tMutex::tMutex(nVLAPALS100::tStatus& status) : handle_(0), owner_(0), depth_(0) {
  if (status.isFatal()) return;
  handle_ = nVLZUK150_createMutex();
  if (handle_ == 0) status.setCode(nVLAPALS100::kStatusOutOfMemory, VL_SITE);
}

tMutex::~tMutex() {
  if (handle_ != 0) nVLZUK150_destroyMutex(handle_);
}

// Owner and depth are only ever written by the thread that holds the
// kernel mutex, so a thread that reads its own handle as the owner really
// is the owner.
void tMutex::acquire() {
  const uint64_t caller = nVLZUK100_getThreadHandle();
  if (__atomic_load_n(&owner_, __ATOMIC_RELAXED) != caller) {
    nVLZUK150_acquireMutex(handle_);
    __atomic_store_n(&owner_, caller, __ATOMIC_RELAXED);
  }
  ++depth_;
}

void tMutex::release() {
  if (--depth_ == 0) {
    __atomic_store_n(&owner_, 0, __ATOMIC_RELAXED);
    nVLZUK150_releaseMutex(handle_);
  }
}

bool tMutex::isHeldByCaller() const {
  return __atomic_load_n(&owner_, __ATOMIC_RELAXED) == nVLZUK100_getThreadHandle();
}

void acquireRecursiveMutex(tMutex& mutex) { mutex.acquire(); }
void releaseRecursiveMutex(tMutex& mutex) { mutex.release(); }

}  // namespace nVLAPAL000
