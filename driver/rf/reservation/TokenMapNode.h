// What the token maps share: the descriptor rule and the building of a node
// that carries a copy of its descriptor.
#ifndef VL9738K_RF_RESERVATION_TOKEN_MAP_NODE_H
#define VL9738K_RF_RESERVATION_TOKEN_MAP_NODE_H

#include <stdint.h>

#include "../../platform/containers/BasicString.h"
#include "../../platform/memory/Memory.h"
#include "../../platform/status/tStatus.h"
#include "ReservationStatus.h"

namespace rfyulreserve_impl {

// True for a descriptor of 0 to 256 characters. The scan stops one past
// the limit, so an unterminated or huge text is never walked to its end.
inline bool isValidDescriptor(const char* descriptor, uint64_t& length) {
  if (descriptor == nullptr) return false;
  length = 0;
  while (length <= kMaxDescriptorLength && descriptor[length] != '\0') ++length;
  return length <= kMaxDescriptorLength;
}

// A node with its descriptor copied and its token set, or null with the
// status explaining why (the half-built node is freed).
template <typename tNode, typename tToken>
tNode* buildTokenNode(const char* descriptor, tToken token, int32_t invalidDescriptorCode, const char* site,
                      nVLAPALS100::tStatus& status) {
  uint64_t length = 0;
  if (!isValidDescriptor(descriptor, length)) {
    status.setCode(invalidDescriptorCode, VL_SITE_AT(site, __LINE__));
    return nullptr;
  }
  auto* node = new (status, nVLAPAL000::kAllocationKindPlain) tNode{};
  if (node == nullptr) return nullptr;
  node->token = token;
  node->descriptor.assign(descriptor, length, status);
  if (status.isFatal()) {
    delete node;
    return nullptr;
  }
  return node;
}

// Copies a node's descriptor out when it fits in `maxLength` characters;
// a longer one raises `bufferTooSmallCode` and leaves `out` alone.
inline void copyDescriptorOut(const vlhtl::String& descriptor, uint64_t maxLength, vlhtl::String& out,
                              int32_t bufferTooSmallCode, const char* site, nVLAPALS100::tStatus& status) {
  if (descriptor.length() > maxLength) {
    status.setCode(bufferTooSmallCode, VL_SITE_AT(site, __LINE__));
    return;
  }
  out.assign(descriptor.c_str(), descriptor.length(), status);
}

}  // namespace rfyulreserve_impl

#endif
