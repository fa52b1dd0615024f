// The kernel layer's driver record and driver registration.
#ifndef VL9738K_ZUK_DRIVER_H
#define VL9738K_ZUK_DRIVER_H

#include "ZukTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

#ifdef __cplusplus
#define VLZUK_STATIC_ASSERT static_assert
#else
#define VLZUK_STATIC_ASSERT _Static_assert
#endif

struct nVLZUK_tDriverRecord;
struct nVLZUK_tPCIDeviceDescription;

typedef int32_t (*nVLZUK_tOpenEntry)(void* ignored, void** context);
typedef void (*nVLZUK_tCloseEntry)(void* session);
typedef int32_t (*nVLZUK_tTransferEntry)(void* session, uint64_t userAddress, uint64_t size, uint64_t ignored,
                                         uint64_t* count);
typedef int32_t (*nVLZUK_tIoctlEntry)(void* session, uint32_t command, uint64_t argument);
typedef void (*nVLZUK_tUnloadEntry)(struct nVLZUK_tDriverRecord* record);
typedef int32_t (*nVLZUK_tAddDeviceEntry)(const struct nVLZUK_tPCIDeviceDescription* description, void* unused,
                                          void** deviceSlot);
typedef void (*nVLZUK_tDeviceEntry)(void* device);
typedef int32_t (*nVLZUK_tMapMemoryEntry)(void* session, uint64_t region, uint64_t userMapHandle, uint32_t* mapped,
                                          void** context);
typedef void (*nVLZUK_tUnmapMemoryEntry)(void* map);

// The record belongs to the kernel layer. A driver writes the module name
// and the entry points; every other word is the kernel layer's own.
typedef struct nVLZUK_tDriverRecord {
  uint64_t kernelHead[3];
  const char* moduleName;
  uint64_t kernelWord;
  nVLZUK_tOpenEntry open;
  nVLZUK_tCloseEntry close;
  nVLZUK_tTransferEntry read;
  nVLZUK_tTransferEntry write;
  nVLZUK_tIoctlEntry ioctl;
  nVLZUK_tUnloadEntry unload;
  nVLZUK_tAddDeviceEntry addDevice;
  nVLZUK_tDeviceEntry removeDevice;
  nVLZUK_tMapMemoryEntry mapMemory;
  nVLZUK_tUnmapMemoryEntry unmapMemory;
  nVLZUK_tDeviceEntry deleteDevice;
  uint64_t kernelTail[4];
} nVLZUK_tDriverRecord;

VLZUK_STATIC_ASSERT(offsetof(nVLZUK_tDriverRecord, moduleName) == 24, "module name lives at offset 24");
VLZUK_STATIC_ASSERT(offsetof(nVLZUK_tDriverRecord, open) == 40, "entry points start at offset 40");
VLZUK_STATIC_ASSERT(offsetof(nVLZUK_tDriverRecord, deleteDevice) == 120, "the last entry point lives at offset 120");

// Returns a negative kernel-layer code when the driver is refused.
int32_t nVLZUK200_registerDriver(nVLZUK_tDriverRecord* record);
void nVLZUK200_unregisterDriver(nVLZUK_tDriverRecord* record);

#ifdef __cplusplus
}
#endif

#endif
