#include "Fpga.h"

#include "driver/fpga/FpgaFault.h"
#include "driver/fpga/FpgaStatusCodes.h"
#include "driver/platform/memory/Memory.h"
#include "driver/platform/status/StatusCodes.h"
#include "driver/platform/status/StatusSite.h"
#include "driver/platform/time/tTimeout.h"
#include "driver/platform/zuk/ZukTime.h"

namespace vllym {
namespace kernel {

namespace {

using tLock = nVLAPAL000::tAutoLock<nVLAPAL000::tMutex>;
constexpr uint8_t kManagerKind = 0;

}  // namespace

Fpga::Fpga(tBoard* board, SignatureRegisterCommon* signature, int32_t* downloadRefusal, tStatus& status)
    : signature_(signature),
      mutex_(status),
      board_(board),
      accessor_(board->getFpgaIoAccessor()),
      fifos_(board->getBoardFifoFactory(), status),
      p2p_(board->getP2PEndpointManager()),
      downloadRefusal_(downloadRefusal) {}

Fpga::~Fpga() {
  if (hmb_ != nullptr) {
    hmb_->~HMBManager();
    nVLAPAL000::operatorDelete(hmb_);
  }
}

uint32_t Fpga::getAttribute32(uint32_t id, tStatus& status) {
  if (status.isFatal()) return 0xFFFFFFFF;
  if (id == kAttributeProgrammed) {
    bool programmed = board_->isFpgaProgrammed(status);
    return status.isFatal() ? 0xFFFFFFFF : (programmed ? 1 : 0);
  }
  if (id == kAttributeDownloadRefusal) return static_cast<uint32_t>(*downloadRefusal_);
  status.setCode(kStatusUnknownAttribute, VL_SITE);
  return 0xFFFFFFFF;
}

void Fpga::setAttribute32(uint32_t id, uint32_t value, tStatus& status) {
  if (status.isFatal()) return;
  if (id == kAttributeDownloadRefusal) {
    *downloadRefusal_ = static_cast<int32_t>(value);
    return;
  }
  status.setCode(kStatusUnknownAttribute, VL_SITE);
}

uint32_t Fpga::setCommonRegisterSet(const CommonRegisterSet& registers, tStatus& status) {
  if (status.isFatal()) return registers.hostMemoryBufferBlock;
  controlRegister_ = registers.controlRegister;
  resetRegister_ = registers.resetRegister;
  if (signature_ != nullptr) signature_->setOffset(registers.signatureRegister);
  hostMemoryBufferBlock_ = registers.hostMemoryBufferBlock;
  return registers.hostMemoryBufferBlock;
}

bool Fpga::pollReset(uint64_t budgetMs, tStatus& status) {
  nVLAPAL000::tTimeout<nVLAPAL000::tTimeWasterYield, nVLAPAL000::tTimebasePrecise> timeout(
      budgetMs, nVLAPAL000::kTimeUnitMilliseconds);
  timeout.start();
  uint32_t value = accessor_->read32(resetRegister_, status);
  while ((value & kResetBusy) != 0 && status.isNotFatal() && !timeout.hasExpired()) {
    nVLZUK250_sleepTimeout(kResetPollSleepUs);
    value = accessor_->read32(resetRegister_, status);
  }
  value = accessor_->read32(resetRegister_, status);
  return status.isFatal() || (value & kResetBusy) == 0;
}

void Fpga::download(const nVLAPAL000::tPageList& image, tStatus& status) {
  if (status.isFatal()) return;
  stopAll(status);
  abortPersonality(status);
  board_->programFpga(image, status);
  restartAll(status);
  if (status.isFatal()) {
    // Does nothing on the failed status; kept so that both ends agree.
    if (hmb_ != nullptr) hmb_->reapplyAfterDownload(status);
    return;
  }
  if (!pollReset(kDownloadResetBudgetMs, status)) {
    VL_FPGA_FAULT(status, kStatusResetTimeout, "ResetTimeout",
                  "timed out waiting for FPGA to come out of reset after download");
  }
  if (hmb_ != nullptr) hmb_->reapplyAfterDownload(status);
}

void Fpga::waitForResetDone(tStatus& status) {
  if (status.isFatal()) return;
  bool programmed = board_->isFpgaProgrammed(status);
  if (status.isFatal() || !programmed) return;
  abortPersonality(status);
  accessor_->write32(resetRegister_, 1, status);
  if (status.isFatal()) return;
  if (!pollReset(kResetBudgetMs, status)) status.setCode(kStatusResetTimeout, VL_SITE);
}

void Fpga::reset(tStatus& status) {
  if (status.isFatal()) return;
  stopAll(status);
  waitForResetDone(status);
  restartAll(status);
  if (hmb_ != nullptr) hmb_->enableRegions(status);
}

void Fpga::abort(tStatus& status) {
  if (status.isFatal()) return;
  fifos_.stopFifos(status);
  if (p2p_ != nullptr) {
    // A sink that cannot be disabled does not keep the design running.
    tStatus local;
    local.merge(status);
    p2p_->disableAllP2PFifos(local);
  }
  abortPersonality(status);
  fifos_.clearFifoErrors(status);
}

void Fpga::abortPersonality(tStatus& status) {
  if (status.isFatal()) return;
  bool programmed = board_->isFpgaProgrammed(status);
  if (status.isFatal() || !programmed) return;
  accessor_->write32(controlRegister_, kControlAbort, status);
  accessor_->write32(controlRegister_, 0, status);
}

void Fpga::stopAll(tStatus& status) {
  if (status.isFatal()) return;
  if (hmb_ != nullptr) hmb_->disableRegions(status);
  if (p2p_ != nullptr) p2p_->stopAllP2PFifos(status);
  fifos_.stopFifos(status);
}

void Fpga::restartAll(tStatus& status) {
  fifos_.clearFifoErrors(status);
  if (p2p_ != nullptr) p2p_->reenableAllP2PFifos(status);
}

void Fpga::createP2PEndpoints(const vlhtl::Vector<FifoInfo>& records, tStatus& status) {
  if (p2p_ == nullptr) return;
  p2p_->createP2PEndpoints(records, status);
  p2p_->reenableAllP2PFifos(status);
}

void Fpga::destroyAllP2PFifos() {
  if (p2p_ != nullptr) p2p_->destroyAllP2PFifos();
}

uint32_t Fpga::getP2PEndpointId(uint32_t fifo, tStatus& status) {
  return p2p_ == nullptr ? 0 : p2p_->getEndpointId(fifo, status);
}

void Fpga::linkSinkWithUserMode(nVLAPAL000::tEventDescriptor& descriptor, nVLAPAL000::tUserMemoryMap& map,
                                uint32_t fifo, tStatus& status) {
  if (p2p_ == nullptr) {
    status.setCode(kStatusNotProvidedOnBoard, VL_SITE);
    return;
  }
  p2p_->linkSinkWithUserMode(descriptor, map, fifo, status);
}

void Fpga::unlinkSinkWithUserMode(nVLAPAL000::tEventDescriptor& descriptor, nVLAPAL000::tUserMemoryMap& map,
                                  uint32_t fifo, tStatus&) {
  if (p2p_ != nullptr) p2p_->unlinkSinkWithUserMode(descriptor, map, fifo);
}

FlashDownloadManagerNoFlash* Fpga::flash(tStatus& status) {
  FlashDownloadManagerNoFlash* manager = board_->getFlashDownloadManager();
  if (manager == nullptr) status.setCode(kStatusNotProvidedOnBoard, VL_SITE);
  return manager;
}

bool Fpga::acceptsFlashDownload(tStatus& status) {
  FlashDownloadManagerNoFlash* manager = flash(status);
  return manager != nullptr && manager->acceptsDownloads(status);
}

void Fpga::downloadToFlash(const uint8_t* data, uint32_t size, tStatus& status) {
  if (FlashDownloadManagerNoFlash* manager = flash(status)) manager->downloadToFlash(data, size, status);
}

void Fpga::setFlashAutoloadMode(uint32_t mode, tStatus& status) {
  if (FlashDownloadManagerNoFlash* manager = flash(status)) manager->setFlashAutoloadMode(mode, status);
}

uint32_t Fpga::getFlashAutoloadMode(tStatus& status) {
  if (status.isFatal()) return 0xFFFFFFFF;
  FlashDownloadManagerNoFlash* manager = flash(status);
  return manager == nullptr ? 0xFFFFFFFF : manager->getFlashAutoloadMode(status);
}

void Fpga::clearFlash(tStatus& status) {
  if (FlashDownloadManagerNoFlash* manager = flash(status)) manager->clearFlash(status);
}

// A write of element size 0 is an invalid parameter; a read answers it
// as any other size that no access has.
bool Fpga::checkBlock(uint32_t offset, uint32_t byteCount, uint32_t elementSize, uint32_t stride, bool writing,
                      tStatus& status) {
  if (elementSize == 0 && writing) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
    return false;
  }
  if (elementSize != 1 && elementSize != 2 && elementSize != 4 && elementSize != 8) {
    status.setCode(nVLAPALS100::kStatusBadSelector, VL_SITE);
    return false;
  }
  if (byteCount % elementSize != 0) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
    return false;
  }
  if (byteCount == 0) return true;
  uint64_t last = uint64_t{offset} + uint64_t{byteCount / elementSize - 1} * stride + elementSize;
  if (last > accessor_->getSize()) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
    return false;
  }
  return true;
}

