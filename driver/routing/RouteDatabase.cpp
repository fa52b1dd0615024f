#include "RouteDatabase.h"

#include "RoutingStatusCodes.h"
#include "driver/platform/memory/Memory.h"
#include "driver/platform/zuk/ZukMemory.h"

namespace vlark {

using nVLAPALS100::tStatus;

namespace {

Segment* copySegments(const Segment* from, uint32_t count, tStatus& status) {
  if (count == 0) return nullptr;
  auto* to = static_cast<Segment*>(nVLAPAL000::allocateWithStatus(uint64_t{count} * sizeof(Segment), status));
  for (uint32_t i = 0; to != nullptr && i < count; ++i) to[i] = from[i];
  return to;
}

}  // namespace

uint32_t RouteDatabase::add(const Route& route, tStatus& status) {
  if (status.isFatal()) return 0;
  RouteInDB record{};
  record.segments = copySegments(route.segments, route.segmentCount, status);
  record.groupResets = copySegments(route.groupResets, route.groupResetCount, status);
  if (status.isFatal()) {
    freeArrays(record);
    return 0;
  }
  record.segmentCapacity = record.segmentCount = route.segmentCount;
  record.groupResetCapacity = record.groupResetCount = route.groupResetCount;
  record.source = route.source;
  record.cost = route.cost;
  record.owner = route.owner;
  record.state = route.state;
  record.inverted = route.inverted;
  record.id = freshId();
  records_.push_back(record, status);
  if (status.isFatal()) {
    freeArrays(record);
    return 0;
  }
  nextId_ = record.id + 1;
  return record.id;
}

// Before the counter first wraps every id is fresh; after it, ids still
// held by long-lived routes are stepped over, and so is 0, which callers
// take for failure.
uint32_t RouteDatabase::freshId() {
  uint32_t id = nextId_;
  if (id == 0) {
    wrapped_ = 1;
    id = 1;
  }
  if (wrapped_ != 0) {
    while (id == 0 || isTaken(id)) ++id;
  }
  return id;
}

bool RouteDatabase::isTaken(uint32_t id) const {
  for (const RouteInDB& record : records_) {
    if (record.id == id) return true;
  }
  return false;
}

RouteInDB* RouteDatabase::find(uint32_t id) {
  if (id == 0) return nullptr;
  for (RouteInDB& record : records_) {
    if (record.id == id) return &record;
  }
  return nullptr;
}

void RouteDatabase::remove(RouteInDB* record) {
  freeArrays(*record);
  records_.erase(record, record + 1);
}

void RouteDatabase::clear() {
  for (RouteInDB& record : records_) freeArrays(record);
  records_.clear();
}

void RouteDatabase::freeArrays(RouteInDB& record) {
  if (record.segments != nullptr) nVLZUK100_free(record.segments);
  if (record.groupResets != nullptr) nVLZUK100_free(record.groupResets);
  record.segments = nullptr;
  record.groupResets = nullptr;
}

}  // namespace vlark
