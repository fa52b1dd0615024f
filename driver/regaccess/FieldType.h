// Width class of a register field, as getRegisterFormat reports it.
#ifndef VL9738K_REGACCESS_FIELDTYPE_H
#define VL9738K_REGACCESS_FIELDTYPE_H

#include <stdint.h>

namespace arm {

enum class FieldType : uint32_t {
  kBit = 0,
  kUpTo8Bits = 1,
  kUpTo16Bits = 2,
  kUpTo32Bits = 3,
  kUpTo64Bits = 4,
};

constexpr FieldType fieldTypeForWidth(uint32_t bits) {
  return bits <= 1    ? FieldType::kBit
         : bits <= 8  ? FieldType::kUpTo8Bits
         : bits <= 16 ? FieldType::kUpTo16Bits
         : bits <= 32 ? FieldType::kUpTo32Bits
                      : FieldType::kUpTo64Bits;
}

}  // namespace arm

#endif
