// Kernel-layer memory services.
#ifndef VL9738K_ZUK_MEMORY_H
#define VL9738K_ZUK_MEMORY_H

#include "ZukTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

void* nVLZUK100_malloc(uint64_t size);
void nVLZUK100_free(void* block);
void* nVLZUK180_memCpy(void* destination, const void* source, uint64_t size);
void* nVLZUK180_memMove(void* destination, const void* source, uint64_t size);
void nVLZUK240_memSet(void* destination, int value, uint64_t size);
uint64_t nVLZUK100_getPageSize(void);

#ifdef __cplusplus
}
#endif

#endif
