// For a policy that stands for a group of others (a metaresource), the ids
// of its child policies: what a client must reserve to hold the group.
// This board registers no group, so every lookup answers not-found; the
// lists are kept all the same so the client's requests have one road.
#ifndef VL9738K_RF_RESERVATION_RESERVATION_POLICY_METARESOURCE_MANAGER_H
#define VL9738K_RF_RESERVATION_RESERVATION_POLICY_METARESOURCE_MANAGER_H

#include <stdint.h>

#include "../../platform/containers/VlitlMap.h"
#include "iReservationOperations.h"

namespace rfyulreserve_impl {

class ReservationPolicyMetaresourceManager : public iMetaresourceLookup {
  using PolicyID = rfyulreserve::ReservationPolicyID;
  using tStatus = nVLAPALS100::tStatus;

 public:
  ReservationPolicyMetaresourceManager(int32_t duplicateCode, int32_t notFoundCode, int32_t bufferTooSmallCode,
                                       int32_t invalidIdCode)
      : duplicateCode_(duplicateCode),
        notFoundCode_(notFoundCode),
        bufferTooSmallCode_(bufferTooSmallCode),
        invalidIdCode_(invalidIdCode) {}
  ReservationPolicyMetaresourceManager(const ReservationPolicyMetaresourceManager&) = delete;
  ReservationPolicyMetaresourceManager& operator=(const ReservationPolicyMetaresourceManager&) = delete;
  ~ReservationPolicyMetaresourceManager() override;

  void add(PolicyID id, const PolicyIDList& children, tStatus& status);
  void remove(PolicyID id, tStatus& status);
  uint64_t count(PolicyID id, tStatus& status) override;
  // More children than `maxCount` is refused and leaves `out` alone.
  void copyOut(PolicyID id, uint64_t maxCount, PolicyIDList& out, tStatus& status) override;

 private:
  struct Node {
    PolicyID id;
    PolicyIDList children;
    vlitl_RBNode link;
  };

  const Node* find(PolicyID id, tStatus& status) const;

  vlitl::Map<PolicyID, Node, &Node::id, &Node::link> lists_;
  int32_t duplicateCode_;
  int32_t notFoundCode_;
  int32_t bufferTooSmallCode_;
  int32_t invalidIdCode_;
};

}  // namespace rfyulreserve_impl

#endif
