// The device's late initialisation once an FPGA image is configured: the
// snooping manager over the register port, the engine resources with their
// settling controls, and the snooping of the LO paths' maps; and their
// release before the FPGA is reprogrammed or the board goes.
#include "Device.h"
#include "driver/engines/OV3IFWResources.h"
#include "driver/listmode/snooping/CommitSnoopingAttachment.h"
#include "driver/platform/memory/Memory.h"

namespace nVL9738K_24_0 {

// Everything runs on the late-initialisation record: a part that cannot be
// built fails the requests of that level, not the device.
void Device::setUpEngines(tStatus& late) {
  if (late.isFatal() || registerPort_ == nullptr || readResources_ == nullptr) return;
  // Whatever the engines built before leans on the manager: it goes first.
  releaseEngineResources();
  auto* manager = new (late, nVLAPAL000::kAllocationKindPlain) SnoopingManager::SnoopingManager(registerPort_, late);
  if (manager == nullptr) return;
  delete snoopingManager_;
  snoopingManager_ = manager;
  if (late.isFatal()) return;
  // Engine traffic passes the manager, which redirects it while a commit is
  // recorded; the list engines' own commands take the port directly, so a
  // committing session still starts, stops and reads its engine.
  auto* engines = new (late, nVLAPAL000::kAllocationKindPlain) ov3ifw::OV3IFWResources(
      snoopingManager_->getInstructionTarget(), readResources_->getPollerStore(), registerPort_);
  if (engines == nullptr) return;
  ifwResources_ = engines;
  installSettlingControls(late);
  setUpSnooping(late);
}

// A control the engines could not build is skipped: its getter answers null
// with a clean status, and the handler then reports the missing control.
// Each control is set up as it is taken, so a later engine's failure in the
// record does not leave an earlier engine's controls unprepared.
void Device::installSettlingControls(tStatus& late) {
  if (late.isFatal()) return;
  using tGetter = qrtifwprim::SettlingControl* (ov3ifw::OV3IFWResources::*)(tStatus&);
  static constexpr tGetter kGetters[4] = {&ov3ifw::OV3IFWResources::getGenerationSettlingControl0,
                                          &ov3ifw::OV3IFWResources::getGenerationSettlingControl1,
                                          &ov3ifw::OV3IFWResources::getAcquisitionSettlingControl0,
                                          &ov3ifw::OV3IFWResources::getAcquisitionSettlingControl1};
  qrtifwprim::SettlingControl* controls[4] = {};
  for (uint32_t i = 0; i < 4; ++i) {
    controls[i] = (ifwResources_->*kGetters[i])(late);
    if (controls[i] == nullptr) continue;
    controls[i]->setEnable(false, late);
    controls[i]->writePllCount(1, late);
  }
  generationSettling_.attachControls(controls[0], controls[1]);
  acquisitionSettling_.attachControls(controls[2], controls[3]);
}

// The trigger controls' creation outcome decides the record: an engine
// without its block fails every list-mode request. An engine without a
// snooping context simply records nothing of its LO path.
void Device::setUpSnooping(tStatus& late) {
  ov3ifw::OV3IFWResources& engines = *ifwResources_;
  engines.getAcquisitionTriggerControl(late);
  engines.getGenerationTriggerControl(late);
  if (late.isFatal() || resources_ == nullptr) return;
  n9738Board::t9738Board& maps = resources_->getBoardMaps();
  CompositeMaps& composites = resources_->getCompositeMaps();
  nVl9738RefCpld::tVl9738RefCpld* ref = maps.getRefCpld();
  tStatus lookup;
  const vlifw::ContextInterface* generation = engines.getGenerationSnoopingContext(lookup);
  if (generation != nullptr && composites.getLo0Cpld() != nullptr && ref != nullptr) {
    registerLoPathMaps(*snoopingManager_, *generation, composites.getLo0Cpld()->Ad9162RegMap,
                       composites.getLo0Cpld()->BoardCtrlRegMap, *ref, late);
  }
  lookup.clear();
  const vlifw::ContextInterface* acquisition = engines.getAcquisitionSnoopingContext(lookup);
  if (acquisition != nullptr && composites.getLo1Cpld() != nullptr && ref != nullptr) {
    registerLoPathMaps(*snoopingManager_, *acquisition, composites.getLo1Cpld()->Ad9162RegMap,
                       composites.getLo1Cpld()->BoardCtrlRegMap, *ref, late);
  }
  readResources_->configure(engines.getAcquisitionSubsystem(), engines.getGenerationSubsystem(), late);
}

// The handlers let go of the settling controls before the engines that own
// them go.
void Device::releaseEngineResources() {
  generationSettling_.clearControls();
  acquisitionSettling_.clearControls();
  delete ifwResources_;
  ifwResources_ = nullptr;
}

}  // namespace nVL9738K_24_0
