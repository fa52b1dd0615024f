// A list engine on the board with its map and command control, reached the
// way the driver reaches it: through the binding of its context and the
// register port.
#ifndef VL9738K_TESTS_LISTMODE_LIST_ENGINE_FIXTURE_H
#define VL9738K_TESTS_LISTMODE_LIST_ENGINE_FIXTURE_H

#include <optional>

#include "driver/listmode/CommandControl.h"
#include "sim/board/ListEngineModel.h"
#include "tests/regmaps/timing/TimingBlockFixture.h"

namespace vltest {

class ListEngineOnBoard : public TimingBlockOnBoard {
 protected:
  static constexpr uint8_t kListSubsystem = 10;
  static constexpr uint32_t kListOffset = 0x800;

  // The engine as it reports `capabilities`.
  void build(uint64_t capabilities) {
    bind(engine, kListSubsystem, kListOffset, 2404);
    engine.setCapabilities(capabilities);
    map.emplace(&*binding, 0, 0, 0xFFFFFFFF);
    control.emplace(&*map, status);
  }

  sim::ListEngineModel engine{kListOffset};
  std::optional<listmodek::CommandControl::tMap> map;
  std::optional<listmodek::CommandControl> control;
};

}  // namespace vltest

#endif