void Fpga::readBlock(uint32_t offset, uint8_t* buffer, uint32_t byteCount, uint32_t elementSize, uint32_t stride,
                     tStatus& status) {
  if (status.isFatal() || !checkBlock(offset, byteCount, elementSize, stride, false, status)) return;
  tLock hold(mutex_);
  accessor_->readBlock(offset, buffer, byteCount, elementSize, stride, status);
}

void Fpga::writeBlock(uint32_t offset, const uint8_t* buffer, uint32_t byteCount, uint32_t elementSize, uint32_t stride,
                      tStatus& status) {
  if (status.isFatal() || !checkBlock(offset, byteCount, elementSize, stride, true, status)) return;
  tLock hold(mutex_);
  const uint32_t chunkBytes = kElementsPerChunk * elementSize;
  uint32_t remaining = byteCount;
  while (remaining > 0 && status.isNotFatal()) {
    uint32_t chunk = remaining < chunkBytes ? remaining : chunkBytes;
    accessor_->writeBlock(offset, buffer, chunk, elementSize, stride, status);
    buffer += chunk;
    remaining -= chunk;
    // Each chunk starts where the previous one's stride left off (a FIFO,
    // stride 0, stays put); the check above keeps this inside the window.
    offset += (chunk / elementSize) * stride;
    // Reading a register flushes the posted writes before the next chunk.
    if (remaining > 0 && resetRegister_ != kUnset) accessor_->read32(resetRegister_, status);
  }
}

