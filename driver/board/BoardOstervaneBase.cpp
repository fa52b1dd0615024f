#include "BoardOstervaneBase.h"

#include "driver/platform/memory/Memory.h"

namespace nVL9738K_24_0 {

namespace {

// A window of BAR 0, empty when the BAR is not mapped or too short for
// it, so that every access through it fails instead of going astray.
uint64_t windowSize(const BoardOstervaneBase::tBar0& bar, uint64_t offset, uint64_t size) {
  if (bar.kernelAddress == 0 || bar.length < offset || bar.length - offset < size) return 0;
  return size;
}

}  // namespace

BoardOstervaneBase::BoardOstervaneBase(const tBar0& bar, nVLAPAL000::tPCIDevice* pci, tStatus& status)
    : bar_(bar),
      pci_(pci),
      boardAccessor_(windowSize(bar, 0, bar.length), bar.busAddress, bar.kernelAddress, 0),
      fpgaAccessor_(windowSize(bar, kFpgaOffset, kFpgaSize), bar.busAddress + kFpgaOffset,
                    bar.kernelAddress + kFpgaOffset, 0),
      fixedLogicAccessor_(windowSize(bar, kFixedLogicOffset, kFixedLogicSize), bar.busAddress + kFixedLogicOffset,
                          bar.kernelAddress + kFixedLogicOffset, 0),
      registerPortAccessor_(bar.kernelAddress + kRegisterPortOffset,
                            windowSize(bar, kRegisterPortOffset, kRegisterPortSize)),
      configuration_(&boardAccessor_),
      download_(&boardAccessor_, &configuration_),
      dataWindow_{bar.busAddress, bar.kernelAddress, 0, 0},
      flashWindow_{bar.busAddress, bar.kernelAddress, 0, 0},
      coreMap_(&boardAccessor_, 0, 0, 0xFFFFFFFF),
      clockBuffer_(nullptr),
      eepromController_(nullptr),
      connector_(nullptr),
      provider_(nullptr),
      interruptManager_(nullptr),
      dmaChannels_(nullptr),
      fifoFactory_(nullptr) {
  bringUp(status);
}

BoardOstervaneBase::~BoardOstervaneBase() {
  delete eepromController_;
  delete clockBuffer_;
  tearDownInterrupts();
}

void BoardOstervaneBase::buildInterrupts(tStatus& status) {
  connector_ = new (status, nVLAPAL000::kAllocationKindPlain) vllym::PciDeviceToInterruptConnectorPrimary(pci_, status);
  provider_ = new (status, nVLAPAL000::kAllocationKindPlain) vllym::DeviceInterruptProviderPrimary(connector_);
  interruptManager_ = new (status, nVLAPAL000::kAllocationKindPlain)
      vllym::InterruptManagerWexel(provider_, pci_, true, bridge(), status);
  dmaChannels_ = new (status, nVLAPAL000::kAllocationKindPlain)
      vllym::WexelDmaChannelFactoryInterrupt(bridge(), interruptManager_, status);
  if (status.isFatal()) return;
  // The FIFOs' control blocks lie in the FPGA window.
  const vllym::BoardFifoWindow fpgaWindow{fpgaAccessor_.getMappedBase(), fpgaAccessor_.getSize()};
  fifoFactory_ = new (status, nVLAPAL000::kAllocationKindPlain)
      vllym::BoardFifoFactoryWexel(pci_->getDMAConfiguration(), bridge(), fpgaWindow, dmaChannels_);
}

volatile uint8_t* BoardOstervaneBase::bridge() const {
  return reinterpret_cast<volatile uint8_t*>(boardAccessor_.getMappedBase());
}

void BoardOstervaneBase::registerInterrupts(tStatus& status) {
  if (status.isFatal() || interruptManager_ == nullptr) return;
  interruptManager_->registerDeviceIsr(status);
  interruptManager_->setDmaInterruptHandler(dmaChannels_ != nullptr ? dmaChannels_->getDmaInterruptHandler() : nullptr,
                                            status);
  interruptManager_->updateInterruptEnables(status);
}

void BoardOstervaneBase::tearDownInterrupts() {
  if (interruptManager_ != nullptr) {
    tStatus local;
    interruptManager_->setDmaInterruptHandler(nullptr, local);
    interruptManager_->updateInterruptEnables(local);
    interruptManager_->unregisterDeviceIsr();
  }
  delete fifoFactory_;
  fifoFactory_ = nullptr;
  delete dmaChannels_;
  dmaChannels_ = nullptr;
  delete interruptManager_;
  interruptManager_ = nullptr;
  delete provider_;
  provider_ = nullptr;
  delete connector_;
  connector_ = nullptr;
}

void BoardOstervaneBase::bringUp(tStatus& status) {
  if (status.isFatal()) return;
  buildInterrupts(status);
  configuration_.waitForPosc(status);
  configuration_.setControlBits(status);
  registerInterrupts(status);
  boardAccessor_.write32(kLoadingMode, 1, status);
  boardAccessor_.write32(kSetupFF00, kSetupFF00Value, status);
  boardAccessor_.write32(kSetup100, kSetup100Value, status);

  factory_.initialize(boardAccessor_, coreMap_, status);
  auto* baseMap = factory_.getBaseRegMap(status);
  auto* spiMap = factory_.getSPIRegMap(kClockBufferPort, status);
  factory_.getParallelRegMap(kFlashPort, status);
  if (status.isFatal()) return;

  readWindow(kDataWindowBase, dataWindow_, status);
  readWindow(kFlashWindowBase, flashWindow_, status);
  if (status.isFatal()) return;

  // The register may describe a window reaching past BAR 0; the shifts
  // must not write past the mapping.
  tBridgeWindowSpan reachable = dataWindow_;
  const uint64_t room = reachable.offset < bar_.length ? bar_.length - reachable.offset : 0;
  if (reachable.size > room) reachable.size = static_cast<uint32_t>(room);
  auto* clockBuffer =
      new (status, nVLAPAL000::kAllocationKindPlain) TICDCE18005Accessor(baseMap, spiMap, reachable, status);
  if (status.isFatal()) {
    delete clockBuffer;
    return;
  }
  delete clockBuffer_;
  clockBuffer_ = clockBuffer;
  OVCalEEPROMController* controller = buildEEPROMController(status);
  if (status.isFatal()) {
    delete controller;
    return;
  }
  delete eepromController_;
  eepromController_ = controller;
}

// The flash window's register names its place; a window that would reach
// past BAR 0 is given to the controller empty, so that its accesses fail
// instead of leaving the mapping.
OVCalEEPROMController* BoardOstervaneBase::buildEEPROMController(tStatus& status) {
  BoardWindow window{flashWindow_.busAddress, flashWindow_.kernelAddress, flashWindow_.offset, flashWindow_.size};
  if (bar_.kernelAddress == 0 || window.offset > bar_.length || window.size > bar_.length - window.offset) {
    window.size = 0;
  }
  return new (status, nVLAPAL000::kAllocationKindPlain)
      OVCalEEPROMController(window, coreMap_.ConfPortWindowControl[0], status);
}

void BoardOstervaneBase::readWindow(uint32_t baseRegister, tBridgeWindowSpan& window, tStatus& status) {
  const uint32_t value = boardAccessor_.read32(baseRegister, status);
  if (status.isFatal()) return;
  if ((value & kWindowEnable) == 0) {
    status.setCode(nVLAPALS100::kStatusValueOutOfRange, VL_SITE);
    return;
  }
  window.offset = value & ~uint32_t{0xFF};
  window.size = static_cast<uint32_t>(uint64_t{1} << (value & 31));
}

TICDCE18005Accessor* BoardOstervaneBase::getTICDCE18005Accessor(tStatus& status) {
  if (status.isFatal()) return clockBuffer_;
  if (clockBuffer_ == nullptr) status.setCode(nVLAPALS100::kStatusBadSelector, VL_SITE);
  return clockBuffer_;
}

OVCalEEPROMController* BoardOstervaneBase::getEEPROMController(tStatus& status) {
  if (eepromController_ == nullptr) {
    eepromController_ = buildEEPROMController(status);
    status.setCode(nVLAPALS100::kStatusBadSelector, VL_SITE);
  }
  return eepromController_;
}

}  // namespace nVL9738K_24_0
