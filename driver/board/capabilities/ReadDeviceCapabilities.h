// Reads the board's device-specific PCI capability through the bridge's
// capability list and parses it into the device capabilities record.
#ifndef VL9738K_BOARD_CAPABILITIES_READDEVICECAPABILITIES_H
#define VL9738K_BOARD_CAPABILITIES_READDEVICECAPABILITIES_H

#include "DeviceCapabilities.h"
#include "driver/platform/pci/tPCIDevice.h"

namespace nVL9738K_24_0 {

// The record starts from its defaults, so a board whose block cannot be
// read leaves the defaults, never what an earlier start read.
void readDeviceCapabilities(nVLAPAL000::tPCIDevice& device, DeviceCapabilities& record, nVLAPALS100::tStatus& status);

}  // namespace nVL9738K_24_0

#endif
