#include "Device.h"

#include "FpgaImagePages.h"
#include "driver/board/capabilities/ReadDeviceCapabilities.h"
#include "driver/board/version/VersionUtils.h"
#include "driver/engines/OV3IFWResources.h"
#include "driver/fpga/FpgaImage.h"
#include "driver/platform/debug/Vlsdbg.h"
#include "driver/platform/memory/Memory.h"
#include "driver/platform/sync/Atomic.h"
#include "driver/platform/sync/tWaitQueue.h"

namespace nVL9738K_24_0 {

namespace {

enum Record : uint32_t { kFpgaImageRecord, kPropertiesRecord, kPowerUpRecord, kLateRecord };

}  // namespace

Device::Device(const nVLAPAL000::tPCIInformation& information, tInterfaceFactory mainInterface, tStatus& status)
    : tPCIDevice(information, status),
      mainInterface_(nullptr),
      fpgaInterface_(this, kFpgaInterfaceName),
      interfaces_{nullptr, &fpgaInterface_, nullptr},
      serialNumber_(~uint64_t{0}),
      capabilities_{},
      visa_(*this, status),
      activities_(status),
      board_(nullptr),
      resources_(nullptr),
      flash_(nullptr),
      sessionLock_(status),
      fpgaClosesDrained_(true, false, status),
      boardObjectsStand_(true, false, status),
      resetLock_(status),
      records_(),
      fpgaSessionGeneration_(0),
      mainSessionGeneration_(0),
      resetClaim_(0),
      routing_(status),
      routeProgrammer_(nullptr),
      boardRouting_(nullptr),
      registerPort_(nullptr) {
  DeviceCapabilities::initialize(capabilities_);
  if (status.isFatal()) return;
  mainInterface_ = mainInterface != nullptr ? mainInterface(*this, kMainInterfaceName, status)
                                            : new (status, nVLAPAL000::kAllocationKindPlain)
                                                  nVLAPAL000::tDeviceInterface(this, kMainInterfaceName);
  // A device without its main interface publishes none: add device fails.
  if (mainInterface_ != nullptr) interfaces_[0] = mainInterface_;
}

// The routing sessions are told before their resources go; what depends
// on the board goes before the board.
Device::~Device() {
  if (routing_.getLock().isValid()) releaseRouting();
  releaseFlashPartitionManager();
  releaseEngineResources();
  tStatus local;
  releaseSnooping(local);
  delete registerPort_;
  delete resources_;
  delete readResources_;
  releaseFpgaState();
  delete board_;
  delete mainInterface_;
}

void Device::advanceGenerations() {
  nVLAPAL000::atomicIncrement(fpgaSessionGeneration_);
  nVLAPAL000::atomicIncrement(mainSessionGeneration_);
}

void Device::retireListModeObjects() { nVLAPAL000::atomicIncrement(listModeEpoch_); }

// Every caller has raised the board replacement first: a close counted
// after it steps back out until the board objects stand again, and one
// counted before it is waited for here. The list-mode epoch moves with the
// generations: every caller releases the board objects next.
void Device::retireSessions() {
  retireListModeObjects();
  advanceGenerations();
  tStatus forever;
  waitForDrain(false, forever, nVLAPAL000::kWaitForever);
}

// Everything that reaches the board goes, the board object last.
void Device::releaseHardware() {
  releaseFlashPartitionManager();
  // The routing goes before the engine resources that own its host.
  releaseRouting();
  releaseEngineResources();
  tStatus local;
  releaseSnooping(local);
  delete resources_;
  resources_ = nullptr;
  delete registerPort_;
  registerPort_ = nullptr;
  releaseFpgaState();
  delete board_;
  board_ = nullptr;
}

// A reset runs unadmitted, so the drain before this does not wait for it:
// the reset lock keeps its bring-up and this release apart.
void Device::stop(nVLAPAL000::tEventDescriptor&) {
  acquireResetLock();
  beginBoardReplacement();
  // A removal's quiesce has ended the FPGA waits already, but a stop after
  // a suspension comes without one: its drains must not wait on them.
  endFpgaWaits();
  retireSessions();
  releaseHardware();
  endBoardReplacement();
  releaseResetLock();
}

// A reset or an over-temperature shutdown under way when the gate closes
// opens it again as it ends, the state being still ready: once it has,
// the gate is set again under the reset lock, and those that come later
// find the board quiesced and leave the gate alone. The stop's drain
// follows; the reset lock keeps a reset's new state apart.
bool Device::quiesce(nVLAPAL000::tEventDescriptor&, uint32_t reason, bool) {
  const uint32_t gate = reason < 2 ? nVLAPAL000::kGateClosed : nVLAPAL000::kGateSuspended;
  setGate(gate);
  acquireResetLock();
  quiescedGate_ = gate;
  setGate(gate);
  if (reason < 2) endFpgaWaits();
  releaseResetLock();
  detachRoutingSessions();
  flushPendingAsyncIO();
  return true;
}

void Device::reset(tStatus& status) {
  advanceGenerations();
  if (status.isFatal()) return;
  acquireResetLock();
  if (!acceptsReset(status)) return releaseResetLock();
  beginBoardReplacement();
  // Closing wakes the requests waiting at the gate so they fail; the reset
  // itself was never admitted, so the drain does not wait for it.
  setGate(nVLAPAL000::kGateClosed);
  endFpgaWaits();
  nVLAPALS100::tStatus forever;
  waitForDrain(false, forever, nVLAPAL000::kWaitForever);
  // Sessions opened while the reset was starting are stale as well.
  retireSessions();
  releaseHardware();
  // The records told of the hardware just released; a bring-up that stops
  // early writes none of them again.
  for (tStatus& record : records_) record.clear();
  initializeHardware(status);
  recordFailedBringUp(status);
  endBoardReplacement();
  reopenGateUnlessLeaving();
  releaseResetLock();
}

// The gate opens after a failed bring-up too, with some of the board
// objects gone: every level answers the bring-up's error, the late record
// included, whatever stage the bring-up reached. Records written only after
// the download keep their own errors and are not copied further.
void Device::recordFailedBringUp(const tStatus& status) {
  if (status.isNotFatal()) return;
  for (tStatus& record : records_) record.merge(status);
  // The kernel log's line must name what the guards now answer first, also
  // when the bring-up stopped before reporting or reported before failing.
  reportBringUp();
}

const nVLAPALS100::tStatus* Device::getDriverStatus(uint32_t level) const {
  if (level == kLevelNone || level > kRecordCount) return nullptr;
  return &records_[level - 1];
}

// A start after a suspension's stop finds the sessions of before still
// open, and their closes may run: they wait out the bring-up as they wait
// out a reset's. Nothing is admitted before the gate opens, so the drain
// waits only for the closes counted before the replacement was raised.
void Device::start(nVLAPAL000::tEventDescriptor&, tStatus& status) {
  quiescedGate_ = nVLAPAL000::kGateOpen;
  nVLAPAL000::atomicIncrement(fpgaSessionGeneration_);
  nVLAPAL000::atomicIncrement(mainSessionGeneration_);
  beginBoardReplacement();
  tStatus forever;
  waitForDrain(false, forever, nVLAPAL000::kWaitForever);
  if (status.isNotFatal()) initializeHardware(status);
  endBoardReplacement();
}

nVLAPAL000::tSession* Device::createSession(nVLAPAL000::tEventDescriptor&, nVLAPAL000::tDeviceInterface* interface,
                                            tStatus& status) {
  nVLAPAL000::tAutoLock<nVLAPAL000::tMutex> lock(sessionLock_);
  const bool admitted = beginIO(nullptr, status, nVLAPAL000::kWaitForever);
  if (status.isFatal()) {
    if (admitted) endIO(nullptr);
    return nullptr;
  }
  nVLAPAL000::tSession* session = nullptr;
  if (interface == mainInterface_) {
    session = new (status, nVLAPAL000::kAllocationKindPlain)
        Session(interface, mainSessionGeneration_, listModeEpoch_, routing_, routing_.getLock(), status);
  } else if (interface == &fpgaInterface_) {
    session = createLymSession(interface, status);
  } else {
    status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE);
  }
  if (session != nullptr && status.isFatal()) {
    delete session;
    session = nullptr;
  }
  if (Session* main = asMainSession(session)) openSessions_.add(*main);
  if (admitted) endIO(nullptr);
  return session;
}

