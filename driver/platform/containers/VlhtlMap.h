// The container library's ordered map with unique keys, on the intrusive
// tree: one allocated node per entry. Inserting a key that is present
// keeps the entry there and reports it.
#ifndef VL9738K_PLATFORM_CONTAINERS_VLHTL_MAP_H
#define VL9738K_PLATFORM_CONTAINERS_VLHTL_MAP_H

#include <stdint.h>

#include <new>

#include "../status/tStatus.h"
#include "VlhtlAllocator.h"
#include "VlitlMap.h"

namespace vlhtl {

template <typename tKey, typename tValue, template <typename> class tAlloc = apal::Allocator,
          typename tLess = vlitl::GenericLessFunctor>
class Map {
 public:
  struct ItlMapNode {
    tKey first;
    tValue second;
    vlitl_RBNode mapNode;
  };

  struct InsertResult {
    ItlMapNode* entry;  // the new entry, or the one already holding the key
    bool inserted;
  };

  class iterator {
   public:
    iterator(const Map* map, ItlMapNode* entry) : map_(map), entry_(entry) {}
    ItlMapNode& operator*() const { return *entry_; }
    ItlMapNode* operator->() const { return entry_; }
    iterator& operator++() {
      entry_ = map_->tree_.next(entry_);
      return *this;
    }
    bool operator==(const iterator& other) const { return entry_ == other.entry_; }

   private:
    const Map* map_;
    ItlMapNode* entry_;
  };

  Map() = default;
  Map(const Map&) = delete;
  Map& operator=(const Map&) = delete;
  ~Map() { clear(); }

  uint64_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  iterator begin() const { return iterator(this, tree_.first()); }
  iterator end() const { return iterator(this, nullptr); }

  InsertResult insert(const tKey& key, const tValue& value, nVLAPALS100::tStatus& status) {
    if (status.isFatal()) return {nullptr, false};
    const typename Tree::Spot spot = tree_.locate(key);
    if (tree_.holdsKey(spot, key)) return {spot.floor, false};
    ItlMapNode* entry = Allocator::allocate(1, status);
    if (entry == nullptr) return {nullptr, false};
    new (entry) ItlMapNode{key, value, {0, {nullptr, nullptr}}};
    tree_.insertAt(*entry, spot);
    ++size_;
    return {entry, true};
  }

  ItlMapNode* find(const tKey& key) const { return tree_.find(key); }

  void erase(ItlMapNode* entry) {
    tree_.erase(*entry);
    --size_;
    entry->~ItlMapNode();
    Allocator::deallocate(entry);
  }
  bool erase(const tKey& key) {
    ItlMapNode* entry = tree_.find(key);
    if (entry == nullptr) return false;
    erase(entry);
    return true;
  }

  void clear() {
    tree_.clear([](ItlMapNode& entry) {
      entry.~ItlMapNode();
      Allocator::deallocate(&entry);
    });
    size_ = 0;
  }

 private:
  using Allocator = tAlloc<ItlMapNode>;
  using Tree = vlitl::Map<tKey, ItlMapNode, &ItlMapNode::first, &ItlMapNode::mapNode, tLess>;

  Tree tree_;
  uint64_t size_ = 0;
};

}  // namespace vlhtl

#endif
