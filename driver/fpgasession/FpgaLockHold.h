// Scoped holds of the FPGA lock: shared for work that uses the design,
// exclusive for work that changes it.
#ifndef VL9738K_FPGASESSION_FPGALOCKHOLD_H
#define VL9738K_FPGASESSION_FPGALOCKHOLD_H

#include "driver/fpga/session/ReaderWriterLock.h"

namespace vllym {
namespace kernel {

class SharedHold {
 public:
  explicit SharedHold(ReaderWriterLock& lock) : lock_(lock) { lock_.acquireShared(); }
  ~SharedHold() { lock_.releaseShared(); }
  SharedHold(const SharedHold&) = delete;
  SharedHold& operator=(const SharedHold&) = delete;

 private:
  ReaderWriterLock& lock_;
};

// Shared for a teardown step (an unmap at a process's exit): it waits for
// a writer inside, not for one still waiting for readers, which may itself
// wait behind another session's wait without limit. The step must be short
// and bounded, so that the writer it goes before is not starved.
class TeardownHold {
 public:
  explicit TeardownHold(ReaderWriterLock& lock) : lock_(lock) { lock_.acquireSharedBesideWaitingWriter(); }
  ~TeardownHold() { lock_.releaseShared(); }
  TeardownHold(const TeardownHold&) = delete;
  TeardownHold& operator=(const TeardownHold&) = delete;

 private:
  ReaderWriterLock& lock_;
};

class ExclusiveHold {
 public:
  explicit ExclusiveHold(ReaderWriterLock& lock) : lock_(lock) { lock_.acquireExclusive(); }
  ~ExclusiveHold() { lock_.release(); }
  ExclusiveHold(const ExclusiveHold&) = delete;
  ExclusiveHold& operator=(const ExclusiveHold&) = delete;

 private:
  ReaderWriterLock& lock_;
};

}  // namespace kernel
}  // namespace vllym

#endif
