// The board object over a device type: maps BAR 0 of the device, builds
// the board (BoardOstervaneBase) over it, and wraps every FPGA download in
// the device's preparation and completion.
//
// tDevice is a PCI device (mapBAR, unmapBAR, getBARLength, its PCI
// information block) with prepareForFpgaDownload(status) and
// completeInitialization(status); either a tPCIDevice itself or one that
// hands out its tPCIDevice with getPCIDevice().
#ifndef VL9738K_BOARD_BOARDOSTERVANE_H
#define VL9738K_BOARD_BOARDOSTERVANE_H

#include "BoardOstervaneBase.h"

namespace nVL9738K_24_0 {

inline nVLAPAL000::tPCIDevice& pciDeviceOf(nVLAPAL000::tPCIDevice& device) { return device; }
template <typename tDevice>
auto pciDeviceOf(tDevice& device) -> decltype(device.getPCIDevice()) {
  return device.getPCIDevice();
}

template <typename tDevice>
class BoardOstervane : public BoardOstervaneBase {
 public:
  BoardOstervane(tDevice& device, tStatus& status)
      : BoardOstervaneBase(mapBar0(device, status), &pciDeviceOf(device), status), device_(device) {}

  ~BoardOstervane() override {
    tearDownInterrupts();
    if (getBar0Address() != 0) device_.unmapBAR(reinterpret_cast<void*>(getBar0Address()));
  }

  // The device drops what depends on the FPGA, the image goes down, and
  // only a clean download lets the device finish its initialisation.
  void programFpga(const nVLAPAL000::tPageList& image, tStatus& status) override {
    device_.prepareForFpgaDownload(status);
    downloadImage(image, status);
    if (status.isNotFatal()) device_.completeInitialization(status);
  }

  tDevice& getDevice() { return device_; }

 private:
  static tBar0 mapBar0(tDevice& device, tStatus& status) {
    tBar0 bar{0, 0, 0};
    if (status.isFatal()) return bar;
    void* mapped = device.mapBAR(0, status);
    if (mapped == nullptr || status.isFatal()) return bar;
    bar.kernelAddress = reinterpret_cast<uint64_t>(mapped);
    bar.busAddress = device.getPCIInformation().memoryWindows[0].physicalAddress;
    bar.length = device.getBARLength(0);
    return bar;
  }

  tDevice& device_;
};

}  // namespace nVL9738K_24_0

#endif
