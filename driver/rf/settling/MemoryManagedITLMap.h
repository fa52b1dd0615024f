// An ordered map that owns its entries, over the intrusive tree. Unlike the
// container library's map it refuses a key that is already present
// (-52005): each settling key is registered once.
#ifndef VL9738K_RF_SETTLING_MEMORY_MANAGED_ITL_MAP_H
#define VL9738K_RF_SETTLING_MEMORY_MANAGED_ITL_MAP_H

#include <stdint.h>

#include "../../platform/containers/VlhtlMap.h"
#include "../../platform/status/tStatus.h"
#include "SettlingStatus.h"

namespace cbak {

template <typename tKey, typename tValue>
class MemoryManagedITLMap {
 public:
  using Entries = vlhtl::Map<tKey, tValue>;

  MemoryManagedITLMap() = default;
  MemoryManagedITLMap(const MemoryManagedITLMap&) = delete;
  MemoryManagedITLMap& operator=(const MemoryManagedITLMap&) = delete;

  bool empty() const { return entries_.empty(); }
  uint64_t size() const { return entries_.size(); }
  typename Entries::iterator begin() const { return entries_.begin(); }
  typename Entries::iterator end() const { return entries_.end(); }

  // The stored value, or null when the key is absent.
  tValue* find(const tKey& key) const {
    auto* entry = entries_.find(key);
    return entry != nullptr ? &entry->second : nullptr;
  }

  // The new entry's value; null, with nothing inserted, when the key is
  // present (-52005), memory ran out (-52000) or the status held an error.
  tValue* insert(const tKey& key, const tValue& value, nVLAPALS100::tStatus& status) {
    if (status.isFatal()) return nullptr;
    if (entries_.find(key) != nullptr) {
      status.setCode(nVLAPALS100::kStatusInvalidParameter,
                     VL_SITE_AT(sites::kMemoryManagedMap, sites::kKeyPresentLine));
      return nullptr;
    }
    const auto result = entries_.insert(key, value, status);
    return result.inserted ? &result.entry->second : nullptr;
  }

  // Removes and frees every entry.
  void clear() { entries_.clear(); }

 private:
  Entries entries_;
};

}  // namespace cbak

#endif
