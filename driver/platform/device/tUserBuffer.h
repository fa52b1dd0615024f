// A block of the calling process's memory, named by address and size. It
// is never touched directly: every access is a copy through the kernel
// layer, which faults cleanly on memory the process does not own.
#ifndef VL9738K_PLATFORM_TUSERBUFFER_H
#define VL9738K_PLATFORM_TUSERBUFFER_H

#include <stdint.h>

#include "../status/tStatus.h"
#include "DeviceTypes.h"

namespace nVLAPAL000 {

class tUserBuffer {
 public:
  tUserBuffer(tEventDescriptor& descriptor, uint64_t address, uint64_t size, nVLAPALS100::tStatus& status);
  tUserBuffer(tEventDescriptor& descriptor, const void* address, uint64_t size, nVLAPALS100::tStatus& status);

  // Both copy `size` bytes at `offset` within the block; a range outside
  // the block is refused with -52005 and nothing is copied.
  void readFromBuffer(uint64_t offset, void* destination, uint64_t size, nVLAPALS100::tStatus& status) const;
  void writeToBuffer(uint64_t offset, const void* source, uint64_t size, nVLAPALS100::tStatus& status) const;

  uint64_t getAddress() const { return address_; }
  uint64_t getSize() const { return size_; }

 private:
  bool covers(uint64_t offset, uint64_t size, nVLAPALS100::tStatus& status) const;

  uint64_t address_;
  uint64_t size_;
};

}  // namespace nVLAPAL000

#endif
