#include "PxiRoutingMatrixModel.h"

namespace sim {

bool PxiRoutingMatrixModel::isBlockRegister(uint32_t address) {
  return address == 0 || (address >= 3 && address <= 12) || address == kStatus;
}

PxiRoutingMatrixModel::PxiRoutingMatrixModel() {
  define(kReadBack, kRead, false, 0);
  define(3, kReadWrite, false);
  define(4, kWrite, false);
  define(kSizeWord0, kRead, false, 46);
  define(kSizeWord1, kRead, false, 32);
  define(kSizeWord2, kRead, false, 32);
  define(8, kRead, false);
  define(kCurrentVersion, kRead, false, 1);
  define(kOldestCompatibleVersion, kRead, false, 1);
  define(kBlockVersion, kRead, false, 200);
  define(kSizeWord3, kRead, false, 32);
  define(kStatus, kRead, false);
  for (uint32_t route = 1; route <= kLastRoute; ++route) {
    if (!isBlockRegister(route)) define(route, kReadWrite, false);
  }
}

void PxiRoutingMatrixModel::place(RegisterPortModel& port, uint8_t number, uint16_t contextVersion,
                                  uint16_t contextOldest) {
  using Block = SubsystemMapModel::Block;
  const Block matrix{.uid = kUid, .version = contextVersion, .oldestCompatible = contextOldest};
  port.subsystemMap().addSubsystem(number, {Block{.uid = kParentUid, .children = {matrix}}});
  port.attachSubsystem(number, *this);
}

}  // namespace sim
