// The FPGA's PXI trigger routing matrix (UID 103) as a child of block 2406
// in a subsystem of its own: the block's own registers (the read-back word
// 0, spare words 3 and 4, size words 5, 6, 7 and 12, versions 9, 10 and 11,
// status 32) and one 32-bit route register at every other address up to
// 2050. Route registers hold what is written; the access log shows the
// order in which routes were broken and made.
#ifndef VL9738K_SIM_BOARD_PXI_ROUTING_MATRIX_MODEL_H
#define VL9738K_SIM_BOARD_PXI_ROUTING_MATRIX_MODEL_H

#include <cstdint>

#include "InstructionBlockModel.h"
#include "RegisterPortModel.h"

namespace sim {

class PxiRoutingMatrixModel : public InstructionBlockModel {
 public:
  static constexpr uint16_t kParentUid = 2406;
  static constexpr uint16_t kUid = 103;
  static constexpr uint32_t kLastRoute = 2050;
  enum Register : uint32_t {
    kReadBack = 0,
    kSizeWord0 = 5,
    kSizeWord1 = 6,
    kSizeWord2 = 7,
    kCurrentVersion = 9,
    kOldestCompatibleVersion = 10,
    kBlockVersion = 11,
    kSizeWord3 = 12,
    kStatus = 32,
  };

  // Sizes within the host's limits, block version 200, current and oldest
  // compatible version 1.
  PxiRoutingMatrixModel();

  // Announces the block under its parent in subsystem `number`, with the
  // given context versions, and attaches this model as the subsystem.
  void place(RegisterPortModel& port, uint8_t number, uint16_t contextVersion = 4, uint16_t contextOldest = 3);
  static bool isBlockRegister(uint32_t address);
};

}  // namespace sim

#endif
