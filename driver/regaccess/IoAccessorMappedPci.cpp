#include "IoAccessorMappedPci.h"

namespace vllym {

// Out of line, so that the class's vtable lives with the driver's code.
IoAccessorMappedPci::~IoAccessorMappedPci() {}

}  // namespace vllym
