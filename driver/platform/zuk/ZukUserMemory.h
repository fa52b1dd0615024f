// Kernel-layer access to the calling process's memory: copies of request
// blocks in and out, and the mappings user mode asks for with mmap.
#ifndef VL9738K_ZUK_USER_MEMORY_H
#define VL9738K_ZUK_USER_MEMORY_H

#include "ZukTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

// Both return 0 when all bytes were copied and a negative kernel-layer code
// (a fault in user memory arrives as -51009) otherwise.
int32_t nVLZUK100_replicateInboundIOControlBuffer(void* kernelDestination, const void* userSource, uint32_t size);
int32_t nVLZUK100_replicateOutboundIOControlBuffer(void* userDestination, const void* kernelSource, uint32_t size);

// A user memory map: the kernel layer's record of one mmap call that the
// driver is asked to back. The handle stays valid until the unmap entry
// has returned.
uint64_t nVLZUK220_tUserMemMap_getSize(uint64_t map);
uint64_t nVLZUK220_tUserMemMap_getVirtualAddress(uint64_t map);
// The access user mode asked for; bit 1 set means it may write.
uint32_t nVLZUK220_tUserMemMap_getAccessMode(uint64_t map);
// Backs `pageCount` pages of the map, from its start, with the pages of a
// kernel page list starting at `firstPage`. Returns a kernel-layer code.
int32_t nVLZUK220_tUserMemMap_mapPageList(uint64_t map, uint64_t pageList, uint64_t firstPage, uint64_t pageCount);
// Backs the map with a physical range (page aligned). Returns a kernel-layer code.
int32_t nVLZUK2280_tUserMemMap_mapPhysicalAddress(uint64_t map, uint64_t physicalAddress, uint64_t size,
                                                  uint32_t cacheMode);

#ifdef __cplusplus
}
#endif

#endif
