// Per-partition sequence numbers for optimistic concurrency: a reader gets
// the partition's number, a writer presents it unchanged and gets the next
// one. An id enters at 2 x id; taking in a table moves every number on by
// one, so numbers remembered across a remount are stale. u32, wrapping.
#ifndef VL9738K_FLASH_SEQUENCENUMBERMAP_H
#define VL9738K_FLASH_SEQUENCENUMBERMAP_H

#include <stdint.h>

#include "driver/platform/containers/VlitlMap.h"
#include "driver/platform/memory/UserBound.h"
#include "driver/platform/status/tStatus.h"

namespace qrtk {

class SequenceNumberMap {
 public:
  SequenceNumberMap() = default;
  ~SequenceNumberMap();
  SequenceNumberMap(const SequenceNumberMap&) = delete;
  SequenceNumberMap& operator=(const SequenceNumberMap&) = delete;

  // Ids come from user mode, any u32: the map holds at most this many,
  // far more than a partition table can name.
  static constexpr uint64_t kMaxIds = nVLAPAL000::kMaxUserListEntries;

  // The id's number, entering it first when it is missing (-52000 when
  // there is no memory for it, or the map is full).
  uint32_t get(uint32_t id, nVLAPALS100::tStatus& status);
  // False when the id has no number.
  bool find(uint32_t id, uint32_t& number) const;
  // Moves the id's number on and returns it; the id must be present.
  uint32_t advance(uint32_t id);
  void advanceAll();

 private:
  struct Node {
    uint32_t id;
    uint32_t number;
    vlitl_RBNode link;
  };
  using tMap = vlitl::Map<uint32_t, Node, &Node::id, &Node::link>;

  tMap map_;
  uint64_t count_ = 0;
};

}  // namespace qrtk

#endif
