// What the generated request decoders call besides the kernel layer.
#ifndef VL9738K_PLATFORM_IOCTL_CODEGEN_H
#define VL9738K_PLATFORM_IOCTL_CODEGEN_H

#include <stdint.h>

#include "../status/tStatus.h"

// Copies an output block to user memory. A copy the kernel layer refuses
// records -52005; returns 0 on success and the kernel layer's code otherwise.
extern "C" int32_t nVLAPAL200_copyIoctlOutBufferForCodegen(void* userDestination, const void* source, uint64_t size,
                                                           nVLAPALS100_tStatus* status);

#endif
