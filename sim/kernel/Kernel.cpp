#include "Kernel.h"

namespace sim {

void resetKernel() {
  Clock::instance().reset();
  Memory::reset();
  Sync::reset();
  Console::reset();
  Drivers::reset();
}

}  // namespace sim
