// Kernel-layer access to memory-mapped device registers. Each call is one
// bus access of its width at a kernel-virtual address inside a mapped
// device window; the kernel layer reports no failure for them. There is no
// 64-bit call: 64-bit registers take one plain 8-byte load or store.
#ifndef VL9738K_ZUK_REGISTERS_H
#define VL9738K_ZUK_REGISTERS_H

#include "ZukTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

uint8_t nVLZUK100_memoryRead8(const volatile void* address);
uint16_t nVLZUK100_memoryRead16(const volatile void* address);
uint32_t nVLZUK100_memoryRead32(const volatile void* address);
void nVLZUK100_memoryWrite8(volatile void* address, uint8_t value);
void nVLZUK100_memoryWrite16(volatile void* address, uint16_t value);
void nVLZUK100_memoryWrite32(volatile void* address, uint32_t value);

#ifdef __cplusplus
}
#endif

#endif
