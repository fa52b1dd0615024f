#include "Kernel.h"

#include "Scheduler.h"
#include "sim/idletracker/IdleTracker.h"

namespace sim {

void resetKernel() {
  Scheduler::reset();
  Clock::instance().reset();
  Memory::reset();
  Sync::reset();
  Console::reset();
  Drivers::reset();
  UserMemory::reset();
  DeviceRegistry::reset();
  UserMaps::reset();
  Dpc::reset();
  KernelSockets::reset();
  Registers::reset();
  Ports::reset();
  Threads::reset();
  Time::reset();
  Pci::reset();
  IdleTracker::reset();
  Interrupts::reset();
  ScatterGather::reset();
  PhysicalMemory::reset();
  PageLists::reset();
}

}  // namespace sim
