// The register files of the timing engines' own blocks: the generation
// engine's, the acquisition engine's and the block the two share. Each
// register is writable only, readable only or both, and 64 bits wide but
// for five narrow acquisition registers. The block does what its register
// file does: it stores what is written and answers reads with what it holds;
// writes to a read-only register and reads of a write-only one fail.
#ifndef VL9738K_SIM_BOARD_ENGINE_BLOCK_MODEL_H
#define VL9738K_SIM_BOARD_ENGINE_BLOCK_MODEL_H

#include <cstdint>
#include <vector>

#include "InstructionBlockModel.h"

namespace sim {

class EngineBlockModel : public InstructionBlockModel {
 public:
  enum class Block { kGeneration, kAcquisition, kShared };

  explicit EngineBlockModel(Block block);

  // Addresses in ascending order.
  const std::vector<uint32_t>& writable() const { return writable_; }
  const std::vector<uint32_t>& readable() const { return readable_; }
  size_t registerCount() const { return count_; }

 private:
  std::vector<uint32_t> writable_;
  std::vector<uint32_t> readable_;
  size_t count_ = 0;
};

}  // namespace sim

#endif
