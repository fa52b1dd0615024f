// Kernel-layer access to a device's I/O-port windows. Each call is one bus
// access of its width at a port address inside a window the device was
// given; the kernel layer reports no failure for them.
#ifndef VL9738K_ZUK_PORTS_H
#define VL9738K_ZUK_PORTS_H

#include "ZukTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

uint8_t nVLZUK100_ioRead8(uint64_t port);
uint16_t nVLZUK100_ioRead16(uint64_t port);
uint32_t nVLZUK100_ioRead32(uint64_t port);
void nVLZUK100_ioWrite8(uint64_t port, uint8_t value);
void nVLZUK100_ioWrite16(uint64_t port, uint16_t value);
void nVLZUK100_ioWrite32(uint64_t port, uint32_t value);

#ifdef __cplusplus
}
#endif

#endif
