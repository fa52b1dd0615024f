// What all FPGA sessions of one device share: the FPGA lock, the state's
// recursive mutex, the personality count and download refusal code, the
// policies, the signature register, the IRQ handler and the FPGA object.
// The device builds one at every bring-up over its board object and drops
// it with the board's hardware; sessions point into it and never own it.
//
// Members are built in declaration order, each on the one status: a member
// whose construction fails leaves its error there and the later ones are
// built all the same, so the destructor always has whole objects to undo.
#ifndef VL9738K_FPGASESSION_ATOMICLYMDEVICESTATE_H
#define VL9738K_FPGASESSION_ATOMICLYMDEVICESTATE_H

#include <stdint.h>

#include "Fpga.h"
#include "driver/fpga/irq/IrqHandler.h"
#include "driver/fpga/session/DownloadToFlashProgressCheckerSimple.h"
#include "driver/fpga/session/FpgaDownloadPolicySingleFpgaSession.h"
#include "driver/fpga/session/OpenFpgaSessionPolicyCommon.h"
#include "driver/fpga/session/ReaderWriterLock.h"
#include "driver/fpga/session/SessionStatusCodes.h"
#include "driver/fpga/session/SignatureRegisterCommon.h"
#include "driver/fpga/wire/CommonRegisterSet.h"
#include "driver/platform/sync/tMutex.h"

class AtomicLymDeviceState {
 public:
  using tStatus = nVLAPALS100::tStatus;
  using tBoard = vllym::BoardSupport;

  // Not owned; the board outlives the state.
  AtomicLymDeviceState(tBoard* board, tStatus& status);
  // The FPGA object first, then the IRQ handler, the mutex and the lock.
  ~AtomicLymDeviceState();
  AtomicLymDeviceState(const AtomicLymDeviceState&) = delete;
  AtomicLymDeviceState& operator=(const AtomicLymDeviceState&) = delete;

  // For a device that resets, stops or loses its board, before it drains:
  // ends every FIFO and IRQ wait of every session with `code`, and every
  // later one at once. Takes no FPGA lock: a pending writer (configure,
  // release, download) waits for the very readers this is to end, and the
  // FIFO manager's and the ISR lock keep what it touches alive.
  void abortAllWaits(int32_t code, tStatus& status);
  // The device's request lock: configure and download give it back while
  // they wait for the FPGA lock (null: none).
  void setRequestLock(nVLAPAL000::tMutex* lock) { requestLock_ = lock; }
  nVLAPAL000::tMutex* const& getRequestLock() const { return requestLock_; }

  tBoard* getBoard() const { return board_; }
  vllym::ReaderWriterLock& getLock() { return lock_; }
  nVLAPAL000::tMutex& getMutex() { return mutex_; }
  uint32_t& getPersonalityCount() { return personalityCount_; }
  int32_t& getDownloadRefusalCode() { return downloadRefusal_; }
  vllym::FpgaDownloadPolicySingleFpgaSession& getDownloadPolicy() { return downloadPolicy_; }
  vllym::DownloadToFlashProgressCheckerSimple& getProgressChecker() { return progress_; }
  vllym::SignatureRegisterCommon& getSignatureRegister() { return signature_; }
  vllym::OpenFpgaSessionPolicyCommon& getOpenPolicy() { return openPolicy_; }
  vllym::IrqHandler& getIrqHandler() { return irq_; }
  vllym::kernel::Fpga& getFpga() { return fpga_; }
  // The register set of the personality the FPGA object and the IRQ
  // handler now use, so that a refused configuration can put it back.
  vllym::CommonRegisterSet& getAppliedRegisters() { return applied_; }

 private:
  tBoard* board_;
  vllym::ReaderWriterLock lock_;
  nVLAPAL000::tMutex mutex_;
  uint32_t personalityCount_;
  int32_t downloadRefusal_;
  vllym::FpgaDownloadPolicySingleFpgaSession downloadPolicy_;
  vllym::DownloadToFlashProgressCheckerSimple progress_;
  vllym::SignatureRegisterCommon signature_;
  vllym::OpenFpgaSessionPolicyCommon openPolicy_;
  vllym::IrqHandler irq_;
  vllym::kernel::Fpga fpga_;
  vllym::CommonRegisterSet applied_;
  nVLAPAL000::tMutex* requestLock_ = nullptr;
};

#endif
