#include "PrimitiveBlockModel.h"

#include <span>

namespace sim {

namespace {

struct Row {
  uint32_t address;
  InstructionBlockModel::Access access;
  bool wide;
};

std::span<const Row> layoutOf(PrimitiveBlockModel::Block block) {
  using B = PrimitiveBlockModel::Block;
  constexpr auto R = InstructionBlockModel::kRead;
  constexpr auto W = InstructionBlockModel::kWrite;
  constexpr auto RW = InstructionBlockModel::kReadWrite;
  static constexpr Row kTimerEvent[] = {{0, R, true}, {1, W, true}, {2, W, true}, {3, W, true}, {4, W, true}};
  static constexpr Row kPowerRegulation[] = {{0, R, true}, {1, W, true}, {2, W, true}, {3, RW, true},
                                             {5, R, true}, {6, R, true}, {7, R, true}};
  static constexpr Row kZelkGenerator[] = {{0, RW, true},  {1, W, true}, {2, RW, true},
                                           {3, RW, false}, {4, W, true}, {5, R, true}};
  static constexpr Row kSyncPulse[] = {{0, W, true}};
  static constexpr Row kTriggerSync[] = {{0, RW, true}};
  auto rows = [](const auto& table) { return std::span<const Row>(table); };
  switch (block) {
    case B::kTimerEvent:
      return rows(kTimerEvent);
    case B::kPowerRegulation:
      return rows(kPowerRegulation);
    case B::kZelkGenerator:
      return rows(kZelkGenerator);
    case B::kSyncPulseGenerator:
      return rows(kSyncPulse);
    case B::kTriggerSynchronizer:
      return rows(kTriggerSync);
  }
  return {};
}

}  // namespace

PrimitiveBlockModel::PrimitiveBlockModel(Block block) {
  for (const Row& row : layoutOf(block)) define(row.address, row.access, row.wide);
}

}  // namespace sim
