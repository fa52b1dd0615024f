#include "tDMAConfiguration.h"

#include "../pci/tPCIInformation.h"
#include "../zuk/ZukDMA.h"
#include "../zuk/ZukMemory.h"

namespace nVLAPAL000 {

using nVLAPALS100::tStatus;

tDMAConfiguration::~tDMAConfiguration() {}

uint32_t tDMAConfiguration::getNUMANode() const {
  return deviceInformation_ != nullptr ? deviceInformation_->numaNode : kNUMANodeUnknown;
}

uint64_t tDMAConfiguration::getPCIHandle() const {
  return deviceInformation_ != nullptr ? deviceInformation_->record.configurationHandle : 0;
}

void tDMAConfiguration::allocateDMABuffer(tPageList& out, uint64_t size, uint32_t pageListFlags, tStatus& status,
                                          uint64_t alignment) const {
  if (status.isFatal()) return;
  if (type_ == kDMATypeNotConfigured) {
    status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE);
    return;
  }
  if (type_ == kDMAType32Bit) pageListFlags |= nVLZUK_kPageListBelow4G;
  const uint64_t pageSize = nVLZUK100_getPageSize();
  // An alignment of 0 asks for nothing (and must not divide).
  if (alignment != 0 && pageSize % alignment != 0) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
    return;
  }
  const uint64_t pages = size / pageSize + (size % pageSize != 0 ? 1 : 0);
  const uint32_t node = getNUMANode();
  const uint64_t handle = node != kNUMANodeUnknown
                              ? nVLZUK1_tPageList_createFromAllocationNUMA(pages, pageListFlags, node)
                              : nVLZUK220_tPageList_createFromAllocation(pages, pageListFlags);
  if (handle == 0) {
    status.setCode(nVLAPALS100::kStatusOutOfMemory, VL_SITE);
    return;
  }
  out = tPageList{pages * pageSize, 0, handle};
}

void tDMAConfiguration::freeDMABuffer(tPageList& buffer) const {
  nVLZUK220_tPageList_destroy(buffer.handle);
  buffer = tPageList{0, 0, 0};
}

}  // namespace nVLAPAL000
