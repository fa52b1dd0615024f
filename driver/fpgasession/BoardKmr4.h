// The FPGA library's generic board object for a bridge-plus-FPGA board:
// the bridge and FPGA register windows from two BARs, the KMR4
// configuration port and download, the interrupt chain, the interrupt DMA
// channels and the board FIFOs, behind the board-support interface the
// kernel FPGA object and the device's FPGA state call. This board has its
// own board object; this one serves boards whose windows are given by a
// construction record, and leaves the peer-to-peer and flash managers to
// a subclass.
#ifndef VL9738K_FPGASESSION_BOARDKMR4_H
#define VL9738K_FPGASESSION_BOARDKMR4_H

#include <stdint.h>

#include "driver/fpga/BoardSupport.h"
#include "driver/fpga/ConfigurationKmr4.h"
#include "driver/fpga/DownloadKmr4.h"
#include "driver/fpga/fifo/BoardFifoFactoryWexel.h"
#include "driver/fpga/fifo/WexelDmaChannelFactoryInterrupt.h"
#include "driver/fpga/interrupt/DeviceInterruptProviderPrimary.h"
#include "driver/fpga/interrupt/InterruptManagerWexel.h"
#include "driver/fpga/interrupt/PciDeviceToInterruptConnectorPrimary.h"
#include "driver/platform/dma/tPageList.h"
#include "driver/platform/pci/tPCIDevice.h"
#include "driver/regaccess/IoAccessorMappedPci.h"

namespace vllym {

class BoardKmr4 : public BoardSupport {
 public:
  using tStatus = nVLAPALS100::tStatus;

  struct Layout {
    uint8_t bridgeBar;
    uint32_t bridgeOffset;  // of the bridge window in its BAR
    uint8_t fpgaBar;
    uint32_t fpgaOffset;  // of the FPGA window in its BAR
    uint32_t fpgaWindowLog2;
  };

  // Each step runs only while the status is clean; what was not built is
  // not torn down.
  BoardKmr4(nVLAPAL000::tPCIDevice* pci, const Layout& layout, tStatus& status);
  ~BoardKmr4() override;
  BoardKmr4(const BoardKmr4&) = delete;
  BoardKmr4& operator=(const BoardKmr4&) = delete;

  // Board-support interface, in slot order.
  IoAccessorMappedPci* getFpgaIoAccessor() override { return &fpgaAccessor_; }
  BoardFifoFactoryWexel* getBoardFifoFactory() override { return fifoFactory_; }
  bool isFpgaProgrammed(tStatus& status) override { return download_.isFpgaProgrammed(status); }
  void programFpga(const nVLAPAL000::tPageList& image, tStatus& status) override {
    download_.downloadFromPageList(image, status);
  }
  InterruptManagerWexel* getInterruptManager() override { return interruptManager_; }
  DownloadKmr4& getDownload() override { return download_; }

  IoAccessorMappedPci& getBridgeIoAccessor() { return bridgeAccessor_; }

 private:
  struct MappedBar {
    uint8_t index;
    uint64_t address;  // 0 when not mapped
  };
  static MappedBar map(nVLAPAL000::tPCIDevice* pci, uint8_t bar, tStatus& status);
  // Bytes of the window from `offset` on (`size` bytes, to the BAR's end
  // when 0), or 0 when the BAR is not mapped or too short for it.
  static uint64_t windowSize(nVLAPAL000::tPCIDevice* pci, const MappedBar& bar, uint64_t offset, uint64_t size);
  static uint64_t busAddress(nVLAPAL000::tPCIDevice* pci, const MappedBar& bar, uint64_t offset);
  void buildInterrupts(tStatus& status);

  nVLAPAL000::tPCIDevice* pci_;
  MappedBar bridge_;
  MappedBar fpga_;
  IoAccessorMappedPci bridgeAccessor_;
  IoAccessorMappedPci fpgaAccessor_;
  ConfigurationKmr4 configuration_;
  DownloadKmr4 download_;
  PciDeviceToInterruptConnectorPrimary* connector_;
  DeviceInterruptProviderPrimary* provider_;
  InterruptManagerWexel* interruptManager_;
  WexelDmaChannelFactoryInterrupt* dmaChannels_;
  BoardFifoFactoryWexel* fifoFactory_;
};

}  // namespace vllym

#endif
