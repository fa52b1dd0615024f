// Everything the driver builds on the FPGA's instruction-framework blocks
// once an image is configured: the subsystem tree, both timing engines'
// register maps with their trigger controls, each engine's timer block
// with two settling controls, the engines' subsystem numbers, the
// snooping contexts list mode records against, the trigger routing and
// the list-mode resources.
//
// Construction never fails as a whole. Each group keeps the status that
// stopped its creation and every getter merges it into the caller's, so a
// block missing from the FPGA fails only the requests that need it.
#ifndef VL9738K_ENGINES_OV3IFWRESOURCES_H
#define VL9738K_ENGINES_OV3IFWRESOURCES_H

#include <stdint.h>

#include "OV3RoutingResources.h"
#include "driver/ifw/InstructionTargetMXRM.h"
#include "driver/ifw/SubsystemMap.h"
#include "driver/listmode/ListModeResources.h"
#include "driver/listmode/snooping/PollerWithRedirection.h"
#include "driver/regmaps/timing/tQRTTimerRegisters.h"
#include "driver/timing/AcqTriggerControl.h"
#include "driver/timing/GenTriggerControl.h"
#include "driver/timing/SettlingControl.h"

namespace ov3ifw {

class OV3IFWResources {
 public:
  using tStatus = nVLAPALS100::tStatus;
  using tPath = vlhtl::Vector<vlifw::PathElement>;
  using tTrigger = trigki::TriggerControlInterface;
  using tSettling = qrtifwprim::SettlingControl;

  static constexpr uint16_t kGenerationEngineUid = 2400;
  static constexpr uint16_t kAcquisitionEngineUid = 2401;
  static constexpr uint16_t kGenerationBlockUid = 2402;
  static constexpr uint16_t kAcquisitionBlockUid = 2403;
  static constexpr uint16_t kTimerContainerUid = 1699;
  static constexpr uint16_t kTimerBlockUid = 1680;
  static constexpr uint16_t kGenerationSnoopingUid = 1704;
  static constexpr uint16_t kAcquisitionSnoopingUid = 1703;
  static constexpr uint16_t kRoutingContainerUid = 2406;
  static constexpr uint16_t kRoutingHostUid = 103;
  // Versions (current, oldest compatible) this driver speaks.
  static constexpr uint16_t kEngineBlockVersion = 2;
  static constexpr uint16_t kTimerBlockVersion = 1;
  static constexpr int32_t kNotBuilt = static_cast<int32_t>(0xBFFA8710u);

  // Every engine access goes through `target`; the list engines' commands
  // go through `listModeTarget`, which no commit redirects, so a
  // committing session can still start, stop and read its engine.
  OV3IFWResources(vlifw::InstructionTarget* target, RegisterPoller::PollerStore* pollerStore,
                  vlifw::InstructionTarget* listModeTarget);
  virtual ~OV3IFWResources();
  OV3IFWResources(const OV3IFWResources&) = delete;
  OV3IFWResources& operator=(const OV3IFWResources&) = delete;

  tTrigger* getGenerationTriggerControl(tStatus& status);
  tTrigger* getAcquisitionTriggerControl(tStatus& status);
  // Only the two engine-block paths name a trigger control (-52005).
  tTrigger* getTriggerControlForPath(const tPath& path, tStatus& status);
  // Null without an error when the engine resources could not be built.
  tSettling* getGenerationSettlingControl0(tStatus& status) { return settling(generationTimer_, 0, status); }
  tSettling* getGenerationSettlingControl1(tStatus& status) { return settling(generationTimer_, 1, status); }
  tSettling* getAcquisitionSettlingControl0(tStatus& status) { return settling(acquisitionTimer_, 0, status); }
  tSettling* getAcquisitionSettlingControl1(tStatus& status) { return settling(acquisitionTimer_, 1, status); }
  const vlifw::ContextInterface* getGenerationSnoopingContext(tStatus& status);
  const vlifw::ContextInterface* getAcquisitionSnoopingContext(tStatus& status);
  // 0 when the engine was not found.
  uint8_t getGenerationSubsystem() const { return generationSubsystem_; }
  uint8_t getAcquisitionSubsystem() const { return acquisitionSubsystem_; }
  vlpxiroutingmatrix::PxiTriggerRoutingHost* getPxiTriggerRoutingHost() const;
  OV3RoutingResources* getRoutingResources() const { return routingResources_; }
  // A new session of the list engine the path ends in, owned by the caller;
  // null when the path names no node.
  listmodek::Session* createListModeSession(const tPath& path, tStatus& status);

  void configureDefaultTrigger(tTrigger* control, int32_t triggerId, tStatus& status);
  void configureDefaultTriggerIfPresent(tTrigger* control, int32_t triggerId, tStatus& status);
  void setDefaultPulseWidth(tTrigger* control, int32_t eventId, tStatus& status);

 private:
  // One engine's timer block and its two settling controls.
  struct TimerGroup {
    uint8_t subsystem = 0;
    vlifw::InstructionTargetMXRM* target = nullptr;
    nQRTTimerRegisters::tQRTTimerRegisters* registers = nullptr;
    tSettling* control0 = nullptr;
    tSettling* control1 = nullptr;
    tStatus status;
  };

  void failConstruction();
  const vlifw::ContextInterface* resolve(const uint16_t* uids, uint32_t count, tStatus& status) const;
  void readEngineSubsystems();
  void createRoutingResources();
  void createAcquisitionRegisters();
  void createGenerationRegisters();
  // The engine's register block, checked and bound; null once `status` fails.
  vlifw::InstructionTargetMXRM* bindEngineBlock(uint16_t engineUid, uint16_t blockUid, tStatus& status);
  void createTimerRegisters(uint16_t engineUid, TimerGroup& group, RegisterPoller::PollerStore* pollerStore);
  tSettling* settling(TimerGroup& group, uint32_t which, tStatus& status);
  static void destroy(TimerGroup& group);

  vlifw::InstructionTarget* target_;
  vlifw::SubsystemMap* subsystemMap_ = nullptr;
  const vlifw::ContextInterface* root_ = nullptr;
  tStatus constructionStatus_;
  OV3RoutingResources* routingResources_ = nullptr;
  listmodek::ListModeResources* listModeResources_ = nullptr;
  tStatus generationStatus_;
  vlifw::InstructionTargetMXRM* generationTarget_ = nullptr;
  nQRTGenerationRegisters::tQRTGenerationRegisters* generationRegisters_ = nullptr;
  qrtifwprim::GenTriggerControl* generationTriggerControl_ = nullptr;
  tStatus acquisitionStatus_;
  vlifw::InstructionTargetMXRM* acquisitionTarget_ = nullptr;
  nQRTAcquisitionRegisters::tQRTAcquisitionRegisters* acquisitionRegisters_ = nullptr;
  qrtifwprim::AcqTriggerControl* acquisitionTriggerControl_ = nullptr;
  TimerGroup acquisitionTimer_;
  TimerGroup generationTimer_;
  uint8_t generationSubsystem_ = 0;
  uint8_t acquisitionSubsystem_ = 0;
};

}  // namespace ov3ifw

#endif
