#include "Dispatcher.h"

#include "driver/platform/device/tUserBuffer.h"
#include "driver/platform/memory/Memory.h"
#include "driver/platform/memory/UserBound.h"

namespace vlregitools {

char* copyUserName(const nVLAPAL000::tEventDescriptor& request, const void* userName, uint64_t length,
                   nVLAPALS100::tStatus& status) {
  if (status.isFatal()) return nullptr;
  if (!nVLAPAL000::withinUserBound(length, kMaxUserNameLength, VL_SITE, status)) return nullptr;
  char* name = new (status, nVLAPAL000::kAllocationKindPlain) char[length + 1]();
  if (name == nullptr) return nullptr;
  nVLAPAL000::tEventDescriptor descriptor = request;
  const nVLAPAL000::tUserBuffer buffer(descriptor, userName, length, status);
  buffer.readFromBuffer(0, name, length, status);
  if (status.isNotFatal()) return name;
  delete[] name;
  return nullptr;
}

}  // namespace vlregitools
