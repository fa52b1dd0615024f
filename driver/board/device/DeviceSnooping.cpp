// The device's list-mode commit snooping: the register-read resources of
// each bring-up, the start of a recorded commit, and the release of what
// snooping holds before the FPGA is reprogrammed or the board goes.
#include "Device.h"
#include "driver/board/status/DeviceStatusCodes.h"
#include "driver/engines/OV3IFWResources.h"
#include "driver/listmode/snooping/CommitSnoopingAttachment.h"
#include "driver/platform/memory/Memory.h"
#include "driver/platform/status/StatusCodes.h"

namespace nVL9738K_24_0 {

void Device::replaceReadResources(tStatus& status) {
  if (status.isFatal()) return;
  retireListModeObjects();
  // The reference clock of the current DeviceResources holds a check of two
  // of the current pools and gives them back when it goes: it goes first.
  delete resources_;
  resources_ = nullptr;
  ListModeRegisterReadResources* readResources =
      new (status, nVLAPAL000::kAllocationKindPlain) ListModeRegisterReadResources(status);
  if (readResources == nullptr) return;
  if (status.isFatal()) {
    delete readResources;
    return;
  }
  delete readResources_;
  readResources_ = readResources;
}

// The manager's registrations name maps of the current DeviceResources and
// its redirection the current register port: it goes before either. The
// read resources stay, with no subsystem attached, until the next bring-up.
void Device::releaseSnooping(tStatus& status) {
  retireListModeObjects();
  if (readResources_ != nullptr) readResources_->clearSubsystems(status);
  delete snoopingManager_;
  snoopingManager_ = nullptr;
}

void Device::startCommitSnooping(listmodek::Session* session, tStatus& status) {
  if (status.isFatal()) return;
  if (session == nullptr) {
    status.setCode(nVLAPALS100::kStatusRequestFailure, VL_SITE);
    return;
  }
  // The engines run lists only while the engine resources exist; the
  // manager and the primitives come and go with the same bring-up.
  RfResources* rf = resources_ != nullptr ? resources_->getRfResources() : nullptr;
  if (ifwResources_ == nullptr || readResources_ == nullptr || snoopingManager_ == nullptr || rf == nullptr) {
    status.setCode(codes::kInvalidArgument, VL_SITE);
    return;
  }
  // The read resources were configured with the engines' subsystem numbers
  // when the snooping was set up; the reference clock serves both paths.
  const LoPathListListeners lo0{&rf->frequency(0), &rf->power(0), &rf->refClock(), &rf->recordedPolicies(0),
                                &rf->recordedPolicies(0)};
  const LoPathListListeners lo1{&rf->frequency(1), &rf->power(1), &rf->refClock(), &rf->recordedPolicies(1),
                                &rf->recordedPolicies(1)};
  attachCommitSnooping(*session,
                       {readResources_, snoopingManager_, readResources_->getAcquisitionSubsystem(),
                        readResources_->getGenerationSubsystem(), lo0, lo1},
                       status);
}

// A session that never recorded has no listeners: its start runs the list
// an earlier recording left on the engine, which writes the LO path behind
// the primitives' register shadows. An engine of no LO path, or a board
// without RF resources, has nobody to tell.
void Device::attachListStartListeners(listmodek::Session* session, tStatus& status) {
  if (status.isFatal() || session == nullptr) return;
  const int lo = loPathOf(*session);
  if (lo < 0) return;
  RfResources* rf = resources_ != nullptr ? resources_->getRfResources() : nullptr;
  if (rf == nullptr || session->hasStateListener(&rf->recordedPolicies(lo))) return;
  session->addStateListener(&rf->recordedPolicies(lo), status);
  session->addStateListener(&rf->frequency(lo), status);
  session->addStateListener(&rf->power(lo), status);
}

int Device::loPathOf(listmodek::Session& session) const {
  if (readResources_ == nullptr) return -1;
  const uint8_t subsystem = session.getSubsystem();
  return subsystem == readResources_->getAcquisitionSubsystem()  ? 1
         : subsystem == readResources_->getGenerationSubsystem() ? 0
                                                                 : -1;
}

void Device::markListRun(listmodek::Session& session, RunEdge edge) {
  const int lo = loPathOf(session);
  if (lo >= 0) onListRun(static_cast<uint32_t>(lo), edge);
}

// The run flags are set and cleared with the marks, so that a request
// that writes a register looks only at that register's own flag.
void Device::onListRun(uint32_t lo, RunEdge edge) {
  if (readResources_ == nullptr) return;
  const uint8_t bit = static_cast<uint8_t>(1u << (lo == 0 ? 0 : 1));
  const SnoopingManager::internal::RunBits run{edge == RunEdge::kStart ? bit : uint8_t{0},
                                               edge == RunEdge::kEnd ? bit : uint8_t{0}};
  const uint8_t subsystem =
      lo == 0 ? readResources_->getGenerationSubsystem() : readResources_->getAcquisitionSubsystem();
  const uint32_t groups = snoopingManager_ != nullptr ? snoopingManager_->markRecordedDirty(subsystem, run) : 0;
  RfResources* rf = resources_ != nullptr ? resources_->getRfResources() : nullptr;
  if (rf != nullptr) rf->onListRun(lo, groups, run.set, run.clear);
  vlpxiroutingmatrix::PxiTriggerRoutingHost* host =
      ifwResources_ != nullptr ? ifwResources_->getPxiTriggerRoutingHost() : nullptr;
  if (host == nullptr) return;
  host->forgetRecorded(subsystem);
  if (edge != RunEdge::kMayGoOn) host->setRunning(subsystem, edge == RunEdge::kStart);
}

}  // namespace nVL9738K_24_0
