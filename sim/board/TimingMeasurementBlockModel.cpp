#include "TimingMeasurementBlockModel.h"

namespace sim {

TimingMeasurementBlockModel::TimingMeasurementBlockModel() {
  define(kCommand0, kWrite, true);
  define(kCommand1, kWrite, true);
  for (uint32_t address = kDone; address <= 9; ++address) define(address, kRead, true);
}

uint64_t TimingMeasurementBlockModel::onRead(uint32_t address, uint64_t stored) {
  return address == kDone ? uint64_t{done_.read()} : stored;
}

void TimingMeasurementBlockModel::onWrite(uint32_t address, uint64_t value) {
  if (address == kCommand1 && value == 1) done_.start();
}

}  // namespace sim
