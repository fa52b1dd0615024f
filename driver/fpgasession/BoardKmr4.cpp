#include "BoardKmr4.h"

#include "driver/platform/memory/Memory.h"

namespace vllym {

BoardKmr4::MappedBar BoardKmr4::map(nVLAPAL000::tPCIDevice* pci, uint8_t bar, tStatus& status) {
  if (status.isFatal()) return MappedBar{bar, 0};
  void* mapped = pci->mapBAR(bar, status);
  return MappedBar{bar, status.isFatal() ? 0 : reinterpret_cast<uint64_t>(mapped)};
}

uint64_t BoardKmr4::windowSize(nVLAPAL000::tPCIDevice* pci, const MappedBar& bar, uint64_t offset, uint64_t size) {
  const uint64_t length = pci->getBARLength(bar.index);
  if (bar.address == 0 || offset > length) return 0;
  if (size == 0) return length - offset;
  return length - offset < size ? 0 : size;
}

uint64_t BoardKmr4::busAddress(nVLAPAL000::tPCIDevice* pci, const MappedBar& bar, uint64_t offset) {
  return pci->getPCIInformation().memoryWindows[bar.index].physicalAddress + offset;
}

// A window of 2^64 bytes or more cannot lie in a BAR.
BoardKmr4::BoardKmr4(nVLAPAL000::tPCIDevice* pci, const Layout& layout, tStatus& status)
    : pci_(pci),
      bridge_(map(pci, layout.bridgeBar, status)),
      fpga_(map(pci, layout.fpgaBar, status)),
      bridgeAccessor_(windowSize(pci, bridge_, layout.bridgeOffset, 0), busAddress(pci, bridge_, layout.bridgeOffset),
                      bridge_.address + layout.bridgeOffset, 0),
      fpgaAccessor_(layout.fpgaWindowLog2 < 64
                        ? windowSize(pci, fpga_, layout.fpgaOffset, uint64_t{1} << layout.fpgaWindowLog2)
                        : 0,
                    busAddress(pci, fpga_, layout.fpgaOffset), fpga_.address + layout.fpgaOffset, 0),
      configuration_(&bridgeAccessor_),
      download_(&bridgeAccessor_, &configuration_),
      connector_(nullptr),
      provider_(nullptr),
      interruptManager_(nullptr),
      dmaChannels_(nullptr),
      fifoFactory_(nullptr) {
  configuration_.waitForPosc(status);
  configuration_.setControlBits(status);
  if (status.isNotFatal() && download_.isFpgaProgrammed(status)) configuration_.enableIoPort2(status);
  buildInterrupts(status);
  if (status.isFatal()) return;
  interruptManager_->registerDeviceIsr(status);
  interruptManager_->setDmaInterruptHandler(dmaChannels_->getDmaInterruptHandler(), status);
  interruptManager_->updateInterruptEnables(status);
}

void BoardKmr4::buildInterrupts(tStatus& status) {
  if (status.isFatal()) return;
  volatile uint8_t* bridge = reinterpret_cast<volatile uint8_t*>(bridgeAccessor_.getMappedBase());
  connector_ = new (status, nVLAPAL000::kAllocationKindPlain) PciDeviceToInterruptConnectorPrimary(pci_, status);
  if (status.isFatal()) return;
  provider_ = new (status, nVLAPAL000::kAllocationKindPlain) DeviceInterruptProviderPrimary(connector_);
  if (status.isFatal()) return;
  interruptManager_ =
      new (status, nVLAPAL000::kAllocationKindPlain) InterruptManagerWexel(provider_, pci_, true, bridge, status);
  if (status.isFatal()) return;
  dmaChannels_ =
      new (status, nVLAPAL000::kAllocationKindPlain) WexelDmaChannelFactoryInterrupt(bridge, interruptManager_, status);
  if (status.isFatal()) return;
  const BoardFifoWindow window{fpgaAccessor_.getMappedBase(), fpgaAccessor_.getSize()};
  fifoFactory_ = new (status, nVLAPAL000::kAllocationKindPlain)
      BoardFifoFactoryWexel(pci_->getDMAConfiguration(), bridge, window, dmaChannels_);
}

// The manager leaves the interrupt first, while both BARs are still mapped.
BoardKmr4::~BoardKmr4() {
  if (interruptManager_ != nullptr) {
    tStatus local;
    interruptManager_->setDmaInterruptHandler(nullptr, local);
    interruptManager_->updateInterruptEnables(local);
    interruptManager_->unregisterDeviceIsr();
  }
  delete fifoFactory_;
  delete dmaChannels_;
  delete interruptManager_;
  delete provider_;
  delete connector_;
  if (fpga_.address != 0) pci_->unmapBAR(reinterpret_cast<void*>(fpga_.address));
  if (bridge_.address != 0) pci_->unmapBAR(reinterpret_cast<void*>(bridge_.address));
}

}  // namespace vllym
