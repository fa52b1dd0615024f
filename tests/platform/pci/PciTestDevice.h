// A device on the PCI bus for driving tPCIDevice the whole road: a board
// model plugged into the simulated kernel layer, its description turned
// into the PCI information block the way add device fills it, the device
// started, its link read and its PCI properties published.
#ifndef VL9738K_TESTS_PCI_TEST_DEVICE_H
#define VL9738K_TESTS_PCI_TEST_DEVICE_H

#include <atomic>
#include <functional>
#include <optional>
#include <string>

#include "driver/platform/pci/tPCIDevice.h"
#include "sim/board/Board.h"
#include "sim/kernel/DeviceRegistry.h"

namespace vltest {

using nVLAPALS100::tStatus;

// The block add device builds from the kernel layer's description.
nVLAPAL000::tPCIInformation pciInformationFor(const nVLZUK_tPCIDeviceDescription& description);

class PciTestDevice : public nVLAPAL000::tPCIDevice {
 public:
  PciTestDevice(const nVLAPAL000::tPCIInformation& information, tStatus& status) : tPCIDevice(information, status) {}
  void start(nVLAPAL000::tEventDescriptor&, tStatus&) override { setGate(nVLAPAL000::kGateOpen); }
};

// Counts its interrupts and runs a test's check inside the handler.
class CountingHandler : public nVLAPAL000::iPrimaryInterruptHandler {
 public:
  explicit CountingHandler(bool claims = true) : claims_(claims) {}
  bool recognizeInterrupt() override {
    ++calls;
    if (during) during();
    return claims_;
  }
  std::atomic<int> calls{0};
  std::function<void()> during;

 private:
  bool claims_;
};

class PciTestBoard {
 public:
  explicit PciTestBoard(const sim::BoardOptions& options = {});
  ~PciTestBoard();
  PciTestBoard(const PciTestBoard&) = delete;
  PciTestBoard& operator=(const PciTestBoard&) = delete;

  sim::Board& board() { return board_; }
  PciTestDevice& device() { return *device_; }
  // What plugging in left in the status (construction, startBus, properties).
  int64_t plugStatus() const { return plugStatus_; }
  // The PCI property the kernel layer holds for the device, as published.
  std::optional<sim::DeviceRegistry::Property> property(const std::string& name) const;
  size_t publishedPropertyCount() const;

 private:
  sim::Board board_;
  PciTestDevice* device_;
  int64_t plugStatus_;
};

// The device face the board support object asks of its owner, over a test
// device: BAR mapping and PCI information pass through, the download hooks
// do nothing.
struct LymTestDevice {
  nVLAPAL000::tPCIDevice& pci;
  void* mapBAR(uint8_t bar, tStatus& status) { return pci.mapBAR(bar, status); }
  void unmapBAR(void* address) { pci.unmapBAR(address); }
  uint64_t getBARLength(uint8_t bar) const { return pci.getBARLength(bar); }
  const nVLAPAL000::tPCIInformation& getPCIInformation() const { return pci.getPCIInformation(); }
  nVLAPAL000::tPCIDevice& getPCIDevice() { return pci; }
  void prepareForFpgaDownload(tStatus&) {}
  void completeInitialization(tStatus&) {}
};

uint32_t propertyU32(const sim::DeviceRegistry::Property& property);
std::string propertyText(const sim::DeviceRegistry::Property& property);

}  // namespace vltest

#endif
