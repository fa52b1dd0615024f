// Everything of the board object that does not depend on the device type:
// BAR 0 cut into the accessors every other part uses, the configuration
// port brought up (POSC, control bits, the bridge set-up writes), the
// bridge's core map, the configuration-port maps, the two bridge windows,
// the CDCE18005 clock-buffer accessor behind SPI port 3 and the
// calibration flash controller behind the flash window.
//
// It also builds the interrupt chain of the FPGA side (connector with its
// ISR lock, primary provider, bridge interrupt manager with the status
// page), the interrupt DMA channel factory and the board FIFO factory over
// the FPGA window, and registers the device ISR with the DMA handler. The
// board-support slots keep their order for the FPGA library; the managers
// this board lacks (peer-to-peer endpoints, flash download) are handed out
// by the final board object.
#ifndef VL9738K_BOARD_BOARDOSTERVANEBASE_H
#define VL9738K_BOARD_BOARDOSTERVANEBASE_H

#include <stdint.h>

#include "BridgeWindowSpan.h"
#include "ConfigurationDravoKelvane.h"
#include "TICDCE18005Accessor.h"
#include "WexelConfigPortRegMapFactory.h"
#include "driver/flash/OVCalEEPROMController.h"
#include "driver/fpga/BoardSupport.h"
#include "driver/fpga/DownloadKmr4.h"
#include "driver/fpga/fifo/BoardFifoFactoryWexel.h"
#include "driver/fpga/interrupt/InterruptManagerWexel.h"
#include "driver/platform/dma/tPageList.h"
#include "driver/regaccess/IoAccessorMappedPci.h"
#include "driver/regmaps/bridge/tOstervaneWexelCoreRegMap.h"
#include "driver/regport/PCIRegisterAccessor.h"

namespace vllym {
class P2PEndpointManagerNoP2P;
class FlashDownloadManagerNoFlash;
}  // namespace vllym

namespace nVL9738K_24_0 {

class BoardOstervaneBase : public vllym::BoardSupport {
 public:
  using tStatus = nVLAPALS100::tStatus;

  struct tBar0 {
    uint64_t kernelAddress;  // 0 when the mapping failed
    uint64_t busAddress;
    uint64_t length;
  };

  static constexpr uint32_t kFpgaOffset = 0x80000;
  static constexpr uint32_t kFpgaSize = 0x20000;
  static constexpr uint32_t kFixedLogicOffset = 0xA0000;
  static constexpr uint32_t kFixedLogicSize = 0x20000;
  static constexpr uint32_t kRegisterPortOffset = 0xB8000;
  static constexpr uint32_t kRegisterPortSize = 0x8000;
  // Bridge set-up writes of bring-up, in this order.
  static constexpr uint32_t kLoadingMode = 0x444;
  static constexpr uint32_t kSetupFF00 = 0xFF00;
  static constexpr uint32_t kSetupFF00Value = 0xC0000297;
  static constexpr uint32_t kSetup100 = 0x100;
  static constexpr uint32_t kSetup100Value = 0x80092;
  // Window base registers: the configuration-port data window and the flash window.
  static constexpr uint32_t kDataWindowBase = 0xCC;
  static constexpr uint32_t kFlashWindowBase = 0xC0;
  static constexpr uint32_t kWindowEnable = 0x80;
  static constexpr uint32_t kClockBufferPort = 3;
  static constexpr uint32_t kFlashPort = 0;

  BoardOstervaneBase(const BoardOstervaneBase&) = delete;
  BoardOstervaneBase& operator=(const BoardOstervaneBase&) = delete;
  ~BoardOstervaneBase() override;

  // Board-support interface, in slot order.
  vllym::IoAccessorMappedPci* getFpgaIoAccessor() override { return &fpgaAccessor_; }
  vllym::BoardFifoFactoryWexel* getBoardFifoFactory() override { return fifoFactory_; }
  bool isFpgaProgrammed(tStatus& status) override { return download_.isFpgaProgrammed(status); }
  vllym::InterruptManagerWexel* getInterruptManager() override { return interruptManager_; }
  vllym::DownloadKmr4& getDownload() override { return download_; }

