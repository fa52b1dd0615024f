// An engine's subsystem with its trigger-clock synchronisation: the
// engine's own block at offset 0 and, under it, the synchronisation block
// (UID 700) holding the generator (701), the sync-pulse generator (702),
// one trigger synchronizer (704) per instance and, when asked for, the
// timing-measurement block (108). Instructions reach the block whose
// window holds their address.
#ifndef VL9738K_SIM_BOARD_ZELK_SYNC_SUBTREE_H
#define VL9738K_SIM_BOARD_ZELK_SYNC_SUBTREE_H

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "EngineBlockModel.h"
#include "PrimitiveBlockModel.h"
#include "RegisterPortModel.h"
#include "TimingMeasurementBlockModel.h"
#include "ZelkGeneratorModel.h"

namespace sim {

class ZelkSyncSubtree : public SubsystemModel {
 public:
  static constexpr uint32_t kGeneratorOffset = 0x1000;
  static constexpr uint32_t kSyncPulseOffset = 0x1100;
  static constexpr uint32_t kSynchronizerOffset = 0x1200;
  static constexpr uint32_t kSynchronizerStride = 0x10;
  static constexpr uint32_t kMeasurementOffset = 0x1800;
  static constexpr uint32_t kWindow = 0x100;

  struct Layout {
    uint16_t engineUid = 2400;
    std::vector<uint8_t> synchronizers = {0, 1};
    // The timing-measurement block's version; none without one.
    std::optional<uint16_t> measurementVersion = 1;
    // Version of the generator, sync-pulse and synchronizer blocks.
    uint16_t primitiveVersion = 0;
  };

  explicit ZelkSyncSubtree(Layout layout);

  // Announces the tree in the port's subsystem map and attaches itself as
  // subsystem `number`; it must outlive the attachment.
  void place(RegisterPortModel& port, uint8_t number);

  EngineBlockModel& engine() { return engine_; }
  ZelkGeneratorModel& generator() { return generator_; }
  PrimitiveBlockModel& syncPulse() { return syncPulse_; }
  PrimitiveBlockModel& synchronizer(uint8_t instance) { return *synchronizers_.at(instance); }
  TimingMeasurementBlockModel& measurement() { return measurement_; }

  Result read(uint32_t address) override;
  Result write(uint32_t address, uint64_t data) override;

 private:
  // The block whose window holds `address`, and the address inside it.
  std::pair<InstructionBlockModel*, uint32_t> route(uint32_t address);

  Layout layout_;
  EngineBlockModel engine_;
  ZelkGeneratorModel generator_;
  PrimitiveBlockModel syncPulse_{PrimitiveBlockModel::Block::kSyncPulseGenerator};
  std::map<uint8_t, std::unique_ptr<PrimitiveBlockModel>> synchronizers_;
  TimingMeasurementBlockModel measurement_;
};

}  // namespace sim

#endif
