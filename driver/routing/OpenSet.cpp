#include "OpenSet.h"

namespace vlark {

OpenSet::OpenSet() : slots_(nullptr), capacity_(0), size_(0), insertions_(0) {}

void OpenSet::attach(OpenSetEntry* slots, uint32_t capacity) {
  slots_ = slots;
  capacity_ = capacity;
  size_ = 0;
}

void OpenSet::clear() {
  for (uint32_t i = 0; i < size_; ++i) slots_[i].node->openSlot = kNotInOpenSet;
  size_ = 0;
  insertions_ = 0;
}

void OpenSet::unlink(TerminalNode* node) {
  const uint32_t slot = node->openSlot;
  if (slot == kNotInOpenSet) return;
  node->openSlot = kNotInOpenSet;
  --size_;
  if (slot == size_) return;
  const OpenSetEntry last = slots_[size_];
  if (last.key < slots_[slot].key) {
    siftUp(slot, last);
  } else {
    siftDown(slot, last);
  }
}

void OpenSet::siftDown(uint32_t slot, OpenSetEntry entry) {
  for (;;) {
    const uint32_t first = kArity * slot + 1;
    if (first >= size_) break;
    const uint32_t end = first + kArity < size_ ? first + kArity : size_;
    uint32_t child = first;
    for (uint32_t c = first + 1; c < end; ++c) child = slots_[c].key < slots_[child].key ? c : child;
    if (!(slots_[child].key < entry.key)) break;
    put(slot, slots_[child]);
    slot = child;
  }
  put(slot, entry);
}

}  // namespace vlark
