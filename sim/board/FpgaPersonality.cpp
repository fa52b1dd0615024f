#include "FpgaPersonality.h"

namespace sim {

FpgaPersonality::FpgaPersonality(FpgaWindow& window, uint64_t control, uint64_t reset, uint64_t signature)
    : window_(window), control_(control), reset_(reset), signatureOffset_(signature) {
  window.attach(control, 4, *this);
  window.attach(reset, 4, *this);
  window.attach(signature, 4, *this);
}

uint32_t FpgaPersonality::read(uint64_t offset, unsigned) {
  if (offset == reset_) {
    ++resetReadCount_;
    if (stuck_) return 1;
    if (resetReads_ == 0) return 0;
    --resetReads_;
    return 1;
  }
  if (offset == signatureOffset_) return signature_[signatureNext_++ % 4];
  return controlWrites_.empty() ? 0 : controlWrites_.back();
}

void FpgaPersonality::write(uint64_t offset, unsigned, uint32_t value) {
  if (offset == control_) {
    controlWrites_.push_back(value);
  } else if (offset == reset_ && (value & 1) != 0) {
    ++resetWrites_;
    resetReads_ = resetDelay_;
  }
}

}  // namespace sim
