#include "DataPathEngineModel.h"

namespace sim {

namespace {

// {command register, done register} of each engine.
struct Handshake {
  uint32_t command;
  uint32_t done;
};
constexpr Handshake kGeneration[] = {{0x20, 0x21}, {0x30, 0x31}};
constexpr Handshake kAcquisition[] = {{64, 71}, {48, 49}};

}  // namespace

DataPathEngineModel::DataPathEngineModel(Block block)
    : EngineBlockModel(block), generation_(block == Block::kGeneration) {}

void DataPathEngineModel::place(RegisterPortModel& port, uint8_t number, uint8_t instance, uint16_t version,
                                uint16_t oldest) {
  port.subsystemMap().addSubsystem(
      number,
      {SubsystemMapModel::Block{.uid = uid(), .instance = instance, .version = version, .oldestCompatible = oldest}});
  port.attachSubsystem(number, *this);
}

void DataPathEngineModel::onWrite(uint32_t address, uint64_t value) {
  if (observer) observer(address, value);
  for (const Handshake& step : generation_ ? kGeneration : kAcquisition) {
    if (step.command == address && (value & 1) != 0 && !hung_) setValue(step.done, 1);
  }
}

}  // namespace sim
