// Types shared between the driver and the kernel layer it is linked with.
// The kernel layer is a closed C library; these records are its wire shapes.
#ifndef VL9738K_ZUK_TYPES_H
#define VL9738K_ZUK_TYPES_H

#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Kernel-layer status codes are plain negative 32-bit values; 0 is success.
typedef int32_t nVLZUK_tStatus;

// A one-shot event the kernel layer can block a thread on. Its storage
// belongs to the caller (typically a waiter record on the waiting stack);
// the kernel layer never keeps a pointer to it once the wait has returned.
typedef struct nVLZUK_tSingleUseEvent {
  uint32_t released;
  uint32_t reserved;
  uint64_t kernelWords[2];
} nVLZUK_tSingleUseEvent;

// Expiry record of a bounded wait: when the time runs out before the event
// is released, the kernel layer calls `routine(context)` once; the routine
// is expected to release the event so that the wait returns.
typedef struct nVLZUK_tExpiryRecord {
  void (*routine)(void* context);
  void* context;
  uint64_t kernelWords[2];
} nVLZUK_tExpiryRecord;

#ifdef __cplusplus
}
#endif

#endif
