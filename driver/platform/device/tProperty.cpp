#include "tProperty.h"

#include "../text/TextLength.h"

namespace nVLAPAL000 {

const void* tProperty::valuePointer() const {
  switch (type) {
    case kTypeNUMANode:
    case kTypeUInt32:
      return &value.u32;
    case kTypeString:
      return value.text != nullptr ? value.text : "";
    case kTypeInt64:
    case kTypeUInt64:
      return &value.u64;
    case kTypeBytes:
      return value.bytes.data;
    default:
      return nullptr;
  }
}

// A missing or empty string still goes out as its terminator alone.
uint64_t tProperty::valueSize() const {
  switch (type) {
    case kTypeNUMANode:
    case kTypeUInt32:
      return sizeof(uint32_t);
    case kTypeString:
      return value.text != nullptr ? textLength(value.text) + 1 : 1;
    case kTypeInt64:
    case kTypeUInt64:
      return sizeof(uint64_t);
    case kTypeBytes:
      return value.bytes.size;
    default:
      return 0;
  }
}

}  // namespace nVLAPAL000
