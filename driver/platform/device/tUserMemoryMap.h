// A mapping user mode asked for with mmap on an open device interface.
// The device decides what backs it (a kernel page list or a physical
// range) from the region that user mode selected with its page offset.
#ifndef VL9738K_PLATFORM_TUSERMEMORYMAP_H
#define VL9738K_PLATFORM_TUSERMEMORYMAP_H

#include <stdint.h>

#include "../status/tStatus.h"

namespace nVLAPAL000 {

class tSession;

class tUserMemoryMap {
 public:
  static constexpr uint32_t kAccessRead = 8;
  static constexpr uint32_t kAccessReadWrite = 16;

  tUserMemoryMap(tSession* session, uint64_t kernelMap, uint32_t region);

  // Backs the map with `length` bytes of a kernel page list, from the
  // page-aligned byte `offset` into it.
  void mapPageList(uint64_t pageList, uint64_t offset, uint64_t length, nVLAPALS100::tStatus& status);
  // Backs the map with a page-aligned physical range.
  void mapPhysicalAddress(uint64_t physicalAddress, uint64_t size, uint32_t cacheMode, nVLAPALS100::tStatus& status);

  uint64_t getSize() const { return size_; }
  uint32_t getRegion() const { return region_; }
  uint32_t getAccess() const { return access_; }
  uint64_t getKernelMap() const { return kernelMap_; }
  uint64_t getVirtualAddress() const { return virtualAddress_; }
  tSession* getSession() const { return session_; }

 private:
  uint64_t size_;
  uint32_t region_;
  uint32_t access_;
  uint64_t kernelMap_;
  uint64_t virtualAddress_;
  tSession* session_;
};

}  // namespace nVLAPAL000

#endif
