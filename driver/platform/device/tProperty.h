// A property published to user space: one element of a null-terminated
// property list. The kernel layer copies the value when it registers it
// and hands back a handle that the record keeps for unregistration.
#ifndef VL9738K_PLATFORM_TPROPERTY_H
#define VL9738K_PLATFORM_TPROPERTY_H

#include <stdint.h>

namespace nVLAPAL000 {

// Who a property list belongs to, as the kernel layer files it.
inline constexpr uint32_t kPropertyKindDevice = 0;
inline constexpr uint32_t kPropertyKindPCI = 1;
inline constexpr uint32_t kPropertyKindInterface = 2;

struct tProperty {
  // The kernel layer's type codes.
  static constexpr uint64_t kTypeNUMANode = 50;  // 32-bit value
  static constexpr uint64_t kTypeUInt32 = 51;
  static constexpr uint64_t kTypeString = 85;  // sent with its terminator
  static constexpr uint64_t kTypeInt64 = 100;
  static constexpr uint64_t kTypeUInt64 = 101;
  static constexpr uint64_t kTypeBytes = 187;

  struct tBytes {
    uint64_t size;
    const void* data;
  };

  const char* name;
  uint64_t type;
  uint64_t handle;  // 0 while not registered
  union {
    uint32_t u32;
    uint64_t u64;
    const char* text;
    tBytes bytes;
  } value;

  // Where the kernel layer reads the value from, and how many bytes.
  const void* valuePointer() const;
  uint64_t valueSize() const;
};

}  // namespace nVLAPAL000

#endif
