// The driver's register accesses that no model answers land in whatever
// the address names. The fuzzing build keeps this file instrumented while
// the claimed path is not, so that such an access to memory the driver does
// not own is still reported.
#include <cstring>

#include "Registers.h"

namespace sim {

uint32_t Registers::loadPlain(const volatile void* address, unsigned width) {
  uint32_t value = 0;
  std::memcpy(&value, const_cast<const void*>(address), width);
  return value;
}

void Registers::storePlain(volatile void* address, unsigned width, uint32_t value) {
  std::memcpy(const_cast<void*>(address), &value, width);
}

}  // namespace sim
