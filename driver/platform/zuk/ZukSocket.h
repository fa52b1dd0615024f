// Kernel-layer sockets towards user-mode listeners.
#ifndef VL9738K_ZUK_SOCKET_H
#define VL9738K_ZUK_SOCKET_H

#include "ZukTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

// A buffer for one outgoing message of up to `size` bytes; 0 when none is left.
uint64_t nVLZUK250_createKernelSocketBuffer(uint32_t size);
// Sends `message` through `buffer` to the listener at `port`. On success
// (0) the buffer belongs to the kernel layer; on failure (a negative code)
// it stays the caller's.
int32_t nVLZUK250_kernelSocketSend(uint64_t buffer, uint32_t port, uint32_t type, const void* message, uint32_t size);
void nVLZUK250_releaseKernelSocketBuffer(uint64_t buffer);

#ifdef __cplusplus
}
#endif

#endif
