#include "ZelkGeneratorModel.h"

namespace sim {

ZelkGeneratorModel::ZelkGeneratorModel() {
  define(0, kReadWrite, true);
  define(1, kWrite, true);
  define(2, kReadWrite, true);
  define(3, kReadWrite, false);
  define(kAdjustStart, kWrite, true);
  define(kAdjustDone, kRead, true);
}

uint64_t ZelkGeneratorModel::onRead(uint32_t address, uint64_t stored) {
  return address == kAdjustDone ? uint64_t{done_.read()} : stored;
}

void ZelkGeneratorModel::onWrite(uint32_t address, uint64_t value) {
  if (address == kAdjustStart && value == 1) done_.start();
}

}  // namespace sim