void Fpga::flushPostedWrites(tStatus& status) {
  if (status.isFatal() || resetRegister_ == kUnset) return;
  tLock hold(mutex_);
  accessor_->read32(resetRegister_, status);
}

uint32_t Fpga::read32(uint32_t offset, tStatus& status) { return accessor_->read32(offset, status); }

void Fpga::write32(uint32_t offset, uint32_t value, tStatus& status) { accessor_->write32(offset, value, status); }

uint32_t Fpga::getMemoryMappedIoWindowSize(tStatus& status) {
  if (status.isFatal() || accessor_->getFlag() == 0) return 0;
  uint64_t size = accessor_->getSize();
  if (size > 0xFFFFFFFFu) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
    return 0;
  }
  return static_cast<uint32_t>(size);
}

void Fpga::mapRegisterWindow(nVLAPAL000::tUserMemoryMap& map, tStatus& status) {
  if (status.isFatal()) return;
  if (map.getSize() != accessor_->getSize()) {
    status.setCode(nVLAPALS100::kStatusBadSelector, VL_SITE);
    return;
  }
  map.mapPhysicalAddress(accessor_->getBusAddress(), accessor_->getSize(), 0, status);
}

void Fpga::configureFifos(const vlhtl::Vector<FifoInfo>& records, tStatus& status) {
  fifos_.createFifos(records, status);
  if (status.isFatal() || hmb_ != nullptr || hostMemoryBufferBlock_ == kUnset) return;
  void* block = nVLAPAL000::operatorNewWithStatus(sizeof(HMBManager), status, kManagerKind);
  if (block == nullptr) return;
  HMBManager* manager = new (block) HMBManager(accessor_, hostMemoryBufferBlock_, status);
  if (status.isFatal()) {
    manager->~HMBManager();
    nVLAPAL000::operatorDelete(block);
    return;
  }
  hmb_ = manager;
}

