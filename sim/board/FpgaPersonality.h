// The registers every FPGA design (personality) carries in the FPGA
// window, at the offsets its register set declares: a control register
// (every write kept), a reset register (writing 1 holds the design in reset
// for a number of reads, bit 0 reading 1 meanwhile) and a signature
// register (four words read in turn). A knob keeps the design in reset.
#ifndef VL9738K_SIM_BOARD_FPGA_PERSONALITY_H
#define VL9738K_SIM_BOARD_FPGA_PERSONALITY_H

#include <array>
#include <cstdint>
#include <vector>

#include "FpgaWindow.h"

namespace sim {

class FpgaPersonality : public RegisterBlock {
 public:
  FpgaPersonality(FpgaWindow& window, uint64_t control, uint64_t reset, uint64_t signature);

  ~FpgaPersonality() override { window_.detach(*this); }
  FpgaPersonality(const FpgaPersonality&) = delete;
  FpgaPersonality& operator=(const FpgaPersonality&) = delete;

  uint32_t read(uint64_t offset, unsigned width) override;
  void write(uint64_t offset, unsigned width, uint32_t value) override;

  // Reads of the reset register that still report the design in reset
  // after a reset is written (or now).
  void holdInReset(uint32_t reads) { resetReads_ = reads; }
  void setStuckInReset(bool stuck) { stuck_ = stuck; }
  void setSignature(const std::array<uint32_t, 4>& words) { signature_ = words; }

  const std::vector<uint32_t>& controlWrites() const { return controlWrites_; }
  uint32_t resetReads() const { return resetReadCount_; }
  uint32_t resetWrites() const { return resetWrites_; }

 private:
  FpgaWindow& window_;
  uint64_t control_;
  uint64_t reset_;
  uint64_t signatureOffset_;
  std::vector<uint32_t> controlWrites_;
  std::array<uint32_t, 4> signature_{};
  uint32_t signatureNext_ = 0;
  uint32_t resetDelay_ = 3;
  uint32_t resetReads_ = 0;
  uint32_t resetReadCount_ = 0;
  uint32_t resetWrites_ = 0;
  bool stuck_ = false;
};

}  // namespace sim

#endif
