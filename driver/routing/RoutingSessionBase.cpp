#include "RoutingSessionBase.h"

#include "APALUserBufferWrapper.h"
#include "RoutingStatusCodes.h"
#include "driver/platform/memory/Memory.h"
#include "driver/platform/text/TextLength.h"
#include "driver/platform/zuk/ZukMemory.h"

namespace vlark {

using nVLAPAL000::tAutoLock;
using nVLAPAL000::tMutex;
using nVLAPALS100::tStatus;

namespace {

void fail(tStatus& status, int64_t code, uint64_t line) {
  status.setCode(code, VL_SITE_AT(sites::kRoutingSessionBase, line));
}

}  // namespace

template <typename W>
RoutingSessionBase<W>::RoutingSessionBase(Manager* manager, tStatus& status)
    : manager_(manager),
      resources_(nullptr),
      lock_(status),
      valid_(status.isNotFatal()),
      fixedSeeds_(nullptr),
      fixedDestinationIds_(nullptr) {}

template <typename W>
RoutingSessionBase<W>::~RoutingSessionBase() {
  if (!valid_) return;
  if (manager_ != nullptr) manager_->unregisterRoutingSession(*this);
  // Routes of a session never outlive it, registered or not.
  clearRoutingResources();
}

template <typename W>
bool RoutingSessionBase<W>::hasResources(tStatus& status) {
  if (resources_ != nullptr) return true;
  fail(status, nVLAPALS100::kStatusRouteFailure, __LINE__);
  return false;
}

template <typename W>
bool RoutingSessionBase<W>::owns(uint32_t routeId) const {
  for (uint32_t id : ids_) {
    if (id == routeId) return true;
  }
  return false;
}

// Appending the ids of routes already made must not fail: the room is made
// first, and the list keeps its capacity when it shrinks back.
template <typename W>
bool RoutingSessionBase<W>::makeRoomForIds(uint64_t count, tStatus& status) {
  const uint64_t size = ids_.size();
  if (count > UINT64_MAX - size) {
    fail(status, nVLAPALS100::kStatusOutOfMemory, __LINE__);
    return false;
  }
  ids_.resize(size + count, 0, status);
  if (status.isFatal()) return false;
  ids_.resize(size, 0, status);
  return true;
}

template <typename W>
void RoutingSessionBase<W>::destroyRoutes(const RoutePossibilityBase* results, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) resources_->destroyRoute(results[i].routeId);
}

// Exactly count records are read, whatever the buffer's size: counts and
// buffers both come from user mode, and only the records the count names
// are the request.
template <typename W>
template <typename T>
T* RoutingSessionBase<W>::readRequest(const W& buffer, uint32_t count, T* fixed, tStatus& status) {
  const uint64_t bytes = uint64_t{count} * sizeof(T);
  if (bytes > buffer.getSize()) {
    fail(status, nVLAPALS100::kStatusInvalidParameter, __LINE__);
    return nullptr;
  }
  T* target = fixed != nullptr && count <= kFixedBufferEntries
                  ? fixed
                  : static_cast<T*>(nVLAPAL000::allocateWithStatus(bytes == 0 ? 1 : bytes, status));
  if (target == nullptr) return nullptr;
  buffer.readFromBuffer(0, target, bytes, status);
  return target;
}

template <typename W>
uint32_t RoutingSessionBase<W>::calculateRoute(uint64_t owner, const W& seeds, uint32_t seedCount,
                                               const W& destinations, uint32_t destinationCount, uint32_t flags,
                                               const W& results, uint32_t& resultCount, tStatus& status) {
  if (!valid_ || status.isFatal()) return 0;
  tAutoLock<tMutex> guard(lock_);
  if (!hasResources(status)) return 0;
  if (!nVLAPAL000::withinUserBound(seedCount, kMaxRequestEntries, VL_SITE_AT(sites::kRoutingSessionBase, __LINE__),
                                   status) ||
      !nVLAPAL000::withinUserBound(destinationCount, kMaxRequestEntries,
                                   VL_SITE_AT(sites::kRoutingSessionBase, __LINE__), status)) {
    return 0;
  }
  auto* seedBuffer = readRequest(seeds, seedCount, fixedSeeds_, status);
  auto* destinationBuffer = readRequest(destinations, destinationCount, fixedDestinationIds_, status);
  const uint32_t result = calculateRoute(owner, seedBuffer, seedCount, destinationBuffer, destinationCount, flags,
                                         results, resultCount, status);
  if (seedBuffer != nullptr && seedBuffer != fixedSeeds_) nVLZUK100_free(seedBuffer);
  if (destinationBuffer != nullptr && destinationBuffer != fixedDestinationIds_) nVLZUK100_free(destinationBuffer);
  return result;
}

