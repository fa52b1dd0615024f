// The DMA FIFOs of the configured personality by FIFO number, and who owns
// each number: the first {owner id, session} that looks a number up claims
// it until it gives it back or its session closes. Stop, abort and error
// clearing apply to every FIFO at once.
//
// The manager's mutex guards the entries and their owners; each FIFO's own
// mutex serialises its operations, and a blocked acquire holds it. So no
// release stops a FIFO under the manager's mutex (an abort needs that mutex
// to reach the waiter the stop would wait for): the entry is marked as
// being released, the FIFO is woken, stopped and unlocked outside, and only
// then is the number free again. Meanwhile every look-up of it is refused
// as claimed elsewhere, so nobody deploys a buffer that the late unlock
// would tear down, and destroyFifos waits for the release to end. So a
// release needs no FPGA lock: a writer waiting for that lock behind the
// very acquire the release is to wake cannot hold it up.
#ifndef VL9738K_FPGA_FIFO_FPGAFIFOMANAGER_H
#define VL9738K_FPGA_FIFO_FPGAFIFOMANAGER_H

#include <stdint.h>

#include "FpgaFifo.h"
#include "driver/platform/containers/Vector.h"
#include "driver/platform/memory/Memory.h"
#include "driver/platform/zuk/ZukTime.h"

namespace vllym {

template <typename tBoard>
class FpgaFifoManagerT {
 public:
  using tStatus = nVLAPALS100::tStatus;
  using Fifo = FpgaFifoT<tBoard>;
  using Factory = typename tBoard::Factory;
  using tAutoLock = nVLAPAL000::tAutoLock<nVLAPAL000::tMutex>;

  // Free while owner id and session are both 0; no FIFO where the
  // personality declared none at that number.
  struct FifoWithSessionInfo {
    uint64_t ownerId;
    uint64_t session;
    Fifo* fifo;
  };

  // Mutex creation failure: -52000. The factory is not owned.
  FpgaFifoManagerT(Factory* factory, tStatus& status) : factory_(factory), mutex_(status) {}
  ~FpgaFifoManagerT() { destroyFifos(); }
  FpgaFifoManagerT(const FpgaFifoManagerT&) = delete;
  FpgaFifoManagerT& operator=(const FpgaFifoManagerT&) = delete;

  // One entry per record and a DMA FIFO for each record of direction 0 or
  // 1 with the DMA flag, made by the first call; a later call changes
  // nothing but to make a FIFO the previous call could not (out of memory):
  // left missing, every request on its number would answer success and
  // move nothing for the life of the design. A DMA record without a
  // control block, with a number beyond the entries, with a number an
  // earlier record of the list already names, or whose control block lies
  // outside the FPGA window, is refused with -52005 and gets no FIFO; the
  // others still do. The list is checked whole at every call, so a later
  // configuration of the same list is refused alike.
  void createFifos(const vlhtl::Vector<FifoInfo>& records, tStatus& status) {
    if (status.isFatal()) return;
    tAutoLock hold(mutex_);
    const bool first = entries_.empty();
    if (first) {
      entries_.resize(records.size(), FifoWithSessionInfo{0, 0, nullptr}, status);
      if (status.isFatal()) return;
    }
    const bool make = first || incomplete_;
    // The numbers named so far by this list's DMA records.
    vlhtl::Vector<uint8_t> named;
    named.resize(entries_.size(), 0, status);
    if (status.isFatal()) {
      incomplete_ = make;  // nothing was made: the next call makes it
      return;
    }
    incomplete_ = false;
    for (const FifoInfo& record : records) {
      if (record.getDirection() >= FifoInfo::kBothWays || record.getDmaFlag() == 0) continue;
      const uint32_t number = record.getFifoNumber();
      tStatus local;
      if (number >= entries_.size() || named[number] != 0 || record.getControlOffset() == FifoInfo::kNoOffset) {
        local.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
      } else {
        named[number] = 1;
        if (entries_[number].fifo == nullptr) {
          // Once made, a number without a FIFO was refused its place
          // (outside the window) or was not a DMA FIFO of the first list.
          if (make) {
            createFifo(record, local);
          } else {
            local.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
          }
        }
        if (local.isFatal() && local.getCode() != nVLAPALS100::kStatusInvalidParameter) incomplete_ = true;
      }
      status.merge(local);
    }
  }

  // Claims a free number for {ownerId, session}. A number beyond the
  // entries: -52005; one that another owner holds or that is being
  // released: -63082; after closeWaits, its code. The FIFO is null where
  // the number has none.
  Fifo* findFifo(uint32_t number, uint64_t ownerId, uint64_t session, tStatus& status) {
    if (status.isFatal()) return nullptr;
    tAutoLock hold(mutex_);
    if (closedCode_ != 0) {
      status.setCode(closedCode_, VL_SITE);
      return nullptr;
    }
    FifoWithSessionInfo* entry = entryAt(number, status);
    if (entry == nullptr) return nullptr;
    if (entry->ownerId == 0 && entry->session == 0) {
      entry->ownerId = ownerId;
      entry->session = session;
    }
    if (entry->ownerId != ownerId || entry->session != session) {
      status.setCode(kStatusFifoOwnedElsewhere, VL_SITE);
      return nullptr;
    }
    return entry->fifo;
  }

  // Owner id 0 matches any owner of the session. Not the session's: -52010.
  void unreserveFifo(uint64_t ownerId, uint64_t session, uint32_t number, tStatus& status) {
    if (status.isFatal()) return;
    Fifo* fifo = nullptr;
    {
      tAutoLock hold(mutex_);
      FifoWithSessionInfo* entry = entryAt(number, status);
      if (entry == nullptr) return;
      if (!belongsTo(*entry, ownerId, session)) {
        status.setCode(nVLAPALS100::kStatusRequestFailure, VL_SITE);
        return;
      }
      fifo = beginRelease(*entry);
    }
    finishRelease(number, fifo, status);
  }

