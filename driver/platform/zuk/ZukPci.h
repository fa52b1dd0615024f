// Kernel-layer services of a PCI function: the description handed to add
// device, configuration space, DMA addressing, the function's place in the
// bus tree, kernel mappings of physical ranges and its interrupt.
#ifndef VL9738K_ZUK_PCI_H
#define VL9738K_ZUK_PCI_H

#include "ZukDriver.h"

#ifdef __cplusplus
extern "C" {
#endif

// Flags of a resource window.
#define NVLZUK_PCI_WINDOW_IO 0x1u
#define NVLZUK_PCI_WINDOW_MEMORY 0x2u

typedef struct nVLZUK_tPCIResourceWindow {
  uint64_t start;
  uint64_t size;
  uint32_t flags;
  uint32_t reserved;
} nVLZUK_tPCIResourceWindow;

// What the kernel layer knows of a PCI function when it offers it to add
// device. The device handle serves every later call about the function.
typedef struct nVLZUK_tPCIDeviceDescription {
  uint64_t deviceHandle;
  uint16_t bus;
  uint16_t device;
  uint16_t function;
  uint16_t vendorId;
  uint16_t deviceId;
  uint16_t subsystemVendorId;
  uint16_t subsystemId;
  uint16_t revision;
  uint32_t interruptPresent;
  uint32_t interruptNumber;
  nVLZUK_tPCIResourceWindow windows[6];
} nVLZUK_tPCIDeviceDescription;

VLZUK_STATIC_ASSERT(offsetof(nVLZUK_tPCIDeviceDescription, bus) == 8, "the identity words follow the handle");
VLZUK_STATIC_ASSERT(offsetof(nVLZUK_tPCIDeviceDescription, interruptPresent) == 24, "the interrupt follows the ids");
VLZUK_STATIC_ASSERT(offsetof(nVLZUK_tPCIDeviceDescription, windows) == 32, "the windows follow the interrupt");

// Configuration space of the function behind `handle`. Each returns 0, or
// a negative code when the access could not be made (the value read is
// then undefined).
int32_t nVLZUK100_pciConfigRead8(uint64_t handle, uint32_t offset, uint8_t* value);
int32_t nVLZUK100_pciConfigRead16(uint64_t handle, uint32_t offset, uint16_t* value);
int32_t nVLZUK100_pciConfigRead32(uint64_t handle, uint32_t offset, uint32_t* value);
int32_t nVLZUK100_pciConfigWrite8(uint64_t handle, uint32_t offset, uint8_t value);
int32_t nVLZUK100_pciConfigWrite16(uint64_t handle, uint32_t offset, uint16_t value);
int32_t nVLZUK100_pciConfigWrite32(uint64_t handle, uint32_t offset, uint32_t value);

// The addresses the function may reach by DMA. 0 when the platform
// accepts the mask, a negative code when it cannot serve it.
int32_t nVLZUK220_pciSetDMAMask(uint64_t handle, uint64_t mask);

// PCI domain (segment) of the function; negative when unknown.
int32_t nVLZUK240_getPCIDomain(uint64_t handle);
// NUMA node closest to the function; negative when the platform has none.
int32_t nVLZUK1_getDeviceNUMANode(uint64_t handle);

// One bus of the system as enumeration reports it: a root bus (isRoot,
// reached through a host bridge, bridgeDeviceFunction 0) or the secondary
// bus of a PCI-to-PCI bridge that sits at bridgeDeviceFunction
// (device * 8 + function) on bus `primary`. Buses below it are numbered
// from `secondary` to `subordinate`.
typedef struct nVLZUK_tPCIBus {
  uint32_t domain;
  uint32_t isRoot;
  uint8_t primary;
  uint8_t secondary;
  uint8_t subordinate;
  uint8_t bridgeDeviceFunction;
  uint32_t reserved;
} nVLZUK_tPCIBus;

// Returns non-zero to end the enumeration.
typedef int32_t (*nVLZUK_tPCIBusVisitor)(const nVLZUK_tPCIBus* bus, void* context);
// Visits every bus, depth first: a bus before the buses below it. Returns
// 0, or a negative code when the bus list cannot be walked.
int32_t nVLZUK100_enumeratePCIBuses(nVLZUK_tPCIBusVisitor visitor, void* context);

// Kernel-virtual mapping of a physical range (cache mode 0 uncached,
// 1 write-combined, 2 cached). Null when it cannot be mapped.
void* nVLZUK230_mapPhysicalToKernel(uint64_t physicalAddress, uint64_t size, uint32_t cacheMode);
void nVLZUK230_unmapPhysicalFromKernel(void* address, uint32_t cacheMode);

// Interrupt service routine: returns non-zero when the interrupt was the
// device's. It runs in interrupt context.
typedef int32_t (*nVLZUK_tInterruptRoutine)(void* context);

// The driver's part of a reservation; the kernel layer reads it for every
// interrupt while the reservation stands.
typedef struct nVLZUK_tInterruptRecord {
  nVLZUK_tInterruptRoutine routine;
  void* context;
} nVLZUK_tInterruptRecord;

// The interrupt line word the kernel layer described the function with:
// {u32 interrupt number; u16 kind; u16 reserved}.
#define NVLZUK_INTERRUPT_KIND_LINE 6u
#define NVLZUK_INTERRUPT_SHARED 0x1u

// Returns 0 when the routine will be called for the function's interrupt,
// a negative code otherwise.
int32_t nVLZUK1400_reserveInterrupt(uint64_t handle, nVLZUK_tInterruptRecord* record, uint64_t interruptLine,
                                    uint32_t flags);
// Ends a reservation; returns once no call of the routine is running.
void nVLZUK100_relinquishInterrupt(uint64_t handle, nVLZUK_tInterruptRecord* record);

#ifdef __cplusplus
}
#endif

#endif
