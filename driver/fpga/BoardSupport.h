// What the FPGA side needs of the board it sits on: the FPGA window, the
// FIFO and interrupt machinery, the download path and the managers a board
// may or may not have. Board objects implement it; the FPGA object and the
// device's FPGA state see only this. What one board offers beyond it (its
// other windows and ports) belongs to that board's own interface.
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
  // The download the open policy asks whether the FPGA is programmed.
  virtual DownloadKmr4& getDownload() = 0;
};

}  // namespace vllym

#endif
