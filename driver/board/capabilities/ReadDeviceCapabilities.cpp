#include "ReadDeviceCapabilities.h"

#include "driver/platform/pci/tVLCapabilities.h"

namespace nVL9738K_24_0 {

void readDeviceCapabilities(nVLAPAL000::tPCIDevice& device, DeviceCapabilities& record, nVLAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  DeviceCapabilities::initialize(record);
  nVLAPAL000::tWexel wexel(&device, status);
  nVLAPAL000::tVLCapabilityPCIAccessor<nVLAPAL000::tWexel> walker(wexel);
  nVLAPAL000::tDeviceSpecific<nVLAPAL000::tWexel> block;
  walker.getCapability(block, status);
  DeviceCapabilities::parse(record, block.getData(), block.getLength(), false, 0, 0, nullptr, status);
}

}  // namespace nVL9738K_24_0