void Device::destroySession(nVLAPAL000::tEventDescriptor&, nVLAPAL000::tSession* session) {
  if (session != nullptr && session->getInterface() == &fpgaInterface_) return closeLymSession(session);
  // A main session's close ends its commit through the engine's listeners.
  // It runs whatever the gate says, outside any release or rebuild of the
  // board objects, with the session lock held and counted in flight.
  beginMainClose();
  // The close of the session that started a run stops it; the device marks
  // the run's end itself, as an abort request does: only when the stop
  // answered that the engine stopped. A stale session leaves its engine
  // alone: the bring-up or the download that made it stale ended its run;
  // after a refused download or an over-temperature shutdown the run stays
  // marked until one of those, or until a later start's abort stops it.
  int lo = -1;
  tStatus stopped;
  if (Session* main = asMainSession(session)) {
    tStatus valid;
    main->checkValid(valid);
    listmodek::Session* list = main->getListModeSession();
    if (list != nullptr && list->isRunning()) {
      lo = loPathOf(*list);
      list->close(stopped);
    }
    openSessions_.remove(*main);
  }
  delete session;
  if (lo >= 0) onListRun(static_cast<uint32_t>(lo), stopped.isNotFatal() ? RunEdge::kEnd : RunEdge::kMayGoOn);
  endIO(nullptr);
  sessionLock_.release();
}

