#include "GenerationStreamModel.h"

namespace sim {

namespace {

constexpr uint64_t kFlushCommand = 1u << 2;

}  // namespace

void GenerationStreamModel::onWrite(uint32_t address, uint64_t written) {
  if (stuck_ || (written & kFlushCommand) == 0) return;
  if (address == kP2PControl) setValue(kP2PStatus, value(kP2PStatus) | kP2PFifoEmpty);
  if (address == kUserControl) setValue(kUserStatus, value(kUserStatus) | kUserFifoEmpty);
}

}  // namespace sim
