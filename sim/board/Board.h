// The simulated board at the register level, organised as the hardware is.
// So far: BAR 0 of the bridge chip with the bridge's core and
// configuration-port blocks, and the FPGA's fixed-logic window in it, whose
// routing-register block is the FPGA's register port.
#ifndef VL9738K_SIM_BOARD_BOARD_H
#define VL9738K_SIM_BOARD_BOARD_H

#include <cstdint>

#include "Bar.h"
#include "Bridge.h"
#include "FixedLogic.h"
#include "RegisterPortModel.h"

namespace sim {

class Board {
 public:
  static constexpr uint64_t kBar0Size = 0x100000;

  Board() : bar0_(kBar0Size), bridge_(bar0_), fixedLogic_(bar0_), registerPort_(bar0_) {}
  Board(const Board&) = delete;
  Board& operator=(const Board&) = delete;

  Bar& bar0() { return bar0_; }
  const Bar& bar0() const { return bar0_; }
  Bridge& bridge() { return bridge_; }
  FixedLogic& fixedLogic() { return fixedLogic_; }
  RegisterPortModel& registerPort() { return registerPort_; }

 private:
  Bar bar0_;
  Bridge bridge_;
  FixedLogic fixedLogic_;
  RegisterPortModel registerPort_;
};

}  // namespace sim

#endif
