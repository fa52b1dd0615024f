// The simulated kernel layer as tests see it.
#ifndef VL9738K_SIM_KERNEL_H
#define VL9738K_SIM_KERNEL_H

#include "Clock.h"
#include "Console.h"
#include "DeviceRegistry.h"
#include "Dpc.h"
#include "Drivers.h"
#include "FaultSite.h"
#include "Interrupts.h"
#include "KernelSockets.h"
#include "Memory.h"
#include "PageLists.h"
#include "Pci.h"
#include "PhysicalMemory.h"
#include "Ports.h"
#include "Registers.h"
#include "ScatterGather.h"
#include "Scheduler.h"
#include "Sync.h"
#include "Threads.h"
#include "Time.h"
#include "UserMaps.h"
#include "UserMemory.h"

namespace sim {

// Back to a fresh kernel: virtual clock at its origin, no armed faults, an
// empty log, no registered drivers, interfaces, properties, user memory,
// maps, deferred calls, socket buffers or claimed register ranges, every
// kernel thread joined and the time of day at its fixed start; no plugged
// PCI functions, kernel mappings or interrupt reservations; no page lists
// or scatter-gather objects, and the default memory placement; the
// deterministic mode off.
void resetKernel();

}  // namespace sim

#endif
