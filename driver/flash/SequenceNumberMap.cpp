#include "SequenceNumberMap.h"

#include "FlashSites.h"
#include "driver/platform/memory/Memory.h"

namespace qrtk {

using nVLAPALS100::tStatus;

SequenceNumberMap::~SequenceNumberMap() {
  while (Node* node = map_.first()) {
    leave(*node);
    map_.erase(*node);
    delete node;
  }
}

uint32_t SequenceNumberMap::get(uint32_t id, tStatus& status) {
  if (status.isFatal()) return 0;
  if (Node* node = map_.find(id)) return numberOf(*node);
  if (count_ >= kMaxIds && oldest_ != nullptr) {
    Node* given = oldest_;
    leave(*given);
    dequeue(*given);
    map_.erase(*given);
    delete given;
    --count_;
  }
  if (!nVLAPAL000::withinUserBound(count_ + 1, kMaxIds, nVLAPALS100::kStatusOutOfMemory,
                                   VL_SITE_AT(sites::kSequenceNumbers, __LINE__), status)) {
    return 0;
  }
  Node* node = new (status, nVLAPAL000::kAllocationKindPlain) Node{id, *offset_, {}, nullptr, nullptr, false};
  if (node == nullptr) {
    status.setCode(nVLAPALS100::kStatusOutOfMemory, VL_SITE_AT(sites::kSequenceNumbers, __LINE__));
    return 0;
  }
  map_.insert(*node);
  enqueue(*node);
  ++count_;
  return numberOf(*node);
}

bool SequenceNumberMap::find(uint32_t id, uint32_t& number) const {
  const Node* node = map_.find(id);
  if (node == nullptr) return false;
  number = numberOf(*node);
  return true;
}

uint32_t SequenceNumberMap::advance(uint32_t id) {
  Node* node = map_.find(id);
  if (node == nullptr) return 0;
  ++node->position;
  return numberOf(*node);
}

void SequenceNumberMap::advanceAll() {
  for (Node* node = map_.first(); node != nullptr; node = map_.next(node)) ++node->position;
}

void SequenceNumberMap::hold(uint32_t id) {
  Node* node = map_.find(id);
  if (node == nullptr || node->held) return;
  dequeue(*node);
  node->held = true;
}

void SequenceNumberMap::release(uint32_t id) {
  Node* node = map_.find(id);
  if (node == nullptr || !node->held) return;
  node->held = false;
  enqueue(*node);
}

// Positions are 64-bit counts that do not wrap while the device lives, so
// the plain maximum is the later one: however far other ids carried the
// offset, or this id its own position, the offset never moves back.
void SequenceNumberMap::leave(const Node& node) {
  const uint64_t past = node.position + 1;
  if (past > *offset_) *offset_ = past;
}

void SequenceNumberMap::enqueue(Node& node) {
  node.older = newest_;
  node.newer = nullptr;
  (newest_ != nullptr ? newest_->newer : oldest_) = &node;
  newest_ = &node;
}

void SequenceNumberMap::dequeue(Node& node) {
  (node.older != nullptr ? node.older->newer : oldest_) = node.newer;
  (node.newer != nullptr ? node.newer->older : newest_) = node.older;
  node.older = nullptr;
  node.newer = nullptr;
}

}  // namespace qrtk
