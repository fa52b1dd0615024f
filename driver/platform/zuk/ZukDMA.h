// Kernel-layer services for memory a device reaches by DMA: page lists
// (pages the kernel allocated, each with its physical address) and
// scatter-gather objects (a page-list region mapped for one PCI function,
// as bus-address segments). Bus addresses equal physical addresses on the
// platforms this driver serves.
#ifndef VL9738K_ZUK_DMA_H
#define VL9738K_ZUK_DMA_H

#include "ZukTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

// Page-list flags. Bit 1 asks for pages a device reaches with 32-bit
// addresses; bit 0 asks for one physically contiguous run; bit 2 for
// pages filled with zeros.
enum {
  nVLZUK_kPageListContiguous = 1,
  nVLZUK_kPageListBelow4G = 2,
  nVLZUK_kPageListZeroed = 4,
};

// Fresh pages; 0 when the kernel has none to give. The NUMA form places
// them on the given node where it can.
uint64_t nVLZUK220_tPageList_createFromAllocation(uint64_t pageCount, uint32_t flags);
uint64_t nVLZUK1_tPageList_createFromAllocationNUMA(uint64_t pageCount, uint32_t flags, uint32_t numaNode);
// Locks `pageCount` pages of the calling process from `userAddress` (page
// aligned: `userAddress & ~pageMask` is 0) in memory and lists them; 0 when
// they cannot be locked. Flags: 8 for a bitfile, 16 for a FIFO buffer.
uint64_t nVLZUK220_tPageList_createFromUser(uint64_t userAddress, uint64_t pageCount, uint32_t flags,
                                            uint64_t pageMask);
// Frees the pages (unlocks user pages); 0 is allowed and does nothing.
void nVLZUK220_tPageList_destroy(uint64_t pageList);
// The physical address of the byte at `offset` and how many bytes from
// there on are physically contiguous (up to the end of the list).
// Returns a kernel-layer code.
int32_t nVLZUK220_tPageList_getPhysicalAddress(uint64_t pageList, uint64_t offset, uint64_t* physicalAddress,
                                               uint64_t* contiguousBytes);
// One virtually contiguous kernel mapping of `pageCount` pages from
// `firstPage`; null when no mapping is available.
void* nVLZUK220_tPageList_mapToKernel(uint64_t pageList, uint64_t firstPage, uint64_t pageCount, uint64_t pageSize);
void nVLZUK220_tPageList_unmapFromKernel(uint64_t pageList, void* address);
// A short-lived kernel mapping of a single page; null when none is available.
void* nVLZUK220_tPageList_mapOnePageToKernel(uint64_t pageList, uint64_t pageIndex);
void nVLZUK220_tPageList_unmapOnePageFromKernel(uint64_t pageList, void* address);
// Non-zero when the system has memory above 4 GiB.
uint8_t nVLZUK200_isAddressableMemOver4G(void);

// A scatter-gather object for the PCI function behind `pciHandle`, able to
// hold `maxSegments` segments; 0 when none is available.
uint64_t nVLZUK220_tSGL_createForPCI(uint64_t pciHandle, uint64_t maxSegments);
// 0 is allowed and does nothing.
void nVLZUK220_tSGL_destroy(uint64_t sgl);
// Maps `size` bytes of the page list from `offset` for the device;
// `deviceWrites` non-zero when the device writes into them. Returns a
// kernel-layer code.
int32_t nVLZUK220_tSGL_map(uint64_t sgl, uint64_t pageList, uint64_t offset, uint64_t size, uint8_t deviceWrites);
void nVLZUK220_tSGL_unmap(uint64_t sgl);
// Hands the mapped memory to the device, and takes it back for the processor.
void nVLZUK220_tSGL_prepareForDMA(uint64_t sgl);
void nVLZUK220_tSGL_completeDMA(uint64_t sgl);
uint64_t nVLZUK220_tSGL_numSegments(uint64_t sgl);
// Rewinds the object's segment cursor; the getters read the segment under
// it (zeros past the end) and nextSegment advances it.
void nVLZUK220_tSGL_iterate(uint64_t sgl);
uint64_t nVLZUK220_tSGL_getSegmentAddress(uint64_t sgl);
uint64_t nVLZUK220_tSGL_getSegmentSize(uint64_t sgl);
void nVLZUK220_tSGL_nextSegment(uint64_t sgl);

#ifdef __cplusplus
}
#endif

#endif
