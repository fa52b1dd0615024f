// Add device with the main interface made by `mainInterface`: the driver
// entry's add device passes the board's own interface; tests pass one that
// wraps it.
#ifndef VL9738K_BOARD_LINUXENTRY_H
#define VL9738K_BOARD_LINUXENTRY_H

#include "../platform/zuk/ZukDriver.h"
#include "device/Device.h"

namespace nVL9738K_24_0 {

int32_t addDevice(const nVLZUK_tPCIDeviceDescription* description, void** deviceSlot,
                  Device::tInterfaceFactory mainInterface);

}  // namespace nVL9738K_24_0

#endif
