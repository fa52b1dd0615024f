// Per-partition sequence numbers for optimistic concurrency: a reader gets
// the partition's number, a writer presents it unchanged and gets the next
// one. An id enters at 2 x id plus an offset; taking in a table moves
// every number on by one, so numbers remembered across a remount are
// stale. The numbers callers see are u32 and wrap.
//
// The offset and where each id stands are counted in 64 bits, which never
// wrap while the device lives, and the offset only ever rises: it outlives
// the map (the device keeps it from one bring-up to the next), and
// whenever an id leaves the map, given up or with the map itself, it rises
// past that id's last position. An id that leaves and comes back starts
// above every position it had, so a number comes back for an id only
// after 2^32 numbers have been handed out on the device since; the
// device's removal and a new add start the numbering again from nothing.
//
// Any u32 a caller asks about enters the map, so the map is bounded, and
// what it gives up when full is chosen so that no caller can lock another
// out: an id the manager holds a partition for is never given up; the
// others wait in a queue, oldest first, and the oldest goes when a new id
// finds the map full. A write whose id was given up since its read answers
// as one whose id was never read, and a new read gives a number it takes.
#ifndef VL9738K_FLASH_SEQUENCENUMBERMAP_H
#define VL9738K_FLASH_SEQUENCENUMBERMAP_H

#include <stdint.h>

#include "driver/platform/containers/VlitlMap.h"
#include "driver/platform/memory/UserBound.h"
#include "driver/platform/status/tStatus.h"

namespace qrtk {

class SequenceNumberMap {
 public:
  // `offset` is where the offset lives while the device does; without
  // one the map keeps its own, from 0.
  explicit SequenceNumberMap(uint64_t* offset = nullptr) : offset_(offset != nullptr ? offset : &ownOffset_) {}
  ~SequenceNumberMap();
  SequenceNumberMap(const SequenceNumberMap&) = delete;
  SequenceNumberMap& operator=(const SequenceNumberMap&) = delete;

  // The most ids the map holds at once; the ids with a partition are far
  // fewer (a table and the memory-only budget bound them).
  static constexpr uint64_t kMaxIds = nVLAPAL000::kMaxUserListEntries;

  // The id's number, entering it first when it is missing, in place of the
  // oldest id without a partition when the map is full (-52000 when there
  // is no memory for it, or every id held has a partition).
  uint32_t get(uint32_t id, nVLAPALS100::tStatus& status);
  // False when the id has no number.
  bool find(uint32_t id, uint32_t& number) const;
  // Moves the id's number on and returns it; the id must be present.
  uint32_t advance(uint32_t id);
  void advanceAll();
  // The id has a partition (its number is kept), or has none any more (it
  // joins the queue of ids that may be given up, as the newest).
  void hold(uint32_t id);
  void release(uint32_t id);
  uint64_t size() const { return count_; }

 private:
  struct Node {
    uint32_t id;
    // The offset the id entered at, moved on by one for each number since;
    // its number is 2 x id plus this, taken to 32 bits.
    uint64_t position;
    vlitl_RBNode link;
    // The queue of ids without a partition, oldest first.
    Node* older;
    Node* newer;
    bool held;
  };
  using tMap = vlitl::Map<uint32_t, Node, &Node::id, &Node::link>;

  void enqueue(Node& node);
  void dequeue(Node& node);
  static uint32_t numberOf(const Node& node) { return static_cast<uint32_t>(2 * uint64_t{node.id} + node.position); }
  // The id leaves: ids entering from now on start past its position.
  void leave(const Node& node);

  tMap map_;
  uint64_t count_ = 0;
  Node* oldest_ = nullptr;
  Node* newest_ = nullptr;
  uint64_t ownOffset_ = 0;
  uint64_t* offset_;
};

}  // namespace qrtk

#endif
