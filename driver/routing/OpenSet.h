// The nodes a search has reached but not yet settled. The lowest cost comes
// out first and, among equal costs, the node inserted last: the order of a
// list kept sorted by inserting each node before the first one of equal or
// greater cost. A binary heap over caller-provided slots keeps that order in
// logarithmic time and allocates nothing.
#ifndef VL9738K_ROUTING_OPENSET_H
#define VL9738K_ROUTING_OPENSET_H

#include <stdint.h>

#include "RouteTypes.h"

namespace vlark {

class OpenSet {
 public:
  OpenSet();
  // `slots` holds one entry per node that can ever be in the set.
  void attach(TerminalNode** slots, uint32_t capacity);
  void clear();
  bool isEmpty() const { return size_ == 0; }
  TerminalNode* head() const { return slots_[0]; }
  // Inserts the node, or moves it after its cost changed; either way it
  // counts as the latest insertion.
  void place(TerminalNode* node);
  void unlink(TerminalNode* node);

 private:
  static bool precedes(const TerminalNode* a, const TerminalNode* b) {
    return a->cost < b->cost || (a->cost == b->cost && a->insertion > b->insertion);
  }
  void put(uint32_t slot, TerminalNode* node);
  void siftUp(uint32_t slot);
  void siftDown(uint32_t slot);

  TerminalNode** slots_;
  uint32_t capacity_;
  uint32_t size_;
  uint64_t insertions_;
};

}  // namespace vlark

#endif
