#include "RBTree.h"

namespace vlitl {
namespace {

constexpr uint64_t kBlack = 1;

// The word at the start of what a parent word points to: a node's own
// parent word (never below 2 for a linked node), or the head's zero.
bool isHead(uint64_t address) { return *reinterpret_cast<const uint64_t*>(address) < 2; }

uint64_t parentAddress(const vlitl_RBNode* node) { return node->parent & ~kBlack; }
vlitl_RBNode* parentNode(const vlitl_RBNode* node) { return reinterpret_cast<vlitl_RBNode*>(parentAddress(node)); }

void setParent(vlitl_RBNode* node, uint64_t address) { node->parent = address | (node->parent & kBlack); }
void setBlack(vlitl_RBNode* node) { node->parent |= kBlack; }
void setRed(vlitl_RBNode* node) { node->parent &= ~kBlack; }
void copyColour(vlitl_RBNode* node, const vlitl_RBNode* from) {
  node->parent = parentAddress(node) | (from->parent & kBlack);
}

// Points the parent (a node or the head) at `replacement` instead of `old`.
void replaceChild(uint64_t parent, const vlitl_RBNode* old, vlitl_RBNode* replacement) {
  if (isHead(parent)) {
    reinterpret_cast<vlitl_MapHead*>(parent)->root = replacement;
    return;
  }
  vlitl_RBNode* node = reinterpret_cast<vlitl_RBNode*>(parent);
  node->child[node->child[0] == old ? 0 : 1] = replacement;
}

// Turns `node` down towards side `direction`: its child on the other side
// takes its place.
void rotate(vlitl_RBNode* node, int direction) {
  vlitl_RBNode* riser = node->child[1 - direction];
  node->child[1 - direction] = riser->child[direction];
  if (riser->child[direction] != nullptr) setParent(riser->child[direction], reinterpret_cast<uint64_t>(node));
  const uint64_t parent = parentAddress(node);
  replaceChild(parent, node, riser);
  setParent(riser, parent);
  riser->child[direction] = node;
  setParent(node, reinterpret_cast<uint64_t>(riser));
}

vlitl_RBNode* extreme(vlitl_RBNode* node, int side) {
  while (node->child[side] != nullptr) node = node->child[side];
  return node;
}

// Restores the red-black rules above a red node just linked (or a node
// that became red while repairing).
void insertRepair(vlitl_RBNode* node) {
  for (;;) {
    if (isHead(parentAddress(node))) {
      setBlack(node);
      return;
    }
    vlitl_RBNode* parent = parentNode(node);
    if (rbIsBlack(parent)) return;
    // A red parent is never the root, so the grandparent is a node.
    vlitl_RBNode* grandparent = parentNode(parent);
    const int side = grandparent->child[1] == parent ? 1 : 0;
    vlitl_RBNode* uncle = grandparent->child[1 - side];
    if (!rbIsBlack(uncle)) {
      setBlack(parent);
      setBlack(uncle);
      setRed(grandparent);
      node = grandparent;
      continue;
    }
    if (node == parent->child[1 - side]) {
      rotate(parent, side);
      parent = node;
    }
    rotate(grandparent, 1 - side);
    setBlack(parent);
    setRed(grandparent);
    return;
  }
}

// A black node was taken out above `node` (which may be null), so every
// path through it lacks one black node. `parent` is passed because a null
// node cannot tell where it hangs.
void eraseRepair(vlitl_RBNode* node, uint64_t parentWord) {
  while (!isHead(parentWord) && rbIsBlack(node)) {
    vlitl_RBNode* parent = reinterpret_cast<vlitl_RBNode*>(parentWord);
    const int side = parent->child[0] == node ? 0 : 1;
    vlitl_RBNode* sibling = parent->child[1 - side];
    if (!rbIsBlack(sibling)) {
      setBlack(sibling);
      setRed(parent);
      rotate(parent, side);
      sibling = parent->child[1 - side];
    }
    if (rbIsBlack(sibling->child[0]) && rbIsBlack(sibling->child[1])) {
      setRed(sibling);
      node = parent;
      parentWord = parentAddress(parent);
      continue;
    }
    if (rbIsBlack(sibling->child[1 - side])) {
      setBlack(sibling->child[side]);
      setRed(sibling);
      rotate(sibling, 1 - side);
      sibling = parent->child[1 - side];
    }
    copyColour(sibling, parent);
    setBlack(parent);
    setBlack(sibling->child[1 - side]);
    rotate(parent, side);
    return;
  }
  if (node != nullptr) setBlack(node);
}

}  // namespace

vlitl_RBNode* rbParent(const vlitl_RBNode* node) { return isHead(parentAddress(node)) ? nullptr : parentNode(node); }

void rbInsertAt(vlitl_MapHead* head, vlitl_RBNode* node, vlitl_RBNode* parent, int side) {
  node->child[0] = nullptr;
  node->child[1] = nullptr;
  if (parent == nullptr) {
    head->root = node;
    node->parent = reinterpret_cast<uint64_t>(head) | kBlack;
    return;
  }
  parent->child[side] = node;
  node->parent = reinterpret_cast<uint64_t>(parent);
  insertRepair(node);
}

void rbInsert(vlitl_MapHead* head, vlitl_RBNode* node, CompareFunction cmp, void* context) {
  vlitl_RBNode* parent = nullptr;
  int side = 0;
  for (vlitl_RBNode* current = head->root; current != nullptr; current = current->child[side]) {
    parent = current;
    side = cmp(node, current, context) ? 0 : 1;
  }
  rbInsertAt(head, node, parent, side);
}

void rbErase(vlitl_RBNode* node) {
  vlitl_RBNode* replacement;
  uint64_t repairParent;
  bool removedBlack;
  if (node->child[0] == nullptr || node->child[1] == nullptr) {
    replacement = node->child[node->child[0] == nullptr ? 1 : 0];
    repairParent = parentAddress(node);
    removedBlack = rbIsBlack(node);
    replaceChild(repairParent, node, replacement);
    if (replacement != nullptr) setParent(replacement, repairParent);
  } else {
    // The in-order successor leaves its place (its right child moves up)
    // and takes the erased node's place, children and colour.
    vlitl_RBNode* successor = extreme(node->child[1], 0);
    removedBlack = rbIsBlack(successor);
    replacement = successor->child[1];
    if (parentNode(successor) == node) {
      repairParent = reinterpret_cast<uint64_t>(successor);
    } else {
      repairParent = parentAddress(successor);
      vlitl_RBNode* successorParent = parentNode(successor);
      successorParent->child[0] = replacement;
      if (replacement != nullptr) setParent(replacement, repairParent);
      successor->child[1] = node->child[1];
      setParent(successor->child[1], reinterpret_cast<uint64_t>(successor));
    }
    successor->child[0] = node->child[0];
    setParent(successor->child[0], reinterpret_cast<uint64_t>(successor));
    replaceChild(parentAddress(node), node, successor);
    successor->parent = node->parent;
  }
  if (removedBlack) eraseRepair(replacement, repairParent);
  node->parent = 0;
  node->child[0] = nullptr;
  node->child[1] = nullptr;
}

vlitl_RBNode* rbStep(const vlitl_MapHead* head, const vlitl_RBNode* node, int direction) {
  const int back = 1 - direction;
  if (node == nullptr) return head->root == nullptr ? nullptr : extreme(head->root, back);
  if (node->child[direction] != nullptr) return extreme(node->child[direction], back);
  for (;;) {
    const uint64_t parent = parentAddress(node);
    if (isHead(parent)) return nullptr;
    const vlitl_RBNode* up = reinterpret_cast<const vlitl_RBNode*>(parent);
    if (up->child[back] == node) return const_cast<vlitl_RBNode*>(up);
    node = up;
  }
}

}  // namespace vlitl
