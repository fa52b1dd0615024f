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
      writer_(0),
      writers_(0) {}

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
  {
    tAutoLock<tMutex> exit(readerExitMutex_);
    if (atomicDecrement(readers_) == 0) drained_.set();
  }
  drained_.waitForever();
}

// Under the reader-exit mutex the drained event is steady: unset, the
// writer (if any) has not gone in and counts this reader before it does;
// set, a writer is inside until its release reopens the gate. A reader
// stepping back out meanwhile may have the count at 0 for a moment without
// having drained anything: the event, not the count, decides.
void ReaderWriterLockBase::acquireSharedBesideWaitingWriter() {
  while (true) {
    {
      tAutoLock<tMutex> exit(readerExitMutex_);
      if (!drained_.isSet()) {
        atomicIncrement(readers_);
        return;
      }
    }
    writerDone_.waitForever();
  }
}

void ReaderWriterLockBase::acquireExclusive() {
  atomicIncrement(writers_);
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
  atomicDecrement(writers_);
}

// With no other writer counted, the writer mutex is free (one that was
// releasing has let it go already). A reader still inside after the bias
// went is waited for by nobody: the bias comes back as a release puts it.
bool ReaderWriterLockBase::tryAcquireExclusive() {
  if (!nVLAPAL000::atomicCompareExchange(writers_, 0, 1)) return false;
  writerMutex_.acquire();
  writerDone_.reset();
  atomicStore(writer_, 1);
  {
    tAutoLock<tMutex> exit(readerExitMutex_);
    if (atomicDecrement(readers_) == 0) {
      drained_.set();
      return true;
    }
  }
  release();
  return false;
}

void ReaderWriterLockBase::acquireExclusiveOutside(tMutex& outer) {
  while (!tryAcquireExclusive()) {
    const uint32_t depth = outer.getDepth();
    for (uint32_t i = 0; i < depth; ++i) outer.release();
    acquireExclusive();
    release();
    for (uint32_t i = 0; i < depth; ++i) outer.acquire();
  }
}

}  // namespace vllym