template <typename W>
uint32_t RoutingSessionBase<W>::calculateRoute(uint64_t owner, const RouteCalculationSeedBase* seeds,
                                               uint32_t seedCount, const uint32_t* destinationIds,
                                               uint32_t destinationCount, uint32_t flags, const W& results,
                                               uint32_t& resultCount, tStatus& status) {
  if (!valid_ || status.isFatal()) return 0;
  tAutoLock<tMutex> guard(lock_);
  if (!hasResources(status)) return 0;
  const uint32_t capacity = resultCount;
  RoutePossibilityBase* found = nullptr;
  uint32_t count = 0;
  const uint32_t result = resources_->calculateRoute(owner, seeds, seedCount, destinationIds, destinationCount, flags,
                                                     found, count, status);
  const AllocHelper helper = resources_->getAllocHelper();
  resultCount = status.isFatal() ? 0 : count;
  if (status.isNotFatal() && count > capacity) {
    // The caller learns how many there are; routes it cannot name would
    // stay in the database for nobody.
    fail(status, nVLAPALS100::kStatusLookupFailure, __LINE__);
    destroyRoutes(found, count);
    helper.free(found);
    return 0;
  }
  if (status.isNotFatal() && makeRoomForIds(count, status)) {
    results.writeToBuffer(0, found, uint64_t{count} * sizeof(RoutePossibilityBase), status);
  }
  if (status.isFatal()) {
    destroyRoutes(found, count);
  } else {
    for (uint32_t i = 0; i < count; ++i) ids_.push_back(found[i].routeId, status);
  }
  helper.free(found);
  return result;
}

template <typename W>
void RoutingSessionBase<W>::destroyRoute(uint32_t routeId) {
  if (!valid_) return;
  tAutoLock<tMutex> guard(lock_);
  for (uint32_t* id = ids_.begin(); id != ids_.end(); ++id) {
    if (*id != routeId) continue;
    ids_.erase(id, id + 1);
    if (resources_ != nullptr) resources_->destroyRoute(routeId);
    return;
  }
}

template <typename W>
void RoutingSessionBase<W>::reserveRoute(uint32_t routeId, const W& conflicts, uint32_t& conflictCount,
                                         tStatus& status) {
  if (!valid_ || status.isFatal()) return;
  tAutoLock<tMutex> guard(lock_);
  if (!hasResources(status)) return;
  if (!owns(routeId)) {
    fail(status, nVLAPALS100::kStatusInvalidParameter, __LINE__);
    return;
  }
  const uint32_t capacity = conflictCount;
  RouteConflict* found = nullptr;
  uint32_t count = 0;
  resources_->reserveRoute(routeId, found, count, status);
  conflictCount = count < capacity ? count : capacity;
  if (conflictCount != 0) {
    // The refusal is the answer; a list that cannot be delivered is empty.
    tStatus local;
    conflicts.writeToBuffer(0, found, uint64_t{conflictCount} * sizeof(RouteConflict), local);
    if (local.isFatal()) conflictCount = 0;
  }
  resources_->getAllocHelper().free(found);
}

template <typename W>
void RoutingSessionBase<W>::programRoute(uint32_t routeId, tStatus& status) {
  if (!valid_ || status.isFatal()) return;
  tAutoLock<tMutex> guard(lock_);
  if (!hasResources(status)) return;
  if (!owns(routeId)) {
    fail(status, nVLAPALS100::kStatusInvalidParameter, __LINE__);
    return;
  }
  resources_->programRoute(routeId, status);
}