  // Every entry of the session (of one owner, or of any when ownerId is
  // 0), one at a time; a failing stop does not keep the others.
  void releaseSessionFifos(uint64_t ownerId, uint64_t session, tStatus& status) {
    if (status.isFatal()) return;
    for (uint64_t number = 0;; ++number) {
      Fifo* fifo = nullptr;
      {
        tAutoLock hold(mutex_);
        while (number < entries_.size() && !belongsTo(entries_[number], ownerId, session)) ++number;
        if (number >= entries_.size()) return;
        fifo = beginRelease(entries_[number]);
      }
      tStatus local;
      finishRelease(number, fifo, local);
      status.merge(local);
    }
  }

  void stopFifos(tStatus& status) {
    forEachFifo(status, [](Fifo& fifo, tStatus& local) { fifo.stop(local); });
  }
  void abortFifos(int32_t code, tStatus& status) {
    forEachFifo(status, [code](Fifo& fifo, tStatus& local) { fifo.abort(code, local); });
  }
  // A closed manager keeps its FIFOs' abort: see closeWaits.
  void clearFifoErrors(tStatus& status) {
    if (isClosed()) return;
    forEachFifo(status, [](Fifo& fifo, tStatus& local) { fifo.clearError(local); });
  }
  // For a device that resets, stops or loses its board: every FIFO is
  // aborted with `code` (waking its waiter) and stays so, and every later
  // look-up answers `code`, so that no request admitted before the gate
  // closed starts a new wait. Takes no FPGA lock: the manager's mutex keeps
  // the FIFOs alive, and a pending writer must not hold this up.
  void closeWaits(int32_t code, tStatus& status) {
    tAutoLock hold(mutex_);
    closedCode_ = code;
    for (FifoWithSessionInfo& entry : entries_) {
      if (entry.fifo == nullptr) continue;
      tStatus local;
      entry.fifo->abort(code, local);
      status.merge(local);
    }
  }
  bool isClosed() {
    tAutoLock hold(mutex_);
    return closedCode_ != 0;
  }

  // The entries' storage stays for the next personality. A release under
  // way ends first: it stops its FIFO outside the mutex, for a bounded time.
  void destroyFifos() {
    for (;;) {
      {
        tAutoLock hold(mutex_);
        if (releasing_ == 0) {
          for (FifoWithSessionInfo& entry : entries_) delete entry.fifo;
          entries_.clear();
          incomplete_ = false;
          return;
        }
      }
      nVLZUK250_sleepTimeout(kReleasePollUs);
    }
  }

  uint64_t getEntryCount() const { return entries_.size(); }
  const FifoWithSessionInfo& getEntry(uint64_t number) const { return entries_[number]; }

 private:
  FifoWithSessionInfo* entryAt(uint32_t number, tStatus& status) {
    if (number < entries_.size()) return &entries_[number];
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
    return nullptr;
  }
  // An entry being released belongs to nobody: no session is ~0.
  static constexpr uint64_t kReleasing = ~uint64_t{0};
  static constexpr uint64_t kReleasePollUs = 100;

  static bool belongsTo(const FifoWithSessionInfo& entry, uint64_t ownerId, uint64_t session) {
    return entry.session == session && entry.session != kReleasing && (ownerId == 0 || entry.ownerId == ownerId);
  }
  // Under the mutex.
  Fifo* beginRelease(FifoWithSessionInfo& entry) {
    entry.ownerId = kReleasing;
    entry.session = kReleasing;
    ++releasing_;
    return entry.fifo;
  }
  // Outside the mutex: the FIFO is aborted, stops and lets go of its
  // buffer, then the number is free. The release's abort stays on the board
  // FIFO until then, so that no acquire arriving meanwhile waits; the next
  // owner must not inherit it, and only a closed manager keeps it.
  void finishRelease(uint64_t number, Fifo* fifo, tStatus& status) {
    if (fifo != nullptr) fifo->release(kStatusWaitAborted, status);
    tAutoLock hold(mutex_);
    if (fifo != nullptr && closedCode_ == 0) {
      tStatus ignored;
      fifo->clearError(ignored);
    }
    entries_[number].ownerId = 0;
    entries_[number].session = 0;
    --releasing_;
  }
  template <typename tOperation>
  void forEachFifo(tStatus& status, tOperation operation) {
    if (status.isFatal()) return;
    tAutoLock hold(mutex_);
    for (FifoWithSessionInfo& entry : entries_) {
      if (entry.fifo == nullptr) continue;
      tStatus local;
      operation(*entry.fifo, local);
      status.merge(local);
    }
  }
  // Two board FIFOs for one number would share its DMA channel, and an
  // entry holds one FIFO: the caller refuses a second record for a number.
  // The factory refuses a control block outside the window.
  void createFifo(const FifoInfo& record, tStatus& status) {
    Fifo* fifo = new (status, nVLAPAL000::kAllocationKindPlain) Fifo(record, factory_, status);
    if (status.isFatal()) {
      delete fifo;
      return;
    }
    entries_[record.getFifoNumber()].fifo = fifo;
  }

  Factory* factory_;
  nVLAPAL000::tMutex mutex_;
  vlhtl::Vector<FifoWithSessionInfo> entries_;
  bool incomplete_ = false;
  int32_t closedCode_ = 0;
  // Releases between beginRelease and the end of finishRelease.
  uint32_t releasing_ = 0;
};

extern template class FpgaFifoManagerT<BoardFifoWexelSide>;
using FpgaFifoManager = FpgaFifoManagerT<BoardFifoWexelSide>;

}  // namespace vllym

#endif
