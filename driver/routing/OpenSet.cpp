#include "OpenSet.h"

namespace vlark {

OpenSet::OpenSet() : slots_(nullptr), capacity_(0), size_(0), insertions_(0) {}

void OpenSet::attach(TerminalNode** slots, uint32_t capacity) {
  slots_ = slots;
  capacity_ = capacity;
  size_ = 0;
}

void OpenSet::clear() {
  for (uint32_t i = 0; i < size_; ++i) slots_[i]->openSlot = kNotInOpenSet;
  size_ = 0;
  insertions_ = 0;
}

void OpenSet::place(TerminalNode* node) {
  node->insertion = ++insertions_;
  if (node->openSlot == kNotInOpenSet) {
    // Every node has a slot: a node is never in the set twice.
    if (size_ == capacity_) return;
    put(size_++, node);
  }
  siftUp(node->openSlot);
  siftDown(node->openSlot);
}

void OpenSet::unlink(TerminalNode* node) {
  const uint32_t slot = node->openSlot;
  if (slot == kNotInOpenSet) return;
  node->openSlot = kNotInOpenSet;
  --size_;
  if (slot == size_) return;
  TerminalNode* moved = slots_[size_];
  put(slot, moved);
  siftUp(slot);
  siftDown(moved->openSlot);
}

void OpenSet::put(uint32_t slot, TerminalNode* node) {
  slots_[slot] = node;
  node->openSlot = slot;
}

void OpenSet::siftUp(uint32_t slot) {
  TerminalNode* node = slots_[slot];
  while (slot > 0) {
    const uint32_t parent = (slot - 1) / 2;
    if (!precedes(node, slots_[parent])) break;
    put(slot, slots_[parent]);
    slot = parent;
  }
  put(slot, node);
}

void OpenSet::siftDown(uint32_t slot) {
  TerminalNode* node = slots_[slot];
  for (;;) {
    uint32_t child = 2 * slot + 1;
    if (child >= size_) break;
    if (child + 1 < size_ && precedes(slots_[child + 1], slots_[child])) ++child;
    if (!precedes(slots_[child], node)) break;
    put(slot, slots_[child]);
    slot = child;
  }
  put(slot, node);
}

}  // namespace vlark