// The order of a main close against a reset, a stop or a start, which
// release and rebuild the board objects under the reset lock (or, for a
// start, before the gate ever opens) without the session lock:
//   - The close takes the session lock first and counts itself in flight
//     only then: a request parked at a suspended gate holds that lock, and
//     no drain may wait for a close behind it.
//   - Counted, it looks at the replacement. Raised, the close steps back
//     out (uncounted, the session lock released) and waits holding no
//     lock: a replacement drains admitted requests, and an admitted FPGA
//     download takes the session lock again before it ends.
//   - The count and the replacement are both read and written in one total
//     order: either the replacement's drain sees the close counted and
//     waits for it to end, or the close sees the replacement and leaves.
// The close never takes the reset lock, so a shutdown's claim of it and a
// suspension's quiesce never wait behind one. An FPGA download tears down
// and rebuilds what it replaces with the session lock held, and an
// over-temperature shutdown frees nothing: a close orders itself against
// both by the session lock alone.
void Device::beginMainClose() {
  for (;;) {
    sessionLock_.acquire();
    beginUnadmittedIO();
    if (nVLAPAL000::atomicLoad(boardReplacements_) == 0) return;
    endIO(nullptr);
    sessionLock_.release();
    tStatus forever;
    while (nVLAPAL000::atomicLoad(boardReplacements_) != 0) {
      boardObjectsStand_.wait(nVLAPAL000::kWaitForever, false, forever);
    }
    // Every close waiting wakes in turn.
    boardObjectsStand_.set();
  }
}

// Raised before the replacement's first drain, under the reset lock or
// before the gate first opens; a count, so that it stays raised until the
// last of two overlapping replacements ends.
void Device::beginBoardReplacement() { nVLAPAL000::atomicIncrement(boardReplacements_); }

void Device::endBoardReplacement() {
  if (nVLAPAL000::atomicDecrement(boardReplacements_) == 0) boardObjectsStand_.set();
}

Session* Device::asMainSession(nVLAPAL000::tSession* session) {
  if (session == nullptr || session->getInterface() != mainInterface_) return nullptr;
  return static_cast<Session*>(session);
}

void Device::createIONotifier(nVLAPAL000::tEventDescriptor& descriptor, uint32_t type,
                              nVLAPAL000::tIONotifierParams& params, tStatus& status) {
  Session* session = asMainSession(descriptor.session);
  if (session != nullptr) session->createIONotifier(type, params, status);
}