void Fpga::destroyFifos(tStatus&) {
  fifos_.destroyFifos();
  if (hmb_ == nullptr) return;
  hmb_->~HMBManager();
  nVLAPAL000::operatorDelete(hmb_);
  hmb_ = nullptr;
}

void Fpga::unlockFifoBuffer(uint64_t ownerId, uint64_t session, uint32_t fifo, tStatus& status) {
  if (FpgaFifo* found = fifos_.findFifo(fifo, ownerId, session, status)) found->unlockBuffer();
}

void Fpga::startFifo(uint64_t ownerId, uint64_t session, uint32_t fifo, tStatus& status) {
  if (FpgaFifo* found = fifos_.findFifo(fifo, ownerId, session, status)) found->start(status);
}

void Fpga::stopFifo(uint64_t ownerId, uint64_t session, uint32_t fifo, tStatus& status) {
  if (FpgaFifo* found = fifos_.findFifo(fifo, ownerId, session, status)) found->stop(status);
}

void Fpga::deployFifoSettings(nVLAPAL000::tEventDescriptor&, uint64_t ownerId, uint64_t session, uint32_t fifo,
                              const FpgaFifoSettings& settings, tStatus& status) {
  if (FpgaFifo* found = fifos_.findFifo(fifo, ownerId, session, status)) found->deploySettings(settings, status);
}

uint64_t Fpga::acquireFifoBytes(uint64_t ownerId, uint64_t session, uint32_t fifo, uint64_t count, uint32_t timeoutMs,
                                uint8_t* timedOut, tStatus& status) {
  *timedOut = 0;
  FpgaFifo* found = fifos_.findFifo(fifo, ownerId, session, status);
  return found == nullptr ? 0 : found->acquireBytes(count, timeoutMs, timedOut, status);
}

void Fpga::releaseFifoBytes(uint64_t ownerId, uint64_t session, uint32_t fifo, uint64_t count, tStatus& status) {
  if (FpgaFifo* found = fifos_.findFifo(fifo, ownerId, session, status)) found->releaseBytes(count, status);
}

void Fpga::unreserveFifo(uint64_t ownerId, uint64_t session, uint32_t fifo, tStatus& status) {
  fifos_.unreserveFifo(ownerId, session, fifo, status);
}

void Fpga::unreserveSessionFifos(uint64_t ownerId, uint64_t session, tStatus& status) {
  fifos_.releaseSessionFifos(ownerId, session, status);
}

void Fpga::abortFifoWaits(int32_t code, tStatus& status) { fifos_.abortFifos(code, status); }

}  // namespace kernel
}  // namespace vllym
