// The interrupt chain of the FPGA side over a plugged board model: the PCI
// device with its DMA configured and BAR 0 mapped, the connector with its
// ISR lock, the primary provider and the bridge interrupt manager, and an
// accessor over the FPGA window. Interrupts the model raises reach the
// manager through the simulated kernel layer.
#ifndef VL9738K_TESTS_FPGA_INTERRUPTCHAINFIXTURE_H
#define VL9738K_TESTS_FPGA_INTERRUPTCHAINFIXTURE_H

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <vector>

#include "driver/fpga/interrupt/InterruptManagerWexel.h"
#include "driver/regaccess/IoAccessorMappedPci.h"
#include "sim/kernel/Interrupts.h"
#include "tests/platform/pci/PciTestDevice.h"

namespace vltest {

class InterruptChain {
 public:
  static constexpr uint64_t kFpgaOffset = 0x80000;
  static constexpr uint64_t kFpgaSize = 0x20000;

  explicit InterruptChain(bool useStatusPage = true) {
    tStatus status;
    pci.device().configureDMA(nVLAPAL000::tDMAConfiguration::kDMAType64Bit, status);
    bar = static_cast<uint8_t*>(pci.device().mapBAR(0, status));
    fpga = std::make_unique<vllym::IoAccessorMappedPci>(kFpgaSize, model().barPhysicalAddress(0) + kFpgaOffset,
                                                        reinterpret_cast<uint64_t>(bar) + kFpgaOffset, 0);
    connector = std::make_unique<vllym::PciDeviceToInterruptConnectorPrimary>(&pci.device(), status);
    provider = std::make_unique<vllym::DeviceInterruptProviderPrimary>(connector.get());
    manager = std::make_unique<vllym::InterruptManagerWexel>(provider.get(), &pci.device(), useStatusPage, bar, status);
    built = status.getCode();
  }
  ~InterruptChain() {
    manager.reset();
    provider.reset();
    connector.reset();
    pci.device().unmapBAR(bar);
  }

  sim::Board& model() { return pci.board(); }
  sim::InterruptController& bridge() { return model().bridge().interrupts(); }
  // The last word written to the bridge's interrupt control.
  uint32_t control() { return static_cast<uint32_t>(model().bridge().core().written(0x5C, 4)); }
  sim::Interrupts::Counts counts() { return sim::Interrupts::counts(model().pciHandle()); }

  PciTestBoard pci;
  uint8_t* bar = nullptr;
  std::unique_ptr<vllym::IoAccessorMappedPci> fpga;
  std::unique_ptr<vllym::PciDeviceToInterruptConnectorPrimary> connector;
  std::unique_ptr<vllym::DeviceInterruptProviderPrimary> provider;
  std::unique_ptr<vllym::InterruptManagerWexel> manager;
  int64_t built = 0;
};

// Records what the manager hands it.
struct RecordingIrq : vllym::IIrqInterruptHandler {
  void handleInterrupt() override { ++calls; }
  std::atomic<int> calls{0};
};

struct RecordingDma : vllym::IDmaInterruptHandler {
  void dispatchInterrupt(uint32_t channel, uint32_t status) override { words.push_back({channel, status}); }
  std::vector<std::pair<uint32_t, uint32_t>> words;
};

}  // namespace vltest

#endif
