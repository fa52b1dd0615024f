// A recursive mutex over the kernel layer's sleeping mutex: the owner may
// take it again, and only the outermost release gives it back.
#ifndef VL9738K_PLATFORM_TMUTEX_H
#define VL9738K_PLATFORM_TMUTEX_H

#include <stdint.h>

#include "../status/tStatus.h"

namespace nVLAPAL000 {

class tMutex {
 public:
  explicit tMutex(nVLAPALS100::tStatus& status);
  ~tMutex();
  tMutex(const tMutex&) = delete;
  tMutex& operator=(const tMutex&) = delete;

  void acquire();
  void release();
  bool isValid() const { return handle_ != 0; }
  bool isHeldByCaller() const;
  uint32_t getDepth() const { return depth_; }

 private:
  uint64_t handle_;
  uint64_t owner_;
  uint32_t depth_;
};

void acquireRecursiveMutex(tMutex& mutex);
void releaseRecursiveMutex(tMutex& mutex);

template <typename tLock>
class tAutoLock {
 public:
  explicit tAutoLock(tLock& lock) : lock_(&lock) { lock_->acquire(); }
  ~tAutoLock() { lock_->release(); }
  tAutoLock(const tAutoLock&) = delete;
  tAutoLock& operator=(const tAutoLock&) = delete;

 private:
  tLock* lock_;
};

}  // namespace nVLAPAL000

#endif
