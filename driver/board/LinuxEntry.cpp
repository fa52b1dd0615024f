// The board's own entry points: adding a board and unloading the module.
#include "../platform/entry/EntryPoints.h"
#include "../platform/runtime/CppRunTime.h"
#include "../platform/status/tStatus.h"

namespace nVL9738K_24_0 {

// Boards are not accepted yet: the device object comes with the device core.
int32_t driverAddDevice(const nVLZUK_tPCIDeviceDescription*, void*, void** deviceSlot) {
  if (deviceSlot != nullptr) *deviceSlot = nullptr;
  return nVLAPALS100::toZUKStatus(nVLAPALS100::kStatusNotSupported);
}

void driverUnload(nVLZUK_tDriverRecord* record) {
  nVLZUK200_unregisterDriver(record);
  nVLAPAL000::setDriverRecord(nullptr);
  nVLAPAL000::finalizeCPPRunTime();
}

}  // namespace nVL9738K_24_0
