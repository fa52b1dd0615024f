// The device's routing: the route programmer over the FPGA's routing matrix
// and the board's routing resources over that programmer, handed to the
// routing sessions through the manager, whose lock is the routing lock.
#include "Device.h"
#include "driver/board/routing/TopSerapinReferenceFpgaRoutingResources.h"
#include "driver/routing/pxi/PxiRouteProgrammer.h"

namespace nVL9738K_24_0 {

using nVLAPAL000::tAutoLock;
using nVLAPAL000::tMutex;

namespace {

constexpr vlpxiroutingmatrix::ExpectedVersion kKnownMatrixVersions[] = {
    vlpxiroutingmatrix::PxiTriggerRoutingHost::kVersion200, vlpxiroutingmatrix::PxiTriggerRoutingHost::kVersion100};

}  // namespace

void Device::detachRoutingSessions() {
  tAutoLock<tMutex> lock(routing_.getLock());
  routing_.clearRoutingResources();
}

// The resources may still unprogram routes as they go, through the
// programmer: they go first. The lock keeps a gate opening from handing
// out resources that are going.
void Device::releaseRouting() {
  tAutoLock<tMutex> lock(routing_.getLock());
  routing_.clearRoutingResources();
  delete boardRouting_;
  boardRouting_ = nullptr;
  delete routeProgrammer_;
  routeProgrammer_ = nullptr;
}

void Device::setUpRouting(vlpxiroutingmatrix::PxiTriggerRoutingHost* host, tStatus& status) {
  if (status.isFatal()) return;
  tAutoLock<tMutex> lock(routing_.getLock());
  routing_.clearRoutingResources();
  if (host != nullptr) {
    auto* programmer = new (status, nVLAPAL000::kAllocationKindPlain) vlpxiroutingmatrix::PxiRouteProgrammer(host);
    if (programmer == nullptr) return;
    const uint32_t blockVersion = host->getBlockVersion();
    auto* resources = new (status, nVLAPAL000::kAllocationKindPlain) topSerapinReferenceFpga::RoutingResources(
        programmer, status, &topSerapinReferenceFpga::RoutingResources::platformResize, nullptr, nullptr);
    if (resources == nullptr || status.isFatal()) {
      delete resources;
      delete programmer;
      return;
    }
    // Old resources go before the old programmer they program through.
    delete boardRouting_;
    boardRouting_ = resources;
    delete routeProgrammer_;
    routeProgrammer_ = programmer;
    // A block of another version can be routed on paper but never
    // programmed: the host refuses until it is told what to expect.
    for (const vlpxiroutingmatrix::ExpectedVersion& known : kKnownMatrixVersions) {
      if (blockVersion != known.blockVersion) continue;
      host->setExpectedVersion(known);
      break;
    }
  }
  routing_.setRoutingResources(boardRouting_);
}

void Device::openStateGate(nVLAPAL000::tEventDescriptor& descriptor) {
  {
    tAutoLock<tMutex> lock(routing_.getLock());
    if (boardRouting_ != nullptr) routing_.setRoutingResources(boardRouting_);
  }
  acquireResetLock();
  quiescedGate_ = nVLAPAL000::kGateOpen;
  tPCIDevice::openStateGate(descriptor);
  releaseResetLock();
}

}  // namespace nVL9738K_24_0
