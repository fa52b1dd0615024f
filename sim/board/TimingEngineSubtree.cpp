#include "TimingEngineSubtree.h"

#include "FixedLogic.h"

namespace sim {

namespace {

// The fixed logic's registers are 32 bits wide, as the driver's maps write them.
constexpr unsigned kSnoopWidth = 4;

}  // namespace

TimingEngineSubtree::TimingEngineSubtree(const Layout& layout, Bar& bar0)
    : layout_(layout),
      bar0_(bar0),
      block_(layout.engineUid == kAcquisitionUid ? EngineBlockModel::Block::kAcquisition
                                                 : EngineBlockModel::Block::kGeneration) {
  for (unsigned counter = 0; counter < TimerBlockModel::kPllCounterBases.size(); ++counter) {
    timer_.setValue(timer_.pllCounter(counter, 1), 1);
  }
  for (unsigned t = 0; t < TimerBlockModel::kSettlingTimerBases.size(); ++t) {
    timer_.setValue(timer_.settlingTimer(t, 1), 1);
  }
  listEngine_.setCapabilities(kListEngineCapabilities);
  listEngine_.attachTarget(layout_.subsystem, *this);
}

void TimingEngineSubtree::place(RegisterPortModel& port) {
  using Block = SubsystemMapModel::Block;
  Block engine{.uid = layout_.engineUid};
  engine.children.push_back(
      Block{.uid = blockUid(), .version = layout_.blockVersion, .oldestCompatible = layout_.blockOldestCompatible});
  Block container{.uid = kTimerContainerUid, .offset = kTimerOffset};
  if (layout_.timer) {
    container.children.push_back(Block{.uid = kTimerBlockUid,
                                       .version = layout_.timerVersion,
                                       .oldestCompatible = layout_.timerOldestCompatible,
                                       .offset = kTimerOffset});
  }
  container.children.push_back(
      Block{.uid = snoopingUid(), .version = 0, .oldestCompatible = 0, .offset = kSnoopingOffset});
  engine.children.push_back(container);
  engine.children.push_back(Block{.uid = kListEngineUid, .offset = kListEngineOffset});
  port.subsystemMap().addSubsystem(layout_.subsystem, {engine});
  port.attachSubsystem(layout_.subsystem, *this);
}

bool TimingEngineSubtree::inSnoopingWindow(uint32_t address) {
  return address >= kSnoopingOffset && address - kSnoopingOffset < FixedLogic::kSize;
}

InstructionBlockModel* TimingEngineSubtree::route(uint32_t address) {
  if (address >= kListEngineOffset && address < kListEngineOffset + ListEngineModel::kErrorInfo + 1) {
    return &listEngine_;
  }
  if (address >= kTimerOffset && address < kListEngineOffset) return layout_.timer ? &timer_ : nullptr;
  if (address < kTimerOffset) return &block_;
  return nullptr;
}

SubsystemModel::Result TimingEngineSubtree::read(uint32_t address) {
  if (inSnoopingWindow(address)) {
    return Result::success(bar0_.internalRead(FixedLogic::kBarOffset + (address - kSnoopingOffset), kSnoopWidth));
  }
  InstructionBlockModel* block = route(address);
  return block == nullptr ? Result::failure(kNoSuchRegister) : block->read(address);
}

SubsystemModel::Result TimingEngineSubtree::write(uint32_t address, uint64_t data) {
  if (inSnoopingWindow(address)) {
    bar0_.internalWrite(FixedLogic::kBarOffset + (address - kSnoopingOffset), kSnoopWidth, static_cast<uint32_t>(data));
    return Result::success();
  }
  InstructionBlockModel* block = route(address);
  return block == nullptr ? Result::failure(kNoSuchRegister) : block->write(address, data);
}

}  // namespace sim
