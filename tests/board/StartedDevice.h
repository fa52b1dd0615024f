// A Device on a board model as the kernel layer brings one up: built from
// the board's description, started on its bus and made ready; removed the
// way the kernel layer removes it before it is deleted.
#ifndef VL9738K_TESTS_BOARD_STARTED_DEVICE_H
#define VL9738K_TESTS_BOARD_STARTED_DEVICE_H

#include <memory>

#include "driver/board/device/Device.h"
#include "tests/platform/pci/PciTestDevice.h"

namespace vltest {

struct RemoveDevice {
  void operator()(nVL9738K_24_0::Device* device) const {
    nVLAPAL000::tDevice::onRemoveDevice(device);
    delete device;
  }
};
using RunningDevice = std::unique_ptr<nVL9738K_24_0::Device, RemoveDevice>;

inline RunningDevice startDevice(const sim::Board& board, tStatus& status,
                                 nVL9738K_24_0::Device::tInterfaceFactory mainInterface = nullptr) {
  RunningDevice device(new (status, nVLAPAL000::kAllocationKindPlain)
                           nVL9738K_24_0::Device(pciInformationFor(board.description()), mainInterface, status));
  if (!device) return device;
  device->startBus(0, status);
  nVLAPAL000::tEventDescriptor none{nullptr};
  device->changeState(none, nVLAPAL000::kPnPStateReady, 0, false, status);
  return device;
}

}  // namespace vltest

#endif
