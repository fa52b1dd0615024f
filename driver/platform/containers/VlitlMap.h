// An intrusive ordered map: each element record carries its key and its
// tree node as members, and the map only links them. Inserting and erasing
// never allocate and never fail; the map owns nothing.
#ifndef VL9738K_PLATFORM_CONTAINERS_VLITL_MAP_H
#define VL9738K_PLATFORM_CONTAINERS_VLITL_MAP_H

#include <stdint.h>

#include "RBTree.h"

namespace vlitl {

struct GenericLessFunctor {
  template <typename tLeft, typename tRight>
  bool operator()(const tLeft& a, const tRight& b) const {
    return a < b;
  }
};

template <typename tKey, typename tElement, tKey tElement::*kKey, vlitl_RBNode tElement::*kNode,
          typename tLess = GenericLessFunctor>
class Map {
 public:
  Map() = default;
  Map(const Map&) = delete;
  Map& operator=(const Map&) = delete;

  bool empty() const { return head_.root == nullptr; }

  // Elements with a key equal to present ones go after them.
  void insert(tElement& element) { rbInsert(&head_, &(element.*kNode), &cmp, &head_); }
  void erase(tElement& element) { rbErase(&(element.*kNode)); }

  // The first element (in key order) whose key equals `key`, or null.
  tElement* find(const tKey& key) const {
    const vlitl_RBNode* candidate = nullptr;
    for (const vlitl_RBNode* node = head_.root; node != nullptr;) {
      if (tLess()(keyOf(node), key)) {
        node = node->child[1];
      } else {
        candidate = node;
        node = node->child[0];
      }
    }
    if (candidate == nullptr || tLess()(key, keyOf(candidate))) return nullptr;
    return elementOf(candidate);
  }

  tElement* first() const { return step(nullptr, kStepNext); }
  tElement* last() const { return step(nullptr, kStepPrevious); }
  // The neighbours of an element in this map; null past either end.
  tElement* next(const tElement* element) const { return step(element, kStepNext); }
  tElement* previous(const tElement* element) const { return step(element, kStepPrevious); }

  static const tKey& keyOf(const vlitl_RBNode* node) { return elementOf(node)->*kKey; }
  static tElement* elementOf(const vlitl_RBNode* node) {
    return reinterpret_cast<tElement*>(reinterpret_cast<uintptr_t>(node) - nodeOffset());
  }

 private:
  // Where the node member lies in an element, measured on raw storage of
  // the element's size and alignment.
  static uintptr_t nodeOffset() {
    alignas(tElement) static unsigned char probe[sizeof(tElement)];
    const auto* element = reinterpret_cast<const tElement*>(probe);
    return reinterpret_cast<uintptr_t>(&(element->*kNode)) - reinterpret_cast<uintptr_t>(probe);
  }

  static bool cmp(const vlitl_RBNode* a, const vlitl_RBNode* b, void*) { return tLess()(keyOf(a), keyOf(b)); }

  tElement* step(const tElement* element, int direction) const {
    const vlitl_RBNode* node = rbStep(&head_, element != nullptr ? &(element->*kNode) : nullptr, direction);
    return node != nullptr ? elementOf(node) : nullptr;
  }

  vlitl_MapHead head_ = {0, nullptr};
};

}  // namespace vlitl

#endif
