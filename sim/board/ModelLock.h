// The lock a board model takes at each register access it answers. Only
// the tests that run real threads ever reach a model from two threads at
// once; everywhere else the lock is free when it is taken, and a flash
// program or an image download takes it millions of times. An atomic flag
// costs a fraction of a library mutex there; a waiter gives its processor
// away between looks, as a blocked thread would.
#ifndef VL9738K_SIM_BOARD_MODEL_LOCK_H
#define VL9738K_SIM_BOARD_MODEL_LOCK_H

#include <atomic>
#include <thread>

namespace sim {

class ModelLock {
 public:
  void lock() {
    while (held_.exchange(true, std::memory_order_acquire)) {
      while (held_.load(std::memory_order_relaxed)) std::this_thread::yield();
    }
  }
  void unlock() { held_.store(false, std::memory_order_release); }

 private:
  std::atomic<bool> held_{false};
};

// The same lock taken again by the thread that holds it: the bridge's
// model reaches its own registers from inside an access (a DMA descriptor
// that writes a bridge register).
class RecursiveModelLock {
 public:
  void lock() {
    const void* me = self();
    if (owner_.load(std::memory_order_relaxed) == me) {
      ++depth_;
      return;
    }
    lock_.lock();
    owner_.store(me, std::memory_order_relaxed);
    depth_ = 1;
  }
  void unlock() {
    if (--depth_ != 0) return;
    owner_.store(nullptr, std::memory_order_relaxed);
    lock_.unlock();
  }

 private:
  // An address that only the calling thread has.
  static const void* self() {
    static thread_local const char mark = 0;
    return &mark;
  }

  ModelLock lock_;
  std::atomic<const void*> owner_{nullptr};
  unsigned depth_ = 0;
};

}  // namespace sim

#endif
