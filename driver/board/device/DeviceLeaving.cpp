// A reset of a board that is leaving: the kernel layer removes a device
// while sessions may still be open, and one of them may ask for a reset
// before or while the removal runs.
#include "Device.h"

namespace nVL9738K_24_0 {

// The state turns from ready only once the quiesce returns: until then
// the quiesced gate tells that the board is on its way out or to sleep.
bool Device::takesRequests() const {
  return getState() == nVLAPAL000::kPnPStateReady && quiescedGate_ == nVLAPAL000::kGateOpen;
}

// Removal (or suspension) has closed the gate and released, or is about to
// release, the board objects; bringing the board up again would reopen the
// gate on hardware that is going away.
bool Device::acceptsReset(tStatus& status) const {
  if (takesRequests() || kResetBringsUpALeavingBoard) return true;
  status.setCode(nVLAPALS100::kStatusGateClosed, VL_SITE);
  return false;
}

// The board started leaving during the bring-up: its removal closed the
// gate and waits for this reset's lock. The gate stays closed, and what the
// bring-up let through drains before the removal releases the board.
void Device::reopenGateUnlessLeaving() {
  if (takesRequests() || kResetBringsUpALeavingBoard) {
    setGate(nVLAPAL000::kGateOpen);
    return;
  }
  setGate(nVLAPAL000::kGateClosed);
  endFpgaWaits();
  tStatus forever;
  waitForDrain(false, forever, nVLAPAL000::kWaitForever);
}

}  // namespace nVL9738K_24_0
