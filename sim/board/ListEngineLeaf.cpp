#include "ListEngineLeaf.h"

namespace sim {

void ListEngineLeaf::place(RegisterPortModel& port, ListEngineModel& engine) const {
  using Block = SubsystemMapModel::Block;
  const Block leaf{.uid = uid, .instance = instance, .version = version, .offset = engine.offset()};
  port.subsystemMap().addSubsystem(subsystem, {Block{.uid = parentUid, .children = {leaf}}});
  port.attachSubsystem(subsystem, engine);
}

}  // namespace sim
