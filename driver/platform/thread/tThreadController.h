// Runs a function on a named kernel thread, once.
#ifndef VL9738K_PLATFORM_THREAD_TTHREAD_CONTROLLER_H
#define VL9738K_PLATFORM_THREAD_TTHREAD_CONTROLLER_H

#include <stdint.h>

#include "../status/tStatus.h"
#include "../zuk/ZukThread.h"

namespace nVLAPAL000 {

class tThreadController {
 public:
  using tThreadFunction = void (*)(void* argument);

  tThreadController() = default;
  // A thread still running is joined first: it runs through this object.
  virtual ~tThreadController();
  tThreadController(const tThreadController&) = delete;
  tThreadController& operator=(const tThreadController&) = delete;

  // Starts function(argument) on a thread named `name`. A controller starts
  // one thread in its life: a second start is -52016.
  void start(tThreadFunction function, void* argument, const char* name, nVLAPALS100::tStatus& status);
  // The same, on a thread named after the module.
  void start(tThreadFunction function, void* argument, nVLAPALS100::tStatus& status);
  void start(tThreadFunction function, nVLAPALS100::tStatus& status);
  // Waits for a running thread to return.
  void join();
  void print(const char* prefix, const char* suffix) const;

  bool isStarted() const { return started_ != 0; }
  bool isRunning() const { return running_ != 0; }
  uint64_t getThreadId() const { return threadId_; }

 private:
  static void entryTrampoline(void* context);

  uint64_t threadId_ = 0;
  tThreadFunction function_ = nullptr;
  void* argument_ = nullptr;
  nVLZUK_tThreadRecord record_ = {nullptr, nullptr};
  uint8_t started_ = 0;
  uint8_t running_ = 0;
};

}  // namespace nVLAPAL000

#endif
