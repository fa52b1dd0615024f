#include "Session.h"

#include "FpgaLockHold.h"
#include "driver/fpga/FpgaFault.h"
#include "driver/platform/status/StatusCodes.h"
#include "driver/platform/sync/Atomic.h"

namespace vllym {
namespace kernel {

namespace {

using tMutexHold = nVLAPAL000::tAutoLock<nVLAPAL000::tMutex>;

}  // namespace

Session::Session(AtomicLymDeviceState& state, const uint32_t* stateEpoch)
    : fpga_(&state.getFpga()),
      devicePersonalityCount_(&state.getPersonalityCount()),
      lock_(&state.getLock()),
      mutex_(&state.getMutex()),
      downloadRefusal_(&state.getDownloadRefusalCode()),
      progress_(&state.getProgressChecker()),
      downloadPolicy_(&state.getDownloadPolicy()),
      openPolicy_(&state.getOpenPolicy()),
      irq_(&state.getIrqHandler()),
      personalityCount_(0),
      signature_(&state.getSignatureRegister()),
      expected_(),
      invalidStatus_(0),
      memoryMaps_(),
      applied_(&state.getAppliedRegisters()),
      requestLock_(&state.getRequestLock()),
      stateEpoch_(stateEpoch),
      stateEpochAtOpen_(stateEpoch == nullptr ? 0 : nVLAPAL000::atomicLoad(*stateEpoch)) {}

Session::~Session() {}

bool Session::isOnCurrentState() const {
  return stateEpoch_ == nullptr || nVLAPAL000::atomicLoad(*stateEpoch_) == stateEpochAtOpen_;
}

// A stale session reports its own code even while the device is stopped:
// the gate's refusal gives way to it. The request's check of the session's
// validity ran before its admission, and a whole device reset may have run
// between the two (the gate closed, the drain found nothing, the state
// deleted and a new one made): the epoch, read here once admitted, tells.
// A reset that begins later drains this request before the state goes.
bool Session::guard(tStatus& status) {
  if (invalidStatus_ == 0 && !isOnCurrentState()) invalidStatus_ = static_cast<int32_t>(kStatusStaleSession);
  if (invalidStatus_ != 0) {
    if (status.getCode() == nVLAPALS100::kStatusGateClosed) status.clear();
    status.setCode(invalidStatus_, VL_SITE);
  }
  return status.isNotFatal();
}

uint32_t Session::getAttribute32(uint32_t attribute, tStatus& status) {
  if (!guard(status)) return kFailure32;
  return fpga_->getAttribute32(attribute, status);
}

void Session::setAttribute32(uint32_t attribute, uint32_t value, tStatus& status) {
  if (guard(status)) fpga_->setAttribute32(attribute, value, status);
}

bool Session::isSessionValid(tStatus& status) { return guard(status); }

// Takes no FPGA lock: a writer waiting for it (configure, release,
// download) waits for the very readers this is to wake, and would hold it
// up. The FIFO manager's mutex and the ISR lock keep the FIFOs and the IRQ
// nodes alive meanwhile.
void Session::abortWaits(int32_t code, tStatus& status) {
  if (!guard(status)) return;
  fpga_->abortFifoWaits(code, status);
  irq_->abortWaits(code);
}

// Every waiter is woken first, so that the exclusive lock is not held up
// by a wait that might never end.
void Session::reset(tStatus& status) {
  if (!guard(status)) return;
  tMutexHold mutex(*mutex_);
  abortWaits(kStatusWaitAborted, status);
  ExclusiveHold hold(*lock_);
  irq_->disable(status);
  fpga_->reset(status);
  irq_->enable(status);
  if (status.isNotFatal()) irq_->clearAbort();
}

void Session::abort(tStatus& status) {
  if (!guard(status)) return;
  tMutexHold mutex(*mutex_);
  abortWaits(kStatusWaitAborted, status);
  ExclusiveHold hold(*lock_);
  fpga_->abort(status);
  if (status.isNotFatal()) irq_->clearAbort();
}

void Session::clientFunctionCall(nVLAPAL000::tEventDescriptor& descriptor, uint32_t client, uint32_t function,
                                 uint64_t argument0, uint64_t argument1, uint64_t argument2, uint64_t argument3,
                                 tStatus& status) {
  if (!guard(status)) return;
  if (client != 0) {
    status.setCode(kStatusNotProvided, VL_SITE);
    return;
  }
  SharedHold hold(*lock_);
  HMBManager* manager = fpga_->getHMBManager(status);
  if (manager == nullptr) {
    status.setCode(kStatusNotProvided, VL_SITE);
    return;
  }
  manager->clientFunctionCall(descriptor, static_cast<int32_t>(function), argument0, argument1, argument2, argument3,
                              status);
}

void Session::readBlock(uint32_t offset, uint8_t* buffer, uint32_t byteCount, uint32_t elementSize, uint32_t increment,
                        tStatus& status) {
  if (!guard(status)) return;
  SharedHold hold(*lock_);
  fpga_->readBlock(offset, buffer, byteCount, elementSize, increment, status);
}

void Session::checkBlock(uint32_t offset, uint32_t byteCount, uint32_t elementSize, uint32_t increment, bool writing,
                         tStatus& status) {
  if (!guard(status)) return;
  SharedHold hold(*lock_);
  fpga_->checkBlock(offset, byteCount, elementSize, increment, writing, status);
}

void Session::writeBlock(uint32_t offset, const uint8_t* buffer, uint32_t byteCount, uint32_t elementSize,
                         uint32_t increment, tStatus& status, bool moreFollows) {
  if (!guard(status)) return;
  SharedHold hold(*lock_);
  fpga_->writeBlock(offset, buffer, byteCount, elementSize, increment, status);
  if (moreFollows) fpga_->flushPostedWrites(status);
}

uint32_t Session::read32(uint32_t offset, tStatus& status) {
  if (!guard(status)) return kFailure32;
  SharedHold hold(*lock_);
  return fpga_->read32(offset, status);
}

void Session::write32(uint32_t offset, uint32_t value, tStatus& status) {
  if (!guard(status)) return;
  SharedHold hold(*lock_);
  fpga_->write32(offset, value, status);
}

uint32_t Session::getMemoryMappedIoWindowSize(tStatus& status) {
  if (!guard(status)) return kFailure32;
  return fpga_->getMemoryMappedIoWindowSize(status);
}

void Session::irqNodeReserve(tStatus& status) {
  if (!guard(status)) return;
  SharedHold hold(*lock_);
  irq_->reserveIrqNode(status);
}

void Session::irqNodeUnreserve(tStatus& status) {
  if (!guard(status)) return;
  SharedHold hold(*lock_);
  irq_->unreserveIrqNode(status);
}

uint32_t Session::waitOnIrqs(uint32_t irqMask, uint32_t timeoutMs, uint8_t* timedOut, tStatus& status) {
  if (!guard(status)) return kFailure32;
  SharedHold hold(*lock_);
  return irq_->waitOnIrqs(irqMask, timeoutMs, timedOut, status);
}

void Session::unlockFifoBuffer(uint64_t ownerId, uint32_t fifo, tStatus& status) {
  if (!guard(status)) return;
  SharedHold hold(*lock_);
  fpga_->unlockFifoBuffer(ownerId, identity(), fifo, status);
}

void Session::startFifo(uint64_t ownerId, uint32_t fifo, tStatus& status) {
  if (!guard(status)) return;
  SharedHold hold(*lock_);
  fpga_->startFifo(ownerId, identity(), fifo, status);
}

void Session::stopFifo(uint64_t ownerId, uint32_t fifo, tStatus& status) {
  if (!guard(status)) return;
  SharedHold hold(*lock_);
  fpga_->stopFifo(ownerId, identity(), fifo, status);
}

void Session::deployFifoSettings(nVLAPAL000::tEventDescriptor& descriptor, uint64_t ownerId, uint32_t fifo,
                                 const FpgaFifoSettings& settings, tStatus& status) {
  if (!guard(status)) return;
  SharedHold hold(*lock_);
  fpga_->deployFifoSettings(descriptor, ownerId, identity(), fifo, settings, status);
}

uint64_t Session::acquireFifoBytes(uint64_t ownerId, uint32_t fifo, uint64_t bytes, uint32_t timeoutMs,
                                   uint8_t* timedOut, tStatus& status) {
  if (!guard(status)) return kFailure64;
  SharedHold hold(*lock_);
  return fpga_->acquireFifoBytes(ownerId, identity(), fifo, bytes, timeoutMs, timedOut, status);
}

void Session::releaseFifoBytes(uint64_t ownerId, uint32_t fifo, uint64_t bytes, tStatus& status) {
  if (!guard(status)) return;
  SharedHold hold(*lock_);
  fpga_->releaseFifoBytes(ownerId, identity(), fifo, bytes, status);
}

// No FPGA lock: the release wakes an acquire on the FIFO, which a writer
// waiting for the lock would otherwise keep it from reaching.
void Session::unreserveFifo(uint64_t ownerId, uint32_t fifo, tStatus& status) {
  if (!guard(status)) return;
  fpga_->unreserveFifo(ownerId, identity(), fifo, status);
}

// The flash write itself runs without the lock, so register, FIFO and IRQ
// requests go on meanwhile; the in-progress mark keeps a second flash
// operation out. A held personality refuses it as a download is refused.
template <typename tWork>
void Session::runFlashOperation(tStatus& status, tWork work) {
  if (!guard(status)) return;
  {
    ExclusiveHold hold(*lock_);
    if (*devicePersonalityCount_ != 0) FpgaDownloadPolicySingleFpgaSession::refuse(*downloadRefusal_, status);
    if (progress_->isDownloadToFlashInProgress()) status.setCode(kStatusFlashInProgress, VL_SITE);
    if (status.isFatal()) return;
    progress_->setInProgress(true);
  }
  work();
  ExclusiveHold hold(*lock_);
  progress_->setInProgress(false);
}

bool Session::acceptsFlashDownload(tStatus& status) {
  if (!guard(status)) return false;
  SharedHold hold(*lock_);
  if (*devicePersonalityCount_ != 0) status.setCode(*downloadRefusal_, VL_SITE);
  if (progress_->isDownloadToFlashInProgress()) status.setCode(kStatusFlashInProgress, VL_SITE);
  return status.isNotFatal() && fpga_->acceptsFlashDownload(status);
}

void Session::downloadToFlash(const uint8_t* image, uint32_t size, tStatus& status) {
  runFlashOperation(status, [&] { fpga_->downloadToFlash(image, size, status); });
}

void Session::clearFlash(tStatus& status) {
  runFlashOperation(status, [&] { fpga_->clearFlash(status); });
}

void Session::setFlashAutoloadMode(uint32_t mode, tStatus& status) {
  if (!guard(status)) return;
  ExclusiveHold hold(*lock_);
  if (progress_->isDownloadToFlashInProgress()) {
    status.setCode(kStatusFlashInProgress, VL_SITE);
    return;
  }
  fpga_->setFlashAutoloadMode(mode, status);
}

uint32_t Session::getFlashAutoloadMode(tStatus& status) {
  if (!guard(status)) return kFailure32;
  SharedHold hold(*lock_);
  return fpga_->getFlashAutoloadMode(status);
}

uint32_t Session::getP2PEndpointId(uint32_t endpoint, tStatus& status) {
  if (!guard(status)) return kFailure32;
  return fpga_->getP2PEndpointId(endpoint, status);
}

}  // namespace kernel
}  // namespace vllym
