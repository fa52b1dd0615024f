// Tokens and their descriptors, indexed by token only. A token that is
// already present keeps its first descriptor: inserting it again changes
// nothing and is not an error.
#ifndef VL9738K_RF_RESERVATION_TOKEN_TO_STRING_MAP_H
#define VL9738K_RF_RESERVATION_TOKEN_TO_STRING_MAP_H

#include <stdint.h>

#include "../../platform/containers/BasicString.h"
#include "../../platform/containers/VlitlMap.h"
#include "../../platform/status/tStatus.h"
#include "ReservationStatus.h"
#include "TokenMapNode.h"

namespace rfyulreserve_impl {

template <typename tToken>
class TokenToStringMap {
 public:
  struct Node {
    vlhtl::String descriptor;
    tToken token;
    vlitl_RBNode tokenLink;
  };

  static constexpr tToken nullToken{0};

  // The third code names a duplicate descriptor, which this map never
  // raises: descriptors need not be unique here.
  TokenToStringMap(int32_t invalidDescriptorCode, int32_t notFoundCode, int32_t duplicateDescriptorCode)
      : invalidDescriptorCode_(invalidDescriptorCode),
        notFoundCode_(notFoundCode),
        duplicateDescriptorCode_(duplicateDescriptorCode) {}
  TokenToStringMap(const TokenToStringMap&) = delete;
  TokenToStringMap& operator=(const TokenToStringMap&) = delete;
  ~TokenToStringMap() {
    while (Node* node = tokens_.first()) {
      tokens_.erase(*node);
      delete node;
    }
  }

  void insert(const char* descriptor, tToken token, nVLAPALS100::tStatus& status) {
    if (status.isFatal()) return;
    Node* node = buildTokenNode<Node>(descriptor, token, invalidDescriptorCode_, sites::kTokenToStringMap, status);
    if (node == nullptr) return;
    if (tokens_.find(token) != nullptr) {
      delete node;
      return;
    }
    tokens_.insert(*node);
  }

  void erase(tToken token, nVLAPALS100::tStatus& status) {
    if (status.isFatal()) return;
    Node* node = tokens_.find(token);
    if (node == nullptr) {
      status.setCode(notFoundCode_, VL_SITE_AT(sites::kTokenToStringMap, __LINE__));
      return;
    }
    tokens_.erase(*node);
    delete node;
  }

  const Node* findTokenIterator(tToken token) const { return tokens_.find(token); }
  // Ascending token order; null past the end.
  const Node* token_begin() const { return tokens_.first(); }
  const Node* token_rbegin() const { return tokens_.last(); }
  const Node* token_next(const Node* node) const { return tokens_.next(node); }
  bool empty() const { return tokens_.empty(); }

 private:
  vlitl::Map<tToken, Node, &Node::token, &Node::tokenLink> tokens_;
  int32_t invalidDescriptorCode_;
  int32_t notFoundCode_;
  [[maybe_unused]] int32_t duplicateDescriptorCode_;
};

}  // namespace rfyulreserve_impl

#endif
