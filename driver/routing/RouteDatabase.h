// Every route of a board that has left the calculation: calculated,
// reserved or programmed, in order of creation, each under a unique
// non-zero id. Each record owns copies of its segment and group-reset
// arrays.
#ifndef VL9738K_ROUTING_ROUTEDATABASE_H
#define VL9738K_ROUTING_ROUTEDATABASE_H

#include <stdint.h>

#include "RouteTypes.h"
#include "driver/platform/containers/Vector.h"
#include "driver/platform/status/tStatus.h"

namespace vlark {

struct RouteInDB {
  uint64_t segmentCapacity;
  uint64_t segmentCount;
  Segment* segments;
  uint64_t groupResetCapacity;
  uint64_t groupResetCount;
  Segment* groupResets;
  TerminalNode* source;
  uint32_t id;
  uint32_t cost;
  uint64_t owner;
  uint32_t state;
  uint8_t inverted;
};

inline TerminalNode* destinationOf(const RouteInDB& route) {
  return route.segmentCount == 0 ? route.source : route.segments[route.segmentCount - 1].node;
}

class RouteDatabase {
 public:
  RouteDatabase() = default;
  ~RouteDatabase() { clear(); }
  RouteDatabase(const RouteDatabase&) = delete;
  RouteDatabase& operator=(const RouteDatabase&) = delete;

  // Copies the route into a new record and returns its id; 0 and nothing
  // added on failure.
  uint32_t add(const Route& route, nVLAPALS100::tStatus& status);
  // The record of an id, or null. Pointers stay valid until the next add
  // or remove.
  RouteInDB* find(uint32_t id);
  // Removes a record, keeping the order of the others, and frees its arrays.
  void remove(RouteInDB* record);
  void clear();

  uint64_t size() const { return records_.size(); }
  RouteInDB& operator[](uint64_t index) { return records_[index]; }

  uint32_t nextId() const { return nextId_; }
  // Lets a test start the counter close to its wrap.
  void setNextId(uint32_t id) { nextId_ = id; }

 private:
  uint32_t freshId();
  bool isTaken(uint32_t id) const;
  static void freeArrays(RouteInDB& record);

  vlhtl::Vector<RouteInDB> records_;
  uint32_t nextId_ = 1;
  uint8_t wrapped_ = 0;
};

}  // namespace vlark

#endif