void Device::destroyIONotifier(nVLAPAL000::tEventDescriptor& descriptor, uint32_t type) {
  Session* session = asMainSession(descriptor.session);
  if (session != nullptr) session->destroyIONotifier(type);
}

void Device::checkDeferredStatus(uint32_t level, nVLAPAL000::tSession* session, tStatus& status) {
  if (status.isFatal()) return;
  if (level > kLevelLateInitialization) level = kLevelLateInitialization;
  const tStatus* record = getDriverStatus(level);
  if (record != nullptr) status.merge(*record);
  Session* main = asMainSession(session);
  if (main != nullptr) main->checkValid(status);
}

void Device::mergeDeferredStatus(uint32_t which, tStatus& status) {
  switch (which) {
    case 1:
      status.merge(records_[kPropertiesRecord]);
      return;
    case 0:
    case 2:
      status.merge(records_[kPropertiesRecord]);
      status.merge(records_[kPowerUpRecord]);
      return;
    default:
      status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
  }
}

void Device::initializeHardware(tStatus& status) {
  configureDMA(nVLAPAL000::tDMAConfiguration::kDMAType64Bit, status);
  replaceBoard(status);
  if (status.isFatal()) return;
  replaceFpgaState(status);
  replaceReadResources(status);
  replaceDeviceResources(status);
  records_[kFpgaImageRecord].clear();
  records_[kPropertiesRecord].clear();
  records_[kPowerUpRecord].clear();
  downloadFpgaImage(status);
  records_[kFpgaImageRecord].merge(status);
  createFlashPartitionManager(records_[kFpgaImageRecord]);
  records_[kPropertiesRecord].merge(records_[kFpgaImageRecord]);
  buildDeviceProperties(records_[kPropertiesRecord]);
  checkVersionCompatibility(records_[kPropertiesRecord]);
  records_[kPowerUpRecord].merge(records_[kPropertiesRecord]);
  reportBringUp();
  if (status.isFatal()) return;
  setGate(nVLAPAL000::kGateOpen);
}

void Device::replaceBoard(tStatus& status) {
  if (status.isFatal()) return;
  tBoard* board = new (status, nVLAPAL000::kAllocationKindPlain) tBoard(*this, status);
  if (board == nullptr) return;
  // A board object that could not be built whole is none: the handlers
  // find no board rather than one with parts missing.
  if (status.isFatal()) {
    delete board;
    return;
  }
  // The store stands on the old board's flash controller.
  releaseFlashPartitionManager();
  // The FPGA state reaches into the board it was built on.
  releaseFpgaState();
  delete board_;
  board_ = board;
}

void Device::replaceDeviceResources(tStatus& status) {
  if (status.isFatal()) return;
  retireListModeObjects();
  TICDCE18005Accessor* clockBuffer = board_->getTICDCE18005Accessor(status);
  DeviceResources* resources = new (status, nVLAPAL000::kAllocationKindPlain)
      DeviceResources(board_->getFixedLogicIoAccessor(), clockBuffer, &activities_.getReservationManager(),
                      &lo0Settling_, &lo1Settling_, readResources_, status);
  if (resources == nullptr) return;
  // Half-built (a map that could not be allocated): destroyed, so that no
  // handler reaches a map that is not there.
  if (status.isFatal()) {
    delete resources;
    return;
  }
  delete resources_;
  resources_ = resources;
}

void Device::downloadFpgaImage(tStatus& status) {
  if (status.isFatal()) return;
  FpgaImagePages pages(status);
  pages.unpack(vllym::FpgaImage::embeddedData(), vllym::FpgaImage::embeddedSize(), status);
  if (status.isFatal()) return;
  bringUpDownload_ = true;
  board_->programFpga(pages.getPageList(), status);
  bringUpDownload_ = false;
}

