#include "ReaderWriterLock.h"

namespace vllym {

using nVLAPAL000::atomicDecrement;
using nVLAPAL000::atomicIncrement;
using nVLAPAL000::atomicStore;
using nVLAPAL000::tAutoLock;
using nVLAPAL000::tMutex;

ReaderWriterLockBase::ReaderWriterLockBase(tStatus& status)
    : writerMutex_(status),
      readerExitMutex_(status),
      drained_(false, status),
      writerDone_(true, status),
      readers_(1),
      writer_(0) {}

// Under the reader-exit mutex, so that the drained event a last reader sets
// cannot land after a releasing writer has reset it for the next writer.
void ReaderWriterLockBase::backOff() {
  {
    tAutoLock<tMutex> exit(readerExitMutex_);
    if (atomicDecrement(readers_) == 0) drained_.set();
  }
  writerDone_.waitForever();
}

void ReaderWriterLockBase::leaveLast() {
  tAutoLock<tMutex> exit(readerExitMutex_);
  if (atomicDecrement(readers_) == 0) drained_.set();
}

void ReaderWriterLockBase::drainReaders() {
  if (atomicDecrement(readers_) == 0) {
    drained_.set();
  } else {
    drained_.waitForever();
  }
}

void ReaderWriterLockBase::acquireExclusive() {
  writerMutex_.acquire();
  // The gate closes before the flag is raised: a reader that sees the flag
  // then finds the gate closed and sleeps until release.
  writerDone_.reset();
  atomicStore(writer_, 1);
  drainReaders();
}

void ReaderWriterLockBase::release() {
  readerExitMutex_.acquire();
  atomicIncrement(readers_);
  drained_.reset();
  atomicStore(writer_, 0);
  writerDone_.set();
  readerExitMutex_.release();
  writerMutex_.release();
}

}  // namespace vllym
