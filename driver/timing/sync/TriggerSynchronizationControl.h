// The trigger synchronizers of one engine, by instance, and the engine's
// register that chooses, per synchronizer, whether the engine leads it.
#ifndef VL9738K_TIMING_SYNC_TRIGGERSYNCHRONIZATIONCONTROL_H
#define VL9738K_TIMING_SYNC_TRIGGERSYNCHRONIZATIONCONTROL_H

#include <stdint.h>

#include "TriggerSynchronizer.h"
#include "driver/platform/containers/VlhtlMap.h"

namespace qrtifwprim {

struct zelksync_TriggerConfiguration {
  uint8_t enable;
  uint8_t firstOption;
  uint8_t secondOption;
  uint8_t engineSelect;
};

static_assert(sizeof(zelksync_TriggerConfiguration) == 4, "a trigger configuration is 4 bytes");

class TriggerSynchronizationControlInterface {
 public:
  using tStatus = nVLAPALS100::tStatus;
  using tSynchronizers = vlhtl::Map<uint8_t, TriggerSynchronizer*>;

  virtual ~TriggerSynchronizationControlInterface() {
    for (auto& entry : synchronizers_) delete entry.second;
  }
  TriggerSynchronizationControlInterface(const TriggerSynchronizationControlInterface&) = delete;
  TriggerSynchronizationControlInterface& operator=(const TriggerSynchronizationControlInterface&) = delete;

  virtual void configureTriggerSynchronization(uint32_t instance, const zelksync_TriggerConfiguration& configuration,
                                               tStatus& status) = 0;

  // Takes `synchronizer`; a second one of the same instance is dropped.
  void adopt(uint8_t instance, TriggerSynchronizer* synchronizer, tStatus& status) {
    if (synchronizer == nullptr) return;
    if (!synchronizers_.insert(instance, synchronizer, status).inserted) delete synchronizer;
  }

 protected:
  TriggerSynchronizationControlInterface() = default;

  TriggerSynchronizer* find(uint32_t instance) const {
    if (instance > 0xFF) return nullptr;
    auto* entry = synchronizers_.find(static_cast<uint8_t>(instance));
    return entry == nullptr ? nullptr : entry->second;
  }

 private:
  tSynchronizers synchronizers_;
};

template <typename tEngineMap>
class TriggerSynchronizationControl final : public TriggerSynchronizationControlInterface {
 public:
  explicit TriggerSynchronizationControl(tEngineMap& engine) : engine_(engine) {}

  void configureTriggerSynchronization(uint32_t instance, const zelksync_TriggerConfiguration& configuration,
                                       tStatus& status) override {
    if (status.isFatal()) return;
    TriggerSynchronizer* synchronizer = find(instance);
    if (synchronizer == nullptr) {
      status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
      return;
    }
    const uint32_t first = checkedOption(configuration.firstOption, status);
    const uint32_t second = checkedOption(configuration.secondOption, status);
    synchronizer->configure(first, second, status);
    synchronizer->setEnable(configuration.enable != 0, status);
    if (status.isFatal()) return;
    auto& master = engine_.SyncTriggerMasterRegType;
    const uint64_t bit = uint64_t{1} << (instance % 64);
    master.setValue(configuration.engineSelect != 0 ? master.getValue() | bit : master.getValue() & ~bit, status);
    master.flush(status, false);
  }

 private:
  tEngineMap& engine_;
};

}  // namespace qrtifwprim

#endif
