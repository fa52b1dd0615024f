// The red-black tree core of the intrusive ordered maps. Nodes live inside
// the records that a map orders, so linking and unlinking never allocate
// and never fail; the owners allocate and free the records themselves.
//
// A node is three words: the parent word (the parent's address, with the
// node's colour in bit 0: 1 black, 0 red; nodes are at least 2-byte
// aligned) and the two children, child[0] on the smaller side and child[1]
// on the greater-or-equal side. A node in no tree has all three words 0.
//
// The map head is two words: 0, then the root. The root's parent word is
// the head's address with bit 0 set, so a walk upwards knows it has reached
// the head when the word it finds there is below 2.
#ifndef VL9738K_PLATFORM_CONTAINERS_RBTREE_H
#define VL9738K_PLATFORM_CONTAINERS_RBTREE_H

#include <stdint.h>

struct vlitl_RBNode {
  uint64_t parent;
  vlitl_RBNode* child[2];
};

struct vlitl_MapHead {
  uint64_t zero;
  vlitl_RBNode* root;
};

namespace vlitl {

// True when the key of `a` is less than the key of `b`.
using CompareFunction = bool (*)(const vlitl_RBNode* a, const vlitl_RBNode* b, void* context);

inline constexpr int kStepPrevious = 0;
inline constexpr int kStepNext = 1;

// Links a node that is in no tree. A key equal to keys already present goes
// after all of them, so equal keys keep their order of insertion.
void rbInsert(vlitl_MapHead* head, vlitl_RBNode* node, CompareFunction cmp, void* context);
// Links a node that is in no tree as child `side` of `parent` (which has
// no child there), or as the root of an empty map when `parent` is null,
// and rebalances. For callers that found the spot in their own walk.
void rbInsertAt(vlitl_MapHead* head, vlitl_RBNode* node, vlitl_RBNode* parent, int side);
// Unlinks the node from whichever tree holds it and zeroes its words, so it
// can be inserted again.
void rbErase(vlitl_RBNode* node);
// The next (kStepNext) or previous (kStepPrevious) node in key order; from
// null, the first or the last node. Null past either end.
vlitl_RBNode* rbStep(const vlitl_MapHead* head, const vlitl_RBNode* node, int direction);

inline bool rbIsBlack(const vlitl_RBNode* node) { return node == nullptr || (node->parent & 1) != 0; }
// The parent node, or null for the root.
vlitl_RBNode* rbParent(const vlitl_RBNode* node);

}  // namespace vlitl

#endif
