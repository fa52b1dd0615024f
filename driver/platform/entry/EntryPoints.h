// The entry points that the driver entry hands to the kernel layer.
#ifndef VL9738K_PLATFORM_ENTRY_POINTS_H
#define VL9738K_PLATFORM_ENTRY_POINTS_H

#include "../zuk/ZukDriver.h"

namespace nVLAPAL000 {

// `context` holds the device interface on entry and the new session on success.
int32_t kernelOpen(void* ignored, void** context);
void kernelClose(void* session);
int32_t kernelRead(void* session, uint64_t userAddress, uint64_t size, uint64_t ignored, uint64_t* count);
int32_t kernelWrite(void* session, uint64_t userAddress, uint64_t size, uint64_t ignored, uint64_t* count);
int32_t kernelIoctl(void* session, uint32_t command, uint64_t argument);
void kernelRemoveDevice(void* device);
// `region`: the page offset user mode passed; its low 16 bits select what to map.
int32_t kernelMapMemory(void* session, uint64_t region, uint64_t userMapHandle, uint32_t* mapped, void** context);
void kernelUnmapMemory(void* map);
void kernelDeleteDevice(void* device);

// The record handed to the driver entry, kept for interface registration.
nVLZUK_tDriverRecord* getDriverRecord();
void setDriverRecord(nVLZUK_tDriverRecord* record);

}  // namespace nVLAPAL000

namespace nVL9738K_24_0 {

int32_t driverAddDevice(const nVLZUK_tPCIDeviceDescription* description, void* unused, void** deviceSlot);
void driverUnload(nVLZUK_tDriverRecord* record);

}  // namespace nVL9738K_24_0

extern "C" int32_t nVLAPAL200_driverEntry(nVLZUK_tDriverRecord* record);

#endif
