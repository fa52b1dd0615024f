// The device-wide FPGA object through which every FPGA-session request
// reaches the FPGA: attributes, bitstream download with the wait for the
// design to leave reset, reset and abort of the design, register and block
// access to the FPGA window, the FIFOs (through the FIFO manager it owns)
// and the host memory buffers. One exists per device; the board object,
// its FPGA window accessor, the signature register and the download
// refusal cell are used, not owned.
//
// Block transfers are checked whole before the first bus access, so a
// refused transfer moves nothing; a chunked write walks its stride from
// chunk to chunk.
#ifndef VL9738K_FPGASESSION_FPGA_H
#define VL9738K_FPGASESSION_FPGA_H

#include <stdint.h>

#include "driver/fpga/BoardSupport.h"
#include "driver/fpga/FlashDownloadManagerNoFlash.h"
#include "driver/fpga/P2PEndpointManagerNoP2P.h"
#include "driver/fpga/fifo/FpgaFifoManager.h"
#include "driver/fpga/hmb/HMBManager.h"
#include "driver/fpga/session/SignatureRegisterCommon.h"
#include "driver/fpga/wire/CommonRegisterSet.h"
#include "driver/platform/device/tUserMemoryMap.h"
#include "driver/platform/dma/tPageList.h"
#include "driver/platform/status/tStatus.h"
#include "driver/platform/sync/tMutex.h"

namespace vllym {

inline constexpr int64_t kStatusResetTimeout = -61207;

namespace kernel {

class Fpga {
 public:
  using tStatus = nVLAPALS100::tStatus;
  using tBoard = vllym::BoardSupport;

  static constexpr uint32_t kUnset = 0xFFFFFFFF;
  static constexpr uint32_t kAttributeProgrammed = 48;
  static constexpr uint32_t kAttributeDownloadRefusal = 84;
  static constexpr uint32_t kControlAbort = 4;
  static constexpr uint32_t kResetBusy = 1;
  static constexpr uint64_t kResetPollSleepUs = 2000;
  static constexpr uint64_t kDownloadResetBudgetMs = 2500;
  static constexpr uint64_t kResetBudgetMs = 24;
  static constexpr uint32_t kElementsPerChunk = 10;

  Fpga(tBoard* board, SignatureRegisterCommon* signature, int32_t* downloadRefusal, tStatus& status);
  virtual ~Fpga();
  Fpga(const Fpga&) = delete;
  Fpga& operator=(const Fpga&) = delete;

