// Tokens and their descriptors, indexed both ways over the same nodes.
// Descriptors are unique. They sort byte by byte as signed characters, a
// prefix before every longer text that starts with it.
#ifndef VL9738K_RF_RESERVATION_TOKEN_TO_STRING_BI_MAP_H
#define VL9738K_RF_RESERVATION_TOKEN_TO_STRING_BI_MAP_H

#include <stdint.h>

#include "../../platform/containers/BasicString.h"
#include "../../platform/containers/VlitlMap.h"
#include "../../platform/status/tStatus.h"
#include "ReservationStatus.h"
#include "TokenMapNode.h"

namespace rfyulreserve_impl {

template <typename tToken>
class TokenToStringBiMap {
 public:
  struct Node {
    vlhtl::String descriptor;
    tToken token;
    vlitl_RBNode descriptorLink;
    vlitl_RBNode tokenLink;
  };

  static constexpr tToken nullToken{0};

  TokenToStringBiMap(int32_t invalidDescriptorCode, int32_t notFoundCode, int32_t duplicateDescriptorCode)
      : invalidDescriptorCode_(invalidDescriptorCode),
        notFoundCode_(notFoundCode),
        duplicateDescriptorCode_(duplicateDescriptorCode) {}
  TokenToStringBiMap(const TokenToStringBiMap&) = delete;
  TokenToStringBiMap& operator=(const TokenToStringBiMap&) = delete;
  ~TokenToStringBiMap() {
    while (Node* node = descriptors_.first()) destroy(*node);
  }

  void insert(const char* descriptor, tToken token, nVLAPALS100::tStatus& status) {
    if (status.isFatal()) return;
    Node* node = buildTokenNode<Node>(descriptor, token, invalidDescriptorCode_, sites::kTokenToStringBiMap, status);
    if (node == nullptr) return;
    if (descriptors_.find(node->descriptor) != nullptr) {
      status.setCode(duplicateDescriptorCode_, VL_SITE_AT(sites::kTokenToStringBiMap, __LINE__));
      delete node;
      return;
    }
    descriptors_.insert(*node);
    tokens_.insert(*node);
  }

  void erase(tToken token, nVLAPALS100::tStatus& status) {
    if (status.isFatal()) return;
    Node* node = tokens_.find(token);
    if (node == nullptr) {
      status.setCode(notFoundCode_, VL_SITE_AT(sites::kTokenToStringBiMap, __LINE__));
      return;
    }
    destroy(*node);
  }

  void erase(const char* descriptor, nVLAPALS100::tStatus& status) {
    if (status.isFatal()) return;
    Node* node = nullptr;
    if (descriptor != nullptr) {
      const vlhtl::String key(descriptor, status);
      if (status.isFatal()) return;
      node = descriptors_.find(key);
    }
    if (node == nullptr) {
      status.setCode(notFoundCode_, VL_SITE_AT(sites::kTokenToStringBiMap, __LINE__));
      return;
    }
    destroy(*node);
  }

  const Node* findTokenIterator(tToken token) const { return tokens_.find(token); }
  const Node* findDescriptorIterator(const vlhtl::String& descriptor) const { return descriptors_.find(descriptor); }
  // Ascending token order; null past the end.
  const Node* token_begin() const { return tokens_.first(); }
  const Node* token_rbegin() const { return tokens_.last(); }
  const Node* token_next(const Node* node) const { return tokens_.next(node); }
  // Ascending descriptor order; null past the end.
  const Node* descriptor_begin() const { return descriptors_.first(); }
  const Node* descriptor_next(const Node* node) const { return descriptors_.next(node); }
  bool empty() const { return tokens_.empty(); }

 private:
  void destroy(Node& node) {
    tokens_.erase(node);
    descriptors_.erase(node);
    delete &node;
  }

  vlitl::Map<vlhtl::String, Node, &Node::descriptor, &Node::descriptorLink> descriptors_;
  vlitl::Map<tToken, Node, &Node::token, &Node::tokenLink> tokens_;
  int32_t invalidDescriptorCode_;
  int32_t notFoundCode_;
  int32_t duplicateDescriptorCode_;
};

}  // namespace rfyulreserve_impl

#endif
