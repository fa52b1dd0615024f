#include "ZelkSyncSubtree.h"

namespace sim {

ZelkSyncSubtree::ZelkSyncSubtree(Layout layout)
    : layout_(std::move(layout)),
      engine_(layout_.engineUid == 2401 ? EngineBlockModel::Block::kAcquisition
                                        : EngineBlockModel::Block::kGeneration) {
  for (uint8_t instance : layout_.synchronizers) {
    synchronizers_[instance] = std::make_unique<PrimitiveBlockModel>(PrimitiveBlockModel::Block::kTriggerSynchronizer);
  }
}

void ZelkSyncSubtree::place(RegisterPortModel& port, uint8_t number) {
  using Block = SubsystemMapModel::Block;
  const uint16_t v = layout_.primitiveVersion;
  Block sync{.uid = 700, .version = 0, .oldestCompatible = 0, .offset = kGeneratorOffset};
  sync.children.push_back(Block{.uid = 701, .version = v, .oldestCompatible = 0, .offset = kGeneratorOffset});
  sync.children.push_back(Block{.uid = 702, .version = v, .oldestCompatible = 0, .offset = kSyncPulseOffset});
  uint32_t slot = 0;
  for (const auto& [instance, block] : synchronizers_) {
    sync.children.push_back(Block{.uid = 704,
                                  .instance = instance,
                                  .version = v,
                                  .oldestCompatible = 0,
                                  .offset = kSynchronizerOffset + kSynchronizerStride * slot++});
  }
  if (layout_.measurementVersion) {
    sync.children.push_back(
        Block{.uid = 108, .version = *layout_.measurementVersion, .oldestCompatible = 0, .offset = kMeasurementOffset});
  }
  port.subsystemMap().addSubsystem(number, {Block{.uid = layout_.engineUid, .children = {sync}}});
  port.attachSubsystem(number, *this);
}

std::pair<InstructionBlockModel*, uint32_t> ZelkSyncSubtree::route(uint32_t address) {
  if (address < kGeneratorOffset) return {&engine_, address};
  const uint32_t inside = address % kSynchronizerStride;
  if (address >= kMeasurementOffset && address < kMeasurementOffset + kWindow) {
    return {&measurement_, address - kMeasurementOffset};
  }
  if (address >= kSynchronizerOffset && address < kMeasurementOffset) {
    const uint32_t slot = (address - kSynchronizerOffset) / kSynchronizerStride;
    if (slot >= synchronizers_.size()) return {nullptr, 0};
    return {std::next(synchronizers_.begin(), slot)->second.get(), inside};
  }
  if (address >= kSyncPulseOffset && address < kSyncPulseOffset + kWindow) {
    return {&syncPulse_, address - kSyncPulseOffset};
  }
  if (address < kGeneratorOffset + kWindow) return {&generator_, address - kGeneratorOffset};
  return {nullptr, 0};
}

SubsystemModel::Result ZelkSyncSubtree::read(uint32_t address) {
  auto [block, inside] = route(address);
  return block == nullptr ? Result::failure(kNoSuchRegister) : block->read(inside);
}

SubsystemModel::Result ZelkSyncSubtree::write(uint32_t address, uint64_t data) {
  auto [block, inside] = route(address);
  return block == nullptr ? Result::failure(kNoSuchRegister) : block->write(inside, data);
}

}  // namespace sim
