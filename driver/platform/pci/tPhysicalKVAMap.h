// A kernel mapping of part of a device's physical range: the address the
// kernel layer gave and the cache mode it was made with, which the unmap
// must repeat.
#ifndef VL9738K_PLATFORM_PCI_TPHYSICALKVAMAP_H
#define VL9738K_PLATFORM_PCI_TPHYSICALKVAMAP_H

#include <stdint.h>

#include "../zuk/ZukPci.h"

namespace nVLAPAL000 {

class tPhysicalKVAMap {
 public:
  tPhysicalKVAMap() = default;
  ~tPhysicalKVAMap() { unmap(); }
  tPhysicalKVAMap(const tPhysicalKVAMap&) = delete;
  tPhysicalKVAMap& operator=(const tPhysicalKVAMap&) = delete;

  void* getAddress() const { return address_; }
  uint32_t getCacheMode() const { return cacheMode_; }
  bool isMapped() const { return address_ != nullptr; }

  // Takes over a fresh mapping, giving up one still held.
  void set(void* address, uint32_t cacheMode) {
    unmap();
    address_ = address;
    cacheMode_ = cacheMode;
  }
  void unmap() {
    if (address_ != nullptr) nVLZUK230_unmapPhysicalFromKernel(address_, cacheMode_);
    address_ = nullptr;
  }

 private:
  void* address_ = nullptr;
  uint32_t cacheMode_ = 0;
};

}  // namespace nVLAPAL000

#endif
