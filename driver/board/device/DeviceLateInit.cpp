// The device's late initialisation once an FPGA image is configured: the
// snooping manager over the register port, the engine resources with their
// settling controls, and the snooping of the LO paths' maps; and their
// release before the FPGA is reprogrammed or the board goes.
#include "Device.h"
#include "driver/engines/OV3IFWResources.h"
#include "driver/listmode/snooping/CommitSnoopingAttachment.h"
#include "driver/platform/memory/Memory.h"
#include "driver/routing/pxi/PxiTriggerRoutingHost.h"

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
// Each control is taken and prepared on a status of its own that the record
// then merges, so one engine's missing timer block costs the other engine
// none of its controls.
void Device::installSettlingControls(tStatus& late) {
  if (late.isFatal()) return;
  ov3ifw::OV3IFWResources& engines = *ifwResources_;
  auto prepare = [&late](qrtifwprim::SettlingControl* control, tStatus& own) {
    if (control != nullptr) {
      control->setEnable(false, own);
      control->writePllCount(1, own);
    }
    late.merge(own);
    return own.isFatal() ? nullptr : control;
  };
  tStatus own[4];
  qrtifwprim::SettlingControl* generation0 = prepare(engines.getGenerationSettlingControl0(own[0]), own[0]);
  qrtifwprim::SettlingControl* generation1 = prepare(engines.getGenerationSettlingControl1(own[1]), own[1]);
  qrtifwprim::SettlingControl* acquisition0 = prepare(engines.getAcquisitionSettlingControl0(own[2]), own[2]);
  qrtifwprim::SettlingControl* acquisition1 = prepare(engines.getAcquisitionSettlingControl1(own[3]), own[3]);
  lo0Settling_.attachControls(generation0, generation1);
  lo1Settling_.attachControls(acquisition0, acquisition1);
  lo0Settling_.attachGate(cbak::SettlingGate(this));
  lo1Settling_.attachGate(cbak::SettlingGate(this));
}

// The trigger controls' creation outcome decides the record: an engine
// without its block fails every list-mode request. An engine without a
// snooping context simply records nothing of its LO path. What earlier
// recordings on each LO path's engine wrote is the device's, kept across
// bring-ups: the new maps and routing host note into it and mark from it.
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
                       composites.getLo0Cpld()->BoardCtrlRegMap, *ref, late, runRecords_[0].maps);
  }
  lookup.clear();
  const vlifw::ContextInterface* acquisition = engines.getAcquisitionSnoopingContext(lookup);
  if (acquisition != nullptr && composites.getLo1Cpld() != nullptr && ref != nullptr) {
    registerLoPathMaps(*snoopingManager_, *acquisition, composites.getLo1Cpld()->Ad9162RegMap,
                       composites.getLo1Cpld()->BoardCtrlRegMap, *ref, late, runRecords_[1].maps);
  }
  readResources_->configure(engines.getAcquisitionSubsystem(), engines.getGenerationSubsystem(), late);
  // The routes that lists recorded before this bring-up wrote, by the
  // engines' subsystems as this bring-up found them.
  if (vlpxiroutingmatrix::PxiTriggerRoutingHost* host = engines.getPxiTriggerRoutingHost()) {
    host->carryRecord(runRecords_[0].routes, engines.getGenerationSubsystem());
    host->carryRecord(runRecords_[1].routes, engines.getAcquisitionSubsystem());
  }
}

// The handlers let go of the settling controls before the engines that own
// them go.
void Device::releaseEngineResources() {
  retireListModeObjects();
  lo0Settling_.clearControls();
  lo1Settling_.clearControls();
  delete ifwResources_;
  ifwResources_ = nullptr;
}

}  // namespace nVL9738K_24_0
