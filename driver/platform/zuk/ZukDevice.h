// Kernel-layer services around a device: publishing device interfaces and
// properties to user space, and deferred procedure calls.
#ifndef VL9738K_ZUK_DEVICE_H
#define VL9738K_ZUK_DEVICE_H

#include "ZukDriver.h"

#ifdef __cplusplus
extern "C" {
#endif

// Publishes a device interface under `name`; `context` is what the open
// entry later receives as the per-open context. Returns the interface's
// handle, or 0 when the kernel layer refuses it.
uint64_t nVLZUK240_registerDeviceInterface(nVLZUK_tDriverRecord* driver, uint64_t device, const char* name,
                                           uint32_t index, void* context);
void nVLZUK200_unregisterDeviceInterface(uint64_t interfaceHandle);
// Tells user space that a registered interface may now be opened.
void nVLZUK240_notifyUserspaceAddEvent(uint64_t interfaceHandle);

// Property kinds: 0 device, 1 PCI, 2 device interface. `owner` is the
// device's or the interface's kernel handle. The kernel layer copies the
// value. Returns the property's handle, or 0 when it is refused.
uint64_t nVLZUK200_registerProperty(uint32_t kind, uint64_t owner, const char* name, const void* value, uint64_t size);
void nVLZUK200_unregisterProperty(uint64_t propertyHandle);

// Queues the deferred procedure call behind `dpc`; it runs later, once,
// however often it was queued meanwhile.
void nVLZUK100_scheduleDPC(uint64_t dpc);

#ifdef __cplusplus
}
#endif

#endif