  // This board's own windows: the bridge's registers, the fixed logic and
  // the FPGA's register port.
  vllym::IoAccessorMappedPci* getBoardIoAccessor() { return &boardAccessor_; }
  vllym::IoAccessorMappedPci* getFixedLogicIoAccessor() { return &fixedLogicAccessor_; }
  vlregport::PCIRegisterAccessor* getRegPortAccessor() { return &registerPortAccessor_; }

  // The accessor built at construction; -52003 and none when that failed.
  TICDCE18005Accessor* getTICDCE18005Accessor(tStatus& status);
  // The controller built at construction. Without one, a controller over
  // the flash window is built and kept, and -52003 is recorded all the
  // same: whatever the construction could not do is still missing.
  OVCalEEPROMController* getEEPROMController(tStatus& status);

  ConfigurationDravoKelvane& getConfiguration() { return configuration_; }
  vllym::WexelDmaChannelFactoryInterrupt* getDmaChannelFactory() { return dmaChannels_; }
  nKMR4::tOstervaneWexelCoreRegMap& getCoreRegMap() { return coreMap_; }
  WexelConfigPortRegMapFactory& getRegMapFactory() { return factory_; }
  const tBridgeWindowSpan& getConfigPortDataWindow() const { return dataWindow_; }
  const tBridgeWindowSpan& getFlashWindow() const { return flashWindow_; }
  uint64_t getBar0Address() const { return bar_.kernelAddress; }

 protected:
  // Every step runs only while the status is clean; the members exist in
  // any case (over an empty window when BAR 0 could not be mapped). The
  // PCI device reserves the interrupt and carries the DMA configuration.
  BoardOstervaneBase(const tBar0& bar, nVLAPAL000::tPCIDevice* pci, tStatus& status);

  // Takes the interrupt chain down while BAR 0 is still mapped: the DMA
  // handler leaves, the enables follow, the ISR is unregistered, then the
  // FIFO factory, the DMA channel factory, the manager, the provider and
  // the connector go, in that order. Runs once.
  void tearDownInterrupts();

  // Downloads the image; the caller prepares and completes the device.
  void downloadImage(const nVLAPAL000::tPageList& image, tStatus& status) {
    download_.downloadFromPageList(image, status);
  }

 private:
  void bringUp(tStatus& status);
  void buildInterrupts(tStatus& status);
  void registerInterrupts(tStatus& status);
  volatile uint8_t* bridge() const;
  void readWindow(uint32_t baseRegister, tBridgeWindowSpan& window, tStatus& status);
  OVCalEEPROMController* buildEEPROMController(tStatus& status);

  tBar0 bar_;
  nVLAPAL000::tPCIDevice* pci_;
  vllym::IoAccessorMappedPci boardAccessor_;
  vllym::IoAccessorMappedPci fpgaAccessor_;
  vllym::IoAccessorMappedPci fixedLogicAccessor_;
  vlregport::PCIRegisterAccessor registerPortAccessor_;
  ConfigurationDravoKelvane configuration_;
  vllym::DownloadKmr4 download_;
  tBridgeWindowSpan dataWindow_;
  tBridgeWindowSpan flashWindow_;
  nKMR4::tOstervaneWexelCoreRegMap coreMap_;
  WexelConfigPortRegMapFactory factory_;
  TICDCE18005Accessor* clockBuffer_;
  OVCalEEPROMController* eepromController_;
  vllym::PciDeviceToInterruptConnectorPrimary* connector_;
  vllym::DeviceInterruptProviderPrimary* provider_;
  vllym::InterruptManagerWexel* interruptManager_;
  vllym::WexelDmaChannelFactoryInterrupt* dmaChannels_;
  vllym::BoardFifoFactoryWexel* fifoFactory_;
};

}  // namespace nVL9738K_24_0

#endif
