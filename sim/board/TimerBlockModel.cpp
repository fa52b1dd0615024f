#include "TimerBlockModel.h"

namespace sim {

TimerBlockModel::TimerBlockModel(uint32_t offset) : offset_(offset) {
  for (uint32_t index = 0; index < 3; ++index) define(offset + index, kRead, false);
  for (uint32_t base : kPllCounterBases) {
    define(offset + base + 1, kRead, false);
    define(offset + base + 2, kRead, false);
    define(offset + base + 3, kReadWrite, false);
  }
  for (uint32_t base : kSettlingTimerBases) {
    for (uint32_t index = 0; index < 3; ++index) define(offset + base + index, kRead, false);
    define(offset + base + 3, kReadWrite, false);
    define(offset + base + 4, kWrite, false);
    define(offset + base + 5, kReadWrite, false);
  }
}

}  // namespace sim
