#include "tUserMemoryMap.h"

#include "../zuk/ZukMemory.h"
#include "../zuk/ZukUserMemory.h"
#include "DeviceSites.h"

namespace nVLAPAL000 {
namespace {

using nVLAPALS100::tStatus;

constexpr uint32_t kAccessModeWrite = 1u << 1;
// Physical ranges reach user mode only for device memory, which is always
// mapped in the kernel layer's mode 1 whatever the caller names.
constexpr uint32_t kDeviceMemoryCacheMode = 1;

void refuseOffset(tStatus& status, uint64_t line) {
  status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE_AT(sites::kUserMemoryMap, line));
}

}  // namespace

tUserMemoryMap::tUserMemoryMap(tSession* session, uint64_t kernelMap, uint32_t region)
    : size_(nVLZUK220_tUserMemMap_getSize(kernelMap)),
      region_(region),
      access_((nVLZUK220_tUserMemMap_getAccessMode(kernelMap) & kAccessModeWrite) != 0 ? kAccessReadWrite
                                                                                       : kAccessRead),
      kernelMap_(kernelMap),
      virtualAddress_(nVLZUK220_tUserMemMap_getVirtualAddress(kernelMap)),
      session_(session) {}

void tUserMemoryMap::mapPageList(uint64_t pageList, uint64_t offset, uint64_t length, tStatus& status) {
  if (status.isFatal()) return;
  const uint64_t pageSize = nVLZUK100_getPageSize();
  if (offset % pageSize != 0) {
    refuseOffset(status, sites::lines::kPageListOffset);
    return;
  }
  const uint64_t pages = length / pageSize + (length % pageSize != 0 ? 1 : 0);
  const int32_t result = nVLZUK220_tUserMemMap_mapPageList(kernelMap_, pageList, offset / pageSize, pages);
  nVLAPALS100::setStatusFromZUKStatus(result, status, sites::kUserMemoryMap, sites::lines::kPageListMapping);
}

void tUserMemoryMap::mapPhysicalAddress(uint64_t physicalAddress, uint64_t size, uint32_t, tStatus& status) {
  if (status.isFatal()) return;
  if (physicalAddress % nVLZUK100_getPageSize() != 0) {
    refuseOffset(status, sites::lines::kPhysicalAlignment);
    return;
  }
  const int32_t result =
      nVLZUK2280_tUserMemMap_mapPhysicalAddress(kernelMap_, physicalAddress, size, kDeviceMemoryCacheMode);
  nVLAPALS100::setStatusFromZUKStatus(result, status, sites::kUserMemoryMap, sites::lines::kPhysicalMapping);
}

}  // namespace nVLAPAL000
