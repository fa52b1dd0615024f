// The nodes a search has reached but not yet settled. The lowest cost comes
// out first and, among equal costs, the node inserted last: the order of a
// list kept sorted by inserting each node before the first one of equal or
// greater cost. A binary heap over caller-provided slots keeps that order in
// logarithmic time and allocates nothing; each slot carries its node's key,
// so ordering never follows a pointer.
#ifndef VL9738K_ROUTING_OPENSET_H
#define VL9738K_ROUTING_OPENSET_H

#include <stdint.h>

#include "RouteTypes.h"

namespace vlark {

struct OpenSetEntry {
  // Cost above, the complement of the insertion number below: a smaller key
  // is a lower cost or, at equal cost, a later insertion.
  uint64_t key;
  TerminalNode* node;
};

class OpenSet {
 public:
  OpenSet();
  // `slots` holds one entry per node that can ever be in the set.
  void attach(OpenSetEntry* slots, uint32_t capacity);
  void clear();
  bool isEmpty() const { return size_ == 0; }
  TerminalNode* head() const { return slots_[0].node; }
  // Inserts the node at its current cost, or moves it after its cost
  // changed; either way it counts as the latest insertion.
  void place(TerminalNode* node) {
    const OpenSetEntry entry{(static_cast<uint64_t>(node->cost) << 32) | (0xFFFFFFFFu - ++insertions_), node};
    const uint32_t slot = node->openSlot;
    if (slot == kNotInOpenSet) {
      // Every node has a slot: a node is never in the set twice.
      if (size_ == capacity_) return;
      siftUp(size_++, entry);
    } else if (entry.key < slots_[slot].key) {
      siftUp(slot, entry);
    } else {
      siftDown(slot, entry);
    }
  }
  void unlink(TerminalNode* node);

 private:
  void put(uint32_t slot, const OpenSetEntry& entry) {
    slots_[slot] = entry;
    entry.node->openSlot = slot;
  }
  static constexpr uint32_t kArity = 2;
  void siftUp(uint32_t slot, OpenSetEntry entry) {
    while (slot > 0) {
      const uint32_t parent = (slot - 1) / kArity;
      if (!(entry.key < slots_[parent].key)) break;
      put(slot, slots_[parent]);
      slot = parent;
    }
    put(slot, entry);
  }
  void siftDown(uint32_t slot, OpenSetEntry entry);

  OpenSetEntry* slots_;
  uint32_t capacity_;
  uint32_t size_;
  // Bounded by the seeds and relaxations of one calculation.
  uint32_t insertions_;
};

}  // namespace vlark

#endif
