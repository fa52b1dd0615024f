// A generation engine's register file whose streams drain: writing the
// peer-to-peer command that flushes the stream (bit 2 of register 0x60)
// sets the P2P FIFO-empty flag (bit 1 of register 0x63), and writing the
// user flush command (bit 2 of register 0x70) sets the user FIFO-empty flag
// (bit 9 of register 0x71). A stuck FIFO never drains: its flag stays as
// the test left it.
#ifndef VL9738K_SIM_BOARD_GENERATION_STREAM_MODEL_H
#define VL9738K_SIM_BOARD_GENERATION_STREAM_MODEL_H

#include "EngineBlockModel.h"

namespace sim {

class GenerationStreamModel : public EngineBlockModel {
 public:
  static constexpr uint32_t kP2PControl = 0x60;
  static constexpr uint32_t kP2PStatus = 0x63;
  static constexpr uint32_t kUserControl = 0x70;
  static constexpr uint32_t kUserStatus = 0x71;
  static constexpr uint64_t kP2PFifoEmpty = 1u << 1;
  static constexpr uint64_t kUserFifoEmpty = 1u << 9;

  GenerationStreamModel() : EngineBlockModel(Block::kGeneration) {}

  void setFifosStuck(bool stuck) { stuck_ = stuck; }

 protected:
  void onWrite(uint32_t address, uint64_t value) override;

 private:
  bool stuck_ = false;
};

}  // namespace sim

#endif
