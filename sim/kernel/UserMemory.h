// The calling process's memory as the kernel layer sees it: only ranges
// that the host side has registered are readable and writable, and a copy
// that touches anything else faults with the kernel layer's code.
#ifndef VL9738K_SIM_USER_MEMORY_H
#define VL9738K_SIM_USER_MEMORY_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "FaultSite.h"

namespace sim {

class UserMemory {
 public:
  // What a copy returns when user memory cannot be reached.
  static constexpr int32_t kCopyFault = -51009;

  // Injected failures return the armed code instead of copying.
  static FaultSite& inboundCopyFaults();
  static FaultSite& outboundCopyFaults();

  static void addRange(const void* base, uint64_t size);
  static void removeRange(const void* base);
  static bool isMapped(uint64_t address, uint64_t size);
  // Whether some byte of [address, address + size) is the process's memory.
  static bool touches(uint64_t address, uint64_t size);

  // Copies the driver made (successful or not), for tests that must prove
  // that nothing was touched.
  static uint64_t inboundCopies();
  static uint64_t outboundCopies();

  // The kernel layer locked some user pages: a driver holding them may
  // have written anywhere in them, not only in a block's own bytes.
  static void notePagesLocked();
  static uint64_t pageLocks();

  static void reset();
};

// One block of user memory: host bytes that stay registered as a valid
// user range while the block lives. A process owns its memory in whole
// pages, so the block sits inside pages of its own (at an offset that
// depends on its size only, as a heap's would): a driver that locks the
// block's pages and reads past its end reads the process's padding, as on
// a real machine, never another host object. The pages come from
// UserPagePool, zeroed as fresh ones would be.
class UserBlock {
 public:
  explicit UserBlock(size_t size);
  ~UserBlock();
  UserBlock(const UserBlock&) = delete;
  UserBlock& operator=(const UserBlock&) = delete;

  uint64_t address() const { return reinterpret_cast<uint64_t>(bytes_); }
  uint8_t* data() { return bytes_; }
  const uint8_t* data() const { return bytes_; }
  size_t size() const { return size_; }

  template <typename T>
  T get(size_t offset) const {
    T value;
    std::memcpy(&value, bytes_ + offset, sizeof(T));
    return value;
  }
  template <typename T>
  void put(size_t offset, T value) {
    std::memcpy(bytes_ + offset, &value, sizeof(T));
  }

 private:
  size_t size_;
  size_t pageCount_;
  uint64_t pageLocksAtStart_;
  uint8_t* pages_;
  uint8_t* bytes_;
};

}  // namespace sim

#endif
