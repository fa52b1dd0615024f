// The session's personality work: downloads with the signature check,
// configuration through the open policy, release and close.
#include "FpgaLockHold.h"
#include "Session.h"
#include "driver/fpga/FpgaFault.h"

namespace vllym {
namespace kernel {

namespace {

bool sameWords(const Signature& a, const uint32_t* words, uint64_t count) {
  if (a.size() != count) return false;
  for (uint64_t i = 0; i < count; ++i) {
    if (a[i] != words[i]) return false;
  }
  return true;
}

}  // namespace

// A design passes when nothing particular is expected of it, when it
// reports the expected words, or when it reports the wildcard signature
// that stands for every personality.
void Session::verifySignature(tStatus& status) {
  if (expected_.empty()) return;
  const Signature running = signature_->readSignature(status);
  if (sameWords(running, expected_.begin(), expected_.size())) return;
  if (sameWords(running, OpenFpgaSessionPolicyCommon::kWildcardSignature, 4)) return;
  VL_FPGA_FAULT(status, kStatusSignatureMismatch, "DownloadError",
                "Downloaded Bitfile Signature and Signature on FPGA do not match after download.");
}

void Session::downloadToFpga(const nVLAPAL000::tPageList& bitfile, tStatus& status) {
  if (!guard(status)) return;
  {
    nVLAPAL000::tAutoLock<nVLAPAL000::tMutex> mutex(*mutex_);
    if (!memoryMaps_.empty()) status.setCode(kStatusMemoryMapsHeld, VL_SITE);
  }
  if (status.isFatal()) return;
  acquireExclusiveForRequest();
  if (!downloadPolicy_->isDownloadAllowed(kDownloadRequested, status)) {
    lock_->release();
    return;
  }
  irq_->disable(status);
  fpga_->download(bitfile, status);
  if (status.isNotFatal()) verifySignature(status);
  irq_->enable(status);
  lock_->release();
}

// The FPGA object and the IRQ handler go back to the registers of the
// personality in use before a refused configuration.
void Session::restoreRegisters(const CommonRegisterSet& registers) {
  tStatus local;
  fpga_->setCommonRegisterSet(registers, local);
  irq_->setBaseOffset(registers.irqBase);
  *applied_ = registers;
}

void Session::configurePersonality(const nVLAPAL000::tPageList& bitfile, const CommonRegisterSet& registers, uint32_t,
                                   uint32_t attributes, const vlhtl::Vector<FifoInfo>& fifos,
                                   const Signature& signature, int32_t refusalCode, uint8_t* downloaded,
                                   tStatus& status) {
  *downloaded = 0;
  if (!guard(status)) return;
  acquireExclusiveForRequest();
  // The policy reads the running design's signature at the new offset.
  const CommonRegisterSet previous = *applied_;
  fpga_->setCommonRegisterSet(registers, status);
  irq_->setBaseOffset(registers.irqBase);
  *applied_ = registers;
  bool needDownload = false;
  if (!openPolicy_->openSession(attributes, signature, needDownload, status)) {
    restoreRegisters(previous);
    lock_->release();
    return;
  }
  const bool reuse = (attributes & OpenFpgaSessionPolicyCommon::kReuseRunningDesign) != 0;
  if (needDownload) {
    expected_ = signature;
    fpga_->destroyFifos(status);
    fpga_->destroyAllP2PFifos();
    irq_->disable(status);
    if (status.isFatal()) {
      lock_->release();
      return;
    }
    irq_->freeIrqNodes();
    fpga_->download(bitfile, status);
    if (status.isNotFatal()) verifySignature(status);
  }
  if (!reuse) {
    if (!sameWords(expected_, signature.begin(), signature.size())) expected_ = signature;
    irq_->enable(status);
    fpga_->configureFifos(fifos, status);
    fpga_->createP2PEndpoints(fifos, status);
  }
  if (status.isNotFatal()) {
    *downloadRefusal_ = refusalCode;
    ++*devicePersonalityCount_;
    ++personalityCount_;
    *downloaded = needDownload ? 1 : 0;
  }
  lock_->release();
}

void Session::releasePersonality(uint64_t ownerId, bool resetWhenLast) {
  tStatus local;
  if (!guard(local)) return;
  release(ownerId, resetWhenLast);
}

// Both counts are unsigned: a session that holds no personality leaves
// them alone, and only its FIFOs are given back (without the FPGA lock,
// as an unreserve).
void Session::release(uint64_t ownerId, bool resetWhenLast) {
  tStatus fifos;
  fpga_->unreserveSessionFifos(ownerId, identity(), fifos);
  lock_->acquireExclusive();
  if (personalityCount_ != 0) {
    --*devicePersonalityCount_;
    --personalityCount_;
    if (*devicePersonalityCount_ == 0 && resetWhenLast) {
      tStatus fresh;
      irq_->disable(fresh);
      fpga_->reset(fresh);
    }
  }
  lock_->release();
}

void Session::acquireExclusiveForRequest() {
  nVLAPAL000::tMutex* outer = *requestLock_;
  if (outer == nullptr || !outer->isHeldByCaller()) return lock_->acquireExclusive();
  lock_->acquireExclusiveOutside(*outer);
}

void Session::discardOwnData() {
  vlhtl::Vector<MemoryMapId> none;
  memoryMaps_.swap(none);
  expected_.clear();
}

// A session made stale while the device kept its FPGA state (an
// over-temperature shutdown) still holds FIFOs and personalities in that
// state, and gives them back like a valid one; past a rebuild of the state
// there is nothing of it left to touch.
void Session::close(bool stateIsCurrent) {
  tStatus local;
  guard(local);
  if (stateIsCurrent) {
    tStatus fifos;
    fpga_->unreserveSessionFifos(0, identity(), fifos);
    while (personalityCount_ != 0) release(0, false);
  }
  discardOwnData();
}

}  // namespace kernel
}  // namespace vllym