template <typename W>
void RoutingSessionBase<W>::unreserveRoute(uint32_t routeId) {
  if (!valid_) return;
  tAutoLock<tMutex> guard(lock_);
  if (resources_ != nullptr && owns(routeId)) resources_->unreserveRoute(routeId);
}

template <typename W>
void RoutingSessionBase<W>::unprogramRoute(uint32_t routeId) {
  if (!valid_) return;
  tAutoLock<tMutex> guard(lock_);
  if (resources_ != nullptr && owns(routeId)) resources_->unprogramRoute(routeId);
}

// Terminals belong to nobody: any session may reset one no route holds.
template <typename W>
void RoutingSessionBase<W>::resetTerminal(uint32_t terminalId, uint32_t mode, tStatus& status) {
  if (!valid_ || status.isFatal()) return;
  tAutoLock<tMutex> guard(lock_);
  if (!hasResources(status)) return;
  resources_->resetTerminal(terminalId, mode, status);
}

template <typename W>
uint32_t RoutingSessionBase<W>::calculateResetTerminal(uint64_t owner, uint32_t terminalId, uint32_t mode,
                                                       tStatus& status) {
  if (!valid_ || status.isFatal()) return 0;
  tAutoLock<tMutex> guard(lock_);
  if (!hasResources(status) || !makeRoomForIds(1, status)) return 0;
  const uint32_t id = resources_->calculateResetTerminal(owner, terminalId, mode, status);
  if (status.isFatal() || id == 0) return 0;
  ids_.push_back(id, status);
  return id;
}

template <typename W>
void RoutingSessionBase<W>::getRouteTerminalPath(uint32_t routeId, const W& path, uint32_t& count, tStatus& status) {
  if (!valid_ || status.isFatal()) return;
  tAutoLock<tMutex> guard(lock_);
  if (!hasResources(status)) return;
  const uint32_t capacity = count;
  uint32_t* found = nullptr;
  uint32_t length = 0;
  resources_->getRouteTerminalPath(routeId, found, length, status);
  count = 0;
  if (status.isNotFatal()) {
    count = length;
    if (length > capacity) {
      fail(status, nVLAPALS100::kStatusLookupFailure, __LINE__);
    } else {
      path.writeToBuffer(0, found, uint64_t{length} * sizeof(uint32_t), status);
    }
  }
  resources_->getAllocHelper().free(found);
}

template <typename W>
void RoutingSessionBase<W>::getTopographyName(const W& name, tStatus& status) {
  if (!valid_ || status.isFatal()) return;
  tAutoLock<tMutex> guard(lock_);
  if (!hasResources(status)) return;
  const TopographyDescriptor* descriptor = resources_->getTopInfo();
  static constexpr char kEmpty[] = "";
  const char* text = descriptor == nullptr || descriptor->name == nullptr ? kEmpty : descriptor->name;
  const uint64_t length = nVLAPAL000::textLength(text);
  if (name.getSize() <= length) {
    fail(status, nVLAPALS100::kStatusLookupFailure, __LINE__);
    return;
  }
  name.writeToBuffer(0, text, length + 1, status);
}

template <typename W>
void RoutingSessionBase<W>::setRoutingResources(RoutingResourcesInterface* resources) {
  if (!valid_) return;
  tAutoLock<tMutex> guard(lock_);
  resources_ = resources;
}

// Routes go from the newest to the oldest, the reverse of how they came.
template <typename W>
void RoutingSessionBase<W>::clearRoutingResources() {
  if (!valid_) return;
  tAutoLock<tMutex> guard(lock_);
  if (resources_ == nullptr) return;
  for (uint64_t i = ids_.size(); i-- > 0;) resources_->destroyRoute(ids_[i]);
  ids_.clear();
  resources_ = nullptr;
}

template class RoutingSessionBase<APALUserBufferWrapper>;

}  // namespace vlark
