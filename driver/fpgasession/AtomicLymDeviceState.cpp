#include "AtomicLymDeviceState.h"

// Every member takes the one status; none of their constructors skips on
// an error already there, so a failing member does not stop the others.
AtomicLymDeviceState::AtomicLymDeviceState(tBoard* board, tStatus& status)
    : board_(board),
      lock_(status),
      mutex_(status),
      personalityCount_(0),
      downloadRefusal_(static_cast<int32_t>(vllym::kStatusDownloadRefused)),
      downloadPolicy_(&personalityCount_, &downloadRefusal_),
      progress_(),
      signature_(board->getFpgaIoAccessor()),
      openPolicy_(&downloadPolicy_, &signature_, &board->getDownload()),
      irq_(board->getFpgaIoAccessor(), board->getInterruptManager(), status),
      fpga_(board, &signature_, &downloadRefusal_, status),
      applied_() {}

// Members go in reverse declaration order: the FPGA object, the IRQ
// handler (which leaves the interrupt manager's slot), the policies, the
// mutex, then the lock.
AtomicLymDeviceState::~AtomicLymDeviceState() {}

void AtomicLymDeviceState::abortAllWaits(int32_t code, tStatus& status) {
  tStatus fifos;
  fpga_.getFifoManager().closeWaits(code, fifos);
  status.merge(fifos);
  irq_.closeWaits(code);
  if (vllym::P2PEndpointManagerNoP2P* p2p = board_->getP2PEndpointManager()) {
    tStatus endpoints;
    p2p->disableAllP2PFifos(endpoints);
    status.merge(endpoints);
  }
}