void Device::prepareForFpgaDownload(tStatus& status) {
  // Every main-interface session opened before the download is stale from
  // now on; FPGA-interface sessions stay valid.
  nVLAPAL000::atomicIncrement(mainSessionGeneration_);
  // A download refused before it began keeps every object: a session it
  // made stale still ends its recording on them.
  if (status.isNotFatal()) {
    // The download stops both engines: their runs end here, while the
    // snooping manager that reaches the registers they wrote still stands.
    // A bring-up's maps and policies are new and were never marked.
    if (!bringUpDownload_) {
      onListRun(0, RunEdge::kEnd);
      onListRun(1, RunEdge::kEnd);
    }
    retireListModeObjects();
    // The routing goes first: its programmer writes through the routing
    // matrix's host, which the engine resources own.
    releaseRouting();
    releaseEngineResources();
    releaseSnooping(status);
    delete registerPort_;
    registerPort_ = nullptr;
    records_[kLateRecord].clear();
  }
  if (!bringUpDownload_) releaseStaleSessions();
}

void Device::releaseStaleSessions() {
  nVLAPAL000::tAutoLock<nVLAPAL000::tMutex> lock(sessionLock_);
  openSessions_.forEach([](Session& session) {
    if (!session.isStale()) return;
    tStatus stale;
    session.checkValid(stale);
  });
}

void Device::completeInitialization(tStatus& status) {
  tStatus& late = records_[kLateRecord];
  if (board_ == nullptr) {
    // No board object: the bring-up stopped early, and the FPGA-image
    // record says why when it knows.
    status.merge(records_[kFpgaImageRecord]);
    status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE);
    return;
  }
  if (resources_ != nullptr) resources_->invalidateRegisterCaches();
  records_[kPowerUpRecord].merge(records_[kPropertiesRecord]);
  if (resources_ != nullptr) {
    resources_->powerUp(records_[kPowerUpRecord]);
  } else {
    records_[kPowerUpRecord].setCode(nVLAPALS100::kStatusNotAccessible, VL_SITE);
  }
  late.merge(records_[kPropertiesRecord]);
  if (late.isNotFatal()) {
    auto* port =
        new (late, nVLAPAL000::kAllocationKindPlain) vlregport::RegisterPort(board_->getRegPortAccessor(), late);
    delete registerPort_;
    registerPort_ = port;
  }
  setUpEngines(late);
  // Routing comes last, over the engines' trigger routing host.
  if (late.isNotFatal() && status.isNotFatal()) {
    setUpRouting(ifwResources_ != nullptr ? ifwResources_->getPxiTriggerRoutingHost() : nullptr, status);
  }
  // After a download from an FPGA session these are the records the
  // requests now answer first; a full bring-up reports its own at the end.
  reportBringUp();
}

void Device::buildDeviceProperties(tStatus& status) {
  if (status.isFatal()) return;
  properties_.build(*this, serialNumber_, status);
  readDeviceCapabilities(*this, capabilities_, status);
}

void Device::checkVersionCompatibility(tStatus& status) {
  if (status.isFatal()) return;
  checkVersionRange(capabilities_.oldestModuleRevision(), capabilities_.moduleRevision(), kOldestFpgaVersion,
                    kNewestFpgaVersion, true, status);
  if (status.isFatal()) return;
  const uint32_t oldest = parseVersionString(kOldestDriverVersion, status);
  const uint32_t newest = parseVersionString(kNewestDriverVersion, status);
  checkVersionRange(capabilities_.oldestFirmwareRevision(), capabilities_.firmwareRevision(), oldest, newest, false,
                    status);
}

// One line in the kernel log per bring-up: the four deferred records.
void Device::reportBringUp() const {
  static constexpr vlsdbg_Location kLocation{__FILE__, __LINE__, "\n"};
  vlsdbg_printLine(&kLocation, "bring-up: FPGA image %lld, properties %lld, power-up %lld, late initialisation %lld",
                   static_cast<long long>(records_[kFpgaImageRecord].getCode()),
                   static_cast<long long>(records_[kPropertiesRecord].getCode()),
                   static_cast<long long>(records_[kPowerUpRecord].getCode()),
                   static_cast<long long>(records_[kLateRecord].getCode()));
}

}  // namespace nVL9738K_24_0
