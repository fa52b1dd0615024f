#include "UserPageLock.h"

#include "driver/platform/zuk/ZukDMA.h"
#include "driver/platform/zuk/ZukMemory.h"

namespace vllym {

bool lockUserPages(uint64_t address, uint64_t size, uint32_t flags, nVLAPAL000::tPageList& pages,
                   nVLAPALS100::tStatus& status) {
  if (status.isFatal()) return false;
  const uint64_t pageSize = nVLZUK100_getPageSize();
  const uint64_t offset = address % pageSize;
  // The last page must end inside the address space: address + size plus
  // the rest of its page may not wrap.
  if (size > UINT64_MAX - address || size + address > UINT64_MAX - (pageSize - 1)) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
    return false;
  }
  const uint64_t pageCount = (size + offset + pageSize - 1) / pageSize;
  const uint64_t handle = nVLZUK220_tPageList_createFromUser(address - offset, pageCount, flags, ~(pageSize - 1));
  if (handle == 0) {
    status.setCode(nVLAPALS100::kStatusMemoryHandling, VL_SITE);
    return false;
  }
  pages = nVLAPAL000::tPageList{size, offset, handle};
  return true;
}

}  // namespace vllym
