// A set of plain records in chained hash buckets, at most half full. The
// hash is the 32-bit FNV-1a of every stored byte of a record, padding
// included: record types whose equality ignores their padding must keep
// those bytes zero wherever a record is made or copied, or two equal
// records may land in different buckets.
#ifndef VL9738K_PLATFORM_CONTAINERS_HASH_SET_H
#define VL9738K_PLATFORM_CONTAINERS_HASH_SET_H

#include <stdint.h>

#include <type_traits>

#include "../memory/Memory.h"
#include "../text/TextRoutines.h"
#include "Vector.h"

namespace vlhtl {

inline uint32_t fnv1a32(const void* bytes, uint64_t size) {
  constexpr uint32_t kOffsetBasis = 2166136261u;
  constexpr uint32_t kPrime = 16777619u;
  uint32_t hash = kOffsetBasis;
  const auto* byte = static_cast<const uint8_t*>(bytes);
  for (uint64_t i = 0; i < size; ++i) hash = (hash ^ byte[i]) * kPrime;
  return hash;
}

template <typename T>
struct hasher {
  static_assert(std::is_standard_layout_v<T>, "the hash reads the record's bytes");
  uint32_t operator()(const T& value) const { return fnv1a32(&value, sizeof(T)); }
};

template <typename T, typename tHasher = hasher<T>>
class HashSet {
 public:
  static constexpr uint32_t kInitialBucketCount = 64;

  struct HashSetNode {
    T value;
    HashSetNode* next;
  };

  explicit HashSet(nVLAPALS100::tStatus& status) { fillBuckets(buckets_, bucketCount_, status); }
  HashSet(const HashSet&) = delete;
  HashSet& operator=(const HashSet&) = delete;
  ~HashSet() { clear(); }

  uint32_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  uint32_t bucketCount() const { return bucketCount_; }
  uint32_t bucketOf(const T& value) const { return tHasher()(value) & (bucketCount_ - 1); }

  // Adds the value unless an equal one is present; true when it was added.
  // The set grows before it looks, so a full set grows even for a value
  // that turns out to be present.
  bool insert(const T& value, nVLAPALS100::tStatus& status) {
    if (status.isFatal()) return false;
    if (buckets_.size() != bucketCount_ && !fillBuckets(buckets_, bucketCount_, status)) return false;
    if (count_ + 1 > bucketCount_ / 2 && !grow(status)) return false;
    HashSetNode** link = &buckets_[bucketOf(value)];
    for (; *link != nullptr; link = &(*link)->next) {
      if ((*link)->value == value) return false;
    }
    auto* node = new (status, nVLAPAL000::kAllocationKindPlain) HashSetNode{value, nullptr};
    if (node == nullptr) return false;
    // Keep the stored bytes those of the value, padding included: the
    // record is hashed again from here when the set grows.
    if constexpr (std::is_trivially_copyable_v<T>) nVLAPAL000::memoryCopy(&node->value, &value, sizeof(T));
    *link = node;
    ++count_;
    return true;
  }

  bool contains(const T& value) const {
    if (buckets_.size() != bucketCount_) return false;
    for (const HashSetNode* node = buckets_[bucketOf(value)]; node != nullptr; node = node->next) {
      if (node->value == value) return true;
    }
    return false;
  }

  // Calls visit(value) for every element, bucket by bucket.
  template <typename tVisitor>
  void forEach(tVisitor&& visit) const {
    for (const HashSetNode* head : buckets_) {
      for (const HashSetNode* node = head; node != nullptr; node = node->next) visit(node->value);
    }
  }

  void clear() {
    for (HashSetNode*& head : buckets_) {
      while (head != nullptr) {
        HashSetNode* next = head->next;
        delete head;
        head = next;
      }
    }
    count_ = 0;
  }

 private:
  using Buckets = Vector<HashSetNode*>;

  static bool fillBuckets(Buckets& buckets, uint32_t count, nVLAPALS100::tStatus& status) {
    HashSetNode* const empty = nullptr;
    buckets.insert_(buckets.end(), repeatBegin(empty), repeatEnd(empty, count), status);
    return status.isNotFatal();
  }

  // Every node moves, in bucket and chain order, to the front of its chain
  // in a table twice as large.
  bool grow(nVLAPALS100::tStatus& status) {
    const uint32_t bucketCount = bucketCount_ * 2;
    Buckets buckets;
    if (!fillBuckets(buckets, bucketCount, status)) return false;
    for (HashSetNode* head : buckets_) {
      while (head != nullptr) {
        HashSetNode* next = head->next;
        HashSetNode*& chain = buckets[tHasher()(head->value) & (bucketCount - 1)];
        head->next = chain;
        chain = head;
        head = next;
      }
    }
    buckets_.swap(buckets);
    bucketCount_ = bucketCount;
    return true;
  }

  uint32_t bucketCount_ = kInitialBucketCount;
  uint32_t count_ = 0;
  Buckets buckets_;
};

}  // namespace vlhtl

#endif
