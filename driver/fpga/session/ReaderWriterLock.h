// The lock of a device's FPGA state: ordinary session requests hold it
// shared, requests that change the FPGA or its personality as a whole hold
// it exclusive.
//
// The reader count carries a bias of 1 while no writer holds or waits, so
// it is 1 + the readers inside. A reader's entry and exit are one atomic
// add and one read of the writer flag; only writers, readers that find a
// writer present and the last reader leaving under a pending writer take
// a mutex. A writer removes the bias and waits until the count reaches 0;
// readers that arrive meanwhile step back out and sleep on the writer-done
// gate until the writer releases, then enter all at once.
//
// Whether the readers have drained changes only under the reader-exit
// mutex (the writer's own removal of the bias included), so that a reader
// holding that mutex can tell a writer still waiting for readers from one
// inside, and join the readers that writer waits for.
#ifndef VL9738K_FPGA_SESSION_READERWRITERLOCK_H
#define VL9738K_FPGA_SESSION_READERWRITERLOCK_H

#include <stdint.h>

#include "driver/fpga/ManualResetEvent.h"
#include "driver/platform/sync/Atomic.h"
#include "driver/platform/sync/tMutex.h"

namespace vllym {

class ReaderWriterLockBase {
 public:
  using tStatus = nVLAPALS100::tStatus;

  // Mutex or spin-lock creation failure: -52000.
  explicit ReaderWriterLockBase(tStatus& status);
  virtual ~ReaderWriterLockBase() {}
  ReaderWriterLockBase(const ReaderWriterLockBase&) = delete;
  ReaderWriterLockBase& operator=(const ReaderWriterLockBase&) = delete;

  void acquireShared() {
    while (true) {
      nVLAPAL000::atomicIncrement(readers_);
      if (nVLAPAL000::atomicLoad(writer_) == 0) return;
      backOff();
    }
  }
  // Shared, waiting only for a writer inside, not for one still waiting for
  // readers: for short, bounded work on a teardown path, which must not sit
  // behind a writer that itself waits behind a reader without limit. The
  // writer then waits for this reader as for those before it. Released by
  // releaseShared.
  void acquireSharedBesideWaitingWriter();
  void releaseShared() {
    // The last reader out under a waiting writer saw the count drop from 1
    // to 0: it puts the 1 back and leaves by the ordered path instead.
    if (nVLAPAL000::atomicDecrement(readers_) == 0) {
      nVLAPAL000::atomicIncrement(readers_);
      leaveLast();
    }
  }
  void acquireExclusive();
  void release();
  // The exclusive lock at once, or false: without waiting for a reader
  // inside or a writer before it.
  bool tryAcquireExclusive();
  // The exclusive lock for a caller that holds `outer` (a recursive mutex):
  // while it has to wait, it gives `outer` back (all its depth) and takes it
  // again before it tries once more. Returns holding both.
  void acquireExclusiveOutside(nVLAPAL000::tMutex& outer);

  uint32_t getReaderCount() const { return nVLAPAL000::atomicLoad(readers_); }
  bool isWriterPresent() const { return nVLAPAL000::atomicLoad(writer_) != 0; }
  bool areReadersDrained() const { return drained_.isSet(); }

 protected:
  void backOff();
  void leaveLast();
  // Takes the reader count's bias away; returns once no reader is inside.
  void drainReaders();

  nVLAPAL000::tMutex writerMutex_;
  nVLAPAL000::tMutex readerExitMutex_;
  ManualResetEvent drained_;
  ManualResetEvent writerDone_;
  uint32_t readers_;
  uint32_t writer_;
  // Writers that hold or wait for the writer mutex.
  uint32_t writers_;
};

class ReaderWriterLock : public ReaderWriterLockBase {
 public:
  explicit ReaderWriterLock(tStatus& status) : ReaderWriterLockBase(status) {}
  ~ReaderWriterLock() override {}
};

}  // namespace vllym

#endif
