// A Device on a board model as the kernel layer brings one up: built from
// the board's description, started on its bus and made ready; removed the
// way the kernel layer removes it before it is deleted.
#ifndef VL9738K_TESTS_BOARD_STARTED_DEVICE_H
#define VL9738K_TESTS_BOARD_STARTED_DEVICE_H

#include <gtest/gtest.h>

#include <memory>

#include "driver/board/device/Device.h"
#include "sim/kernel/UserMemory.h"
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

// One request framed as user mode frames it, both blocks in user memory,
// through the main interface of `device` (1: the FPGA interface) for the
// session `who` names.
template <class Op>
typename Op::Out callMain(nVL9738K_24_0::Device& device, nVLAPAL000::tEventDescriptor& who,
                          const typename Op::In& in = {}, unsigned interface = 0) {
  sim::UserBlock input(sizeof in), output(sizeof(typename Op::Out));
  input.put(0, in);
  tStatus frame;
  device.getDeviceInterfaces()[interface]->decodeIOControl(who, Op::kCode, input.data(), input.size(), output.data(),
                                                           output.size(), frame);
  EXPECT_EQ(frame.getCode(), 0);
  return output.get<typename Op::Out>(0);
}

// A device started on a board model, its sessions opened and closed as the
// kernel layer opens and closes them.
class DeviceOnBoard : public testing::Test {
 protected:
  void start(nVL9738K_24_0::Device::tInterfaceFactory mainInterface = nullptr) {
    device = startDevice(board, status, mainInterface);
    ASSERT_NE(device, nullptr);
  }
  // A session of the main interface (1: of the FPGA interface).
  nVLAPAL000::tSession* open(tStatus& result, unsigned interface = 0) {
    nVLAPAL000::tEventDescriptor none{nullptr};
    return device->openDeviceInterface(none, device->getDeviceInterfaces()[interface], result);
  }
  void close(nVLAPAL000::tSession* session) {
    nVLAPAL000::tEventDescriptor descriptor{session};
    device->closeDeviceInterface(descriptor, session);
  }
  template <class Op>
  typename Op::Out call(nVLAPAL000::tSession* session, const typename Op::In& in = {}) {
    nVLAPAL000::tEventDescriptor descriptor{session};
    return callMain<Op>(*device, descriptor, in);
  }

  sim::Board board;
  tStatus status{tStatus::kFullSize};
  RunningDevice device;
};

}  // namespace vltest

#endif