  virtual uint32_t getAttribute32(uint32_t id, tStatus& status);
  virtual void setAttribute32(uint32_t id, uint32_t value, tStatus& status);
  virtual void download(const nVLAPAL000::tPageList& image, tStatus& status);
  virtual void reset(tStatus& status);
  virtual void abort(tStatus& status);
  // The personality's register offsets (0xFFFFFFFF: none); returns the
  // host-memory-buffer block's. The IRQ base goes to the IRQ handler.
  virtual uint32_t setCommonRegisterSet(const CommonRegisterSet& registers, tStatus& status);
  virtual void readBlock(uint32_t offset, uint8_t* buffer, uint32_t byteCount, uint32_t elementSize, uint32_t stride,
                         tStatus& status);
  virtual void writeBlock(uint32_t offset, const uint8_t* buffer, uint32_t byteCount, uint32_t elementSize,
                          uint32_t stride, tStatus& status);
  // The whole transfer within sizes the accessor takes and the window.
  bool checkBlock(uint32_t offset, uint32_t byteCount, uint32_t elementSize, uint32_t stride, bool writing,
                  tStatus& status);
  // Reads the reset register, when the personality named one, so that the
  // posted writes of a write reach the FPGA before the next part of it.
  void flushPostedWrites(tStatus& status);
  virtual uint32_t read32(uint32_t offset, tStatus& status);
  virtual void write32(uint32_t offset, uint32_t value, tStatus& status);
  virtual uint32_t getMemoryMappedIoWindowSize(tStatus& status);
  virtual void mapRegisterWindow(nVLAPAL000::tUserMemoryMap& map, tStatus& status);
  // The host memory buffer manager comes with the FIFOs when the
  // personality names a block, and goes with them.
  virtual void configureFifos(const vlhtl::Vector<FifoInfo>& records, tStatus& status);
  virtual void destroyFifos(tStatus& status);
  // A FIFO belongs to the first {owner id, session} that uses it.
  virtual void unlockFifoBuffer(uint64_t ownerId, uint64_t session, uint32_t fifo, tStatus& status);
  virtual void startFifo(uint64_t ownerId, uint64_t session, uint32_t fifo, tStatus& status);
  virtual void stopFifo(uint64_t ownerId, uint64_t session, uint32_t fifo, tStatus& status);
  virtual void deployFifoSettings(nVLAPAL000::tEventDescriptor& descriptor, uint64_t ownerId, uint64_t session,
                                  uint32_t fifo, const FpgaFifoSettings& settings, tStatus& status);
  virtual uint64_t acquireFifoBytes(uint64_t ownerId, uint64_t session, uint32_t fifo, uint64_t count,
                                    uint32_t timeoutMs, uint8_t* timedOut, tStatus& status);
  virtual void releaseFifoBytes(uint64_t ownerId, uint64_t session, uint32_t fifo, uint64_t count, tStatus& status);
  virtual void unreserveFifo(uint64_t ownerId, uint64_t session, uint32_t fifo, tStatus& status);
  virtual void unreserveSessionFifos(uint64_t ownerId, uint64_t session, tStatus& status);
  virtual void abortFifoWaits(int32_t code, tStatus& status);
  // Peer-to-peer endpoints of the personality's FIFOs; this board's
  // manager has none to create, so only the re-enable remains.
  virtual void createP2PEndpoints(const vlhtl::Vector<FifoInfo>& records, tStatus& status);
  virtual void destroyAllP2PFifos();
  virtual uint32_t getP2PEndpointId(uint32_t fifo, tStatus& status);
  virtual void linkSinkWithUserMode(nVLAPAL000::tEventDescriptor& descriptor, nVLAPAL000::tUserMemoryMap& map,
                                    uint32_t fifo, tStatus& status);
  virtual void unlinkSinkWithUserMode(nVLAPAL000::tEventDescriptor& descriptor, nVLAPAL000::tUserMemoryMap& map,
                                      uint32_t fifo, tStatus& status);
  // The board's flash download manager; a board that hands out none has
  // no flash to program (-63193).
  virtual void downloadToFlash(const uint8_t* data, uint32_t size, tStatus& status);
  bool acceptsFlashDownload(tStatus& status);
  virtual void setFlashAutoloadMode(uint32_t mode, tStatus& status);
  virtual uint32_t getFlashAutoloadMode(tStatus& status);
  virtual void clearFlash(tStatus& status);
  virtual HMBManager* getHMBManager(tStatus&) { return hmb_; }
  virtual void stopAll(tStatus& status);
  virtual void restartAll(tStatus& status);
  virtual void waitForResetDone(tStatus& status);
  virtual void abortPersonality(tStatus& status);

  FpgaFifoManager& getFifoManager() { return fifos_; }

 private:
  // Reads the reset register until bit 0 clears or the budget is spent,
  // sleeping between reads; true when the FPGA left reset.
  bool pollReset(uint64_t budgetMs, tStatus& status);
  FlashDownloadManagerNoFlash* flash(tStatus& status);

  uint32_t controlRegister_ = kUnset;
  uint32_t resetRegister_ = kUnset;
  uint32_t hostMemoryBufferBlock_ = kUnset;
  SignatureRegisterCommon* signature_;
  nVLAPAL000::tMutex mutex_;
  tBoard* board_;
  vllym::kernel::IIoAccessor* accessor_;
  FpgaFifoManager fifos_;
  P2PEndpointManagerNoP2P* p2p_;
  int32_t* downloadRefusal_;
  HMBManager* hmb_ = nullptr;
};

}  // namespace kernel
}  // namespace vllym

#endif
