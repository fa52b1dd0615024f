// The LO0 path as the device builds it: its CPLD's maps, the Ref CPLD's
// reference selection, a handler over two recording controls, the wait.
#ifndef VL9738K_TESTS_RF_PRIMITIVES_LO_PATH_FIXTURE_H
#define VL9738K_TESTS_RF_PRIMITIVES_LO_PATH_FIXTURE_H

#include <utility>
#include <vector>

#include "driver/listmode/snooping/WaitWithRedirection.h"
#include "driver/regmaps/board/cpld/tVl9738Lo0Cpld.h"
#include "driver/regmaps/board/cpld/tVl9738RefCpld.h"
#include "driver/rf/settling/SettlingTimerHandler.h"
#include "tests/regmaps/board/FixedLogicFixture.h"

namespace vltest {

// A settling control as the engines keep one: it writes nothing once the
// status holds an error.
class RecordingControl : public cbak::iSettlingControl {
 public:
  void writeSettlingTime(uint32_t value, tStatus& status) override {
    ++calls;
    if (status.isNotFatal()) written.push_back(value);
  }
  std::vector<uint32_t> written;
  int calls = 0;
};

class LoPathOnBoard : public FixedLogicOnBoard {
 protected:
  static constexpr uint64_t kDac = 0x8200;
  static constexpr uint64_t kBoardCtrl = 0x8120;
  static constexpr uint64_t kRefClkToLo = 0x4160;

  std::vector<std::pair<unsigned, uint32_t>> dacWrites() {
    std::vector<std::pair<unsigned, uint32_t>> found;
    for (const BusAccess& access : writesIn(board.bar0().traffic())) {
      const uint64_t offset = access.offset - kWindow;
      if (offset >= kDac && offset < kDac + 0x2004) found.emplace_back((offset - kDac) / 4, access.value);
    }
    return found;
  }
  std::vector<std::pair<uint32_t, uint32_t>> settlingCalls() const {
    std::vector<std::pair<uint32_t, uint32_t>> calls;
    for (size_t i = 0; i < control0.written.size(); ++i) calls.emplace_back(control0.written[i], control1.written[i]);
    return calls;
  }

  nVl9738Lo0Cpld::tVl9738Lo0Cpld lo{&fixedLogic, 0x8000, 0, 0x4000};
  nVl9738RefCpld::tVl9738RefCpld ref{&fixedLogic, 0x4000, 0, 0x4000};
  RecordingControl control0;
  RecordingControl control1;
  cbak::SettlingTimerHandler settling{&control0, &control1};
  nVL9738K_24_0::WaitWithRedirection wait;
  sim::Ad9162& chip = board.dac(0);
};

}  // namespace vltest

#endif
