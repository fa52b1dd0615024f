// The trigger-clock synchronisation of one engine: the primitives found in
// the engine's synchronisation block, built once, and the factory that
// builds them for an engine's context.
#ifndef VL9738K_TIMING_SYNC_ZELKSYNCSUBSYSTEM_H
#define VL9738K_TIMING_SYNC_ZELKSYNCSUBSYSTEM_H

#include <stdint.h>

#include "ZelkSyncControl.h"
#include "driver/regmaps/timing/tQRTAcquisitionRegisters.h"
#include "driver/regmaps/timing/tQRTGenerationRegisters.h"

namespace qrtifwprim {

class ZelkSyncSubsystem {
 public:
  using tStatus = nVLAPALS100::tStatus;

  ZelkSyncSubsystem() = default;
  virtual ~ZelkSyncSubsystem();
  ZelkSyncSubsystem(const ZelkSyncSubsystem&) = delete;
  ZelkSyncSubsystem& operator=(const ZelkSyncSubsystem&) = delete;

  // A new session over this engine's primitives; the caller owns it. A
  // subsystem that could not be built answers with its failure.
  virtual ZelkSyncControl* createZelkSyncSession(tStatus& status);

  tStatus creationStatus;
  ZelkGenerator* generator = nullptr;
  SyncPulseGenerator* syncPulse = nullptr;
  TriggerSynchronizationControlInterface* triggerSync = nullptr;
  ZelkAdjusterInterface* adjuster = nullptr;
  vlftdc::CommandControl* measurement = nullptr;
};

class ZelkSyncSubsystemFactory {
 public:
  using tStatus = nVLAPALS100::tStatus;
  using tGenerationMap = nQRTGenerationRegisters::tQRTGenerationRegisters;
  using tAcquisitionMap = nQRTAcquisitionRegisters::tQRTAcquisitionRegisters;

  static constexpr uint16_t kGenerationEngineUid = 2400;
  static constexpr uint16_t kAcquisitionEngineUid = 2401;
  static constexpr uint16_t kSyncBlockUid = 700;
  static constexpr uint16_t kGeneratorUid = 701;
  static constexpr uint16_t kSyncPulseUid = 702;
  static constexpr uint16_t kSynchronizerUid = 704;
  static constexpr uint16_t kBlockVersion = 0;
  static constexpr uint16_t kBlockOldestCompatibleVersion = 0;

  // The engine maps are the engines' own; an engine whose map is null
  // cannot be synchronised.
  ZelkSyncSubsystemFactory(vlifw::InstructionTarget* target, tGenerationMap* generation, tAcquisitionMap* acquisition,
                           bool noMeasurement)
      : target_(target), generation_(generation), acquisition_(acquisition), noMeasurement_(noMeasurement) {}

  bool supports(uint32_t uid) const { return uid == kGenerationEngineUid || uid == kAcquisitionEngineUid; }
  // The engine's subsystem; a context that is no engine is refused. Null
  // only when nothing could be allocated: any other failure stays in the
  // subsystem's creation status.
  ZelkSyncSubsystem* create(const vlifw::ContextInterface* engine, tStatus& status);

  // What the tree walk asks of its factory.
  bool isSupportedUid(uint16_t uid, uint8_t) const { return supports(uid); }
  ZelkSyncSubsystem* createResources(const vlifw::ContextInterface*, const vlifw::ContextInterface* engine,
                                     tStatus& status) {
    return create(engine, status);
  }
  static void destroyResources(ZelkSyncSubsystem* subsystem) { delete subsystem; }

 private:
  void build(ZelkSyncSubsystem& subsystem, const vlifw::ContextInterface& engine, tStatus& status);
  void buildSynchronizers(ZelkSyncSubsystem& subsystem, const vlifw::ContextInterface& block, tStatus& status);

  vlifw::InstructionTarget* target_;
  tGenerationMap* generation_;
  tAcquisitionMap* acquisition_;
  bool noMeasurement_;
};

}  // namespace qrtifwprim

#endif
