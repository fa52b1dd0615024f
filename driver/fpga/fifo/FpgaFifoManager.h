// The DMA FIFOs of the configured personality by FIFO number, and who owns
// each number: the first {owner id, session} that looks a number up claims
// it until it gives it back or its session closes. Stop, abort and error
// clearing apply to every FIFO at once.
//
// The manager's mutex guards the entries and their owners; each FIFO's own
// mutex serialises its operations. Releasing an entry stops its FIFO and
// unlocks its buffer.
#ifndef VL9738K_FPGA_FIFO_FPGAFIFOMANAGER_H
#define VL9738K_FPGA_FIFO_FPGAFIFOMANAGER_H

#include <stdint.h>

#include "FpgaFifo.h"
#include "driver/platform/containers/Vector.h"
#include "driver/platform/memory/Memory.h"

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
  // entries: -52005; one that another owner holds: -63082. The FIFO is null
  // where the number has none.
  Fifo* findFifo(uint32_t number, uint64_t ownerId, uint64_t session, tStatus& status) {
    if (status.isFatal()) return nullptr;
    tAutoLock hold(mutex_);
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
    tAutoLock hold(mutex_);
    FifoWithSessionInfo* entry = entryAt(number, status);
    if (entry == nullptr) return;
    if (!belongsTo(*entry, ownerId, session)) {
      status.setCode(nVLAPALS100::kStatusRequestFailure, VL_SITE);
      return;
    }
    releaseEntry(*entry, status);
  }

  // Every entry of the session (of one owner, or of any when ownerId is
  // 0); a failing stop does not keep the others.
  void releaseSessionFifos(uint64_t ownerId, uint64_t session, tStatus& status) {
    if (status.isFatal()) return;
    tAutoLock hold(mutex_);
    for (FifoWithSessionInfo& entry : entries_) {
      if (!belongsTo(entry, ownerId, session)) continue;
      tStatus local;
      releaseEntry(entry, local);
      status.merge(local);
    }
  }

  void stopFifos(tStatus& status) {
    forEachFifo(status, [](Fifo& fifo, tStatus& local) { fifo.stop(local); });
  }
  void abortFifos(int32_t code, tStatus& status) {
    forEachFifo(status, [code](Fifo& fifo, tStatus& local) { fifo.abort(code, local); });
  }
  void clearFifoErrors(tStatus& status) {
    forEachFifo(status, [](Fifo& fifo, tStatus& local) { fifo.clearError(local); });
  }

  // The entries' storage stays for the next personality.
  void destroyFifos() {
    tAutoLock hold(mutex_);
    for (FifoWithSessionInfo& entry : entries_) delete entry.fifo;
    entries_.clear();
    incomplete_ = false;
  }

  uint64_t getEntryCount() const { return entries_.size(); }
  const FifoWithSessionInfo& getEntry(uint64_t number) const { return entries_[number]; }

 private:
  FifoWithSessionInfo* entryAt(uint32_t number, tStatus& status) {
    if (number < entries_.size()) return &entries_[number];
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
    return nullptr;
  }
  static bool belongsTo(const FifoWithSessionInfo& entry, uint64_t ownerId, uint64_t session) {
    return entry.session == session && (ownerId == 0 || entry.ownerId == ownerId);
  }
  // The buffer is unlocked whether or not the stop succeeded.
  static void releaseEntry(FifoWithSessionInfo& entry, tStatus& status) {
    if (entry.fifo != nullptr) {
      entry.fifo->stop(status);
      entry.fifo->unlockBuffer();
    }
    entry.ownerId = 0;
    entry.session = 0;
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
};

extern template class FpgaFifoManagerT<BoardFifoWexelSide>;
using FpgaFifoManager = FpgaFifoManagerT<BoardFifoWexelSide>;

}  // namespace vllym

#endif
