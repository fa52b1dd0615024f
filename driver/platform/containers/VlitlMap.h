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

  // Where a new key would be linked: the parent (null in an empty map) and
  // its side, after every equal key; and the greatest element whose key
  // is not above it (null when none), which holds an equal key if any does.
  struct Spot {
    vlitl_RBNode* parent;
    int side;
    tElement* floor;
  };

  // One walk from the root, comparing keys directly.
  Spot locate(const tKey& key) const {
    Spot spot{nullptr, 0, nullptr};
    for (vlitl_RBNode* node = head_.root; node != nullptr; node = node->child[spot.side]) {
      spot.parent = node;
      spot.side = tLess()(key, keyOf(node)) ? 0 : 1;
      if (spot.side == 1) spot.floor = elementOf(node);
    }
    return spot;
  }
  bool holdsKey(const Spot& spot, const tKey& key) const {
    return spot.floor != nullptr && !tLess()(spot.floor->*kKey, key);
  }
  // Links the element at a spot found for its key, with no tree change
  // in between.
  void insertAt(tElement& element, const Spot& spot) { rbInsertAt(&head_, &(element.*kNode), spot.parent, spot.side); }

  // Elements with a key equal to present ones go after them.
  void insert(tElement& element) { insertAt(element, locate(element.*kKey)); }
  void erase(tElement& element) { rbErase(&(element.*kNode)); }

  // Unlinks every element, leaves first, without rebalancing a tree that
  // is going away anyway; `dispose` may free each element once it is out.
  template <typename tDispose>
  void clear(tDispose dispose) {
    vlitl_RBNode* node = head_.root;
    head_.root = nullptr;
    while (node != nullptr) {
      if (node->child[0] != nullptr || node->child[1] != nullptr) {
        node = node->child[node->child[0] != nullptr ? 0 : 1];
        continue;
      }
      vlitl_RBNode* parent = rbParent(node);
      if (parent != nullptr) parent->child[parent->child[0] == node ? 0 : 1] = nullptr;
      node->parent = 0;
      dispose(*elementOf(node));
      node = parent;
    }
  }

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

  tElement* step(const tElement* element, int direction) const {
    const vlitl_RBNode* node = rbStep(&head_, element != nullptr ? &(element->*kNode) : nullptr, direction);
    return node != nullptr ? elementOf(node) : nullptr;
  }

  vlitl_MapHead head_ = {0, nullptr};
};

}  // namespace vlitl

#endif
