// What the FPGA side needs of the board it sits on: the accessors of the
// bridge's windows, the interrupt and FIFO machinery, the download path and
// the managers a board may or may not have. The board object implements
// it; the FPGA sessions and the device's FPGA state see only this.
#ifndef VL9738K_FPGA_BOARDSUPPORT_H
#define VL9738K_FPGA_BOARDSUPPORT_H

#include "DownloadKmr4.h"
#include "FlashDownloadManagerNoFlash.h"
#include "P2PEndpointManagerNoP2P.h"
#include "driver/fpga/fifo/BoardFifoFactoryWexel.h"
#include "driver/fpga/interrupt/InterruptManagerWexel.h"
#include "driver/platform/dma/tPageList.h"
#include "driver/platform/status/tStatus.h"
#include "driver/regaccess/IoAccessorMappedPci.h"
#include "driver/regport/PCIRegisterAccessor.h"

namespace vllym {

class BoardSupport {
 public:
  using tStatus = nVLAPALS100::tStatus;

  virtual ~BoardSupport() = default;

  // In slot order.
  virtual IoAccessorMappedPci* getFpgaIoAccessor() = 0;
  virtual BoardFifoFactoryWexel* getBoardFifoFactory() = 0;
  virtual P2PEndpointManagerNoP2P* getP2PEndpointManager() = 0;
  virtual bool isFpgaProgrammed(tStatus& status) = 0;
  virtual void programFpga(const nVLAPAL000::tPageList& image, tStatus& status) = 0;
  virtual InterruptManagerWexel* getInterruptManager() = 0;
  virtual FlashDownloadManagerNoFlash* getFlashDownloadManager() = 0;
  virtual IoAccessorMappedPci* getBoardIoAccessor() = 0;
  virtual IoAccessorMappedPci* getFixedLogicIoAccessor() = 0;
  virtual vlregport::PCIRegisterAccessor* getRegPortAccessor() = 0;

  virtual DownloadKmr4& getDownload() = 0;
};

}  // namespace vllym

#endif
