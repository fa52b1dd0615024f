// The board driver's device object, one per board: created by add device
// and owned by the kernel layer's device record until delete device. It
// publishes the two device interfaces and the board's properties, brings
// the board up when the device starts (board object, register maps, FPGA
// image, properties and version checks, power-up, register port) and keeps
// the outcome of each late stage in a deferred status record that every
// later request of that stage's level merges.
#ifndef VL9738K_BOARD_DEVICE_DEVICE_H
#define VL9738K_BOARD_DEVICE_DEVICE_H

#include <stdint.h>

#include "DeviceActivityResources.h"
#include "DeviceProperties.h"
#include "EngineRunRecord.h"
#include "driver/board/LymSupport.h"
#include "driver/board/capabilities/DeviceCapabilities.h"
#include "driver/board/ioctl/fpga/InterfaceTemplate_atomiclymddkqrt.h"
#include "driver/board/resources/DeviceResources.h"
#include "driver/board/routing/RoutingResourcesManager.h"
#include "driver/board/session/OpenSessionList.h"
#include "driver/board/session/Session.h"
#include "driver/board/visa/VisaDispatcher.h"
#include "driver/flash/FlashPartitionManager.h"
#include "driver/fpgasession/AtomicLymDeviceState.h"
#include "driver/fpgasession/AtomicLymInterface.h"
#include "driver/fpgasession/AtomicLymSession.h"
#include "driver/listmode/snooping/ListModeRegisterReadResources.h"
#include "driver/listmode/snooping/SnoopingManager.h"
#include "driver/platform/device/tDeviceInterface.h"
#include "driver/platform/pci/tPCIDevice.h"
#include "driver/platform/sync/tMutex.h"
#include "driver/platform/sync/tWaitQueue.h"
#include "driver/regport/RegisterPort.h"
#include "driver/rf/settling/SettlingTimerHandler.h"

namespace vlpxiroutingmatrix {
class PxiRouteProgrammer;
class PxiTriggerRoutingHost;
}  // namespace vlpxiroutingmatrix

namespace topSerapinReferenceFpga {
class RoutingResources;
}  // namespace topSerapinReferenceFpga
namespace ov3ifw {
class OV3IFWResources;
}

namespace nVL9738K_24_0 {

// Defined only in a module built for tests, never in the packaged one: a
// reset then brings a board that has started leaving up again and reopens
// its gate, as it once did, so that the scenario runner can show it finds
// and replays that fault.
#ifdef VL_REOPEN_FAULT_RESET_AFTER_REMOVAL
constexpr bool kResetBringsUpALeavingBoard = true;
#else
constexpr bool kResetBringsUpALeavingBoard = false;
#endif

class Device final : public nVLAPAL000::tPCIDevice {
 public:
  using tStatus = nVLAPALS100::tStatus;
  using tBoard = LymSupport<Device>;

  // The deferred bring-up records, by the driver status level that merges
  // each (level 0 merges none).
  enum DriverStatusLevel : uint32_t {
    kLevelNone = 0,
    kLevelFpgaImage = 1,
    kLevelProperties = 2,
    kLevelPowerUp = 3,
    kLevelLateInitialization = 4,
  };
  static constexpr uint32_t kRecordCount = 4;

  static constexpr const char kMainInterfaceName[] = "vl9738_vl9738k";
  static constexpr const char kFpgaInterfaceName[] = "vl9738_atomiclymddkqrt";
  static constexpr uint32_t kInterfaceCount = 2;
  // What the board's version checks accept.
  static constexpr uint32_t kOldestFpgaVersion = 11;
  static constexpr uint32_t kNewestFpgaVersion = 12;
  static constexpr const char kOldestDriverVersion[] = "1.0.0a0";
  static constexpr const char kNewestDriverVersion[] = "1.0.0f0";

  // Builds the interface user mode drives the board through; without one
  // the device publishes a bare interface whose requests are all unknown.
  using tInterfaceFactory = nVLAPAL000::tDeviceInterface* (*)(Device& device, const char* name, tStatus& status);

  Device(const nVLAPAL000::tPCIInformation& information, tStatus& status) : Device(information, nullptr, status) {}
  Device(const nVLAPAL000::tPCIInformation& information, tInterfaceFactory mainInterface, tStatus& status);
  ~Device() override;

  nVLAPAL000::tDeviceInterface** getDeviceInterfaces() override { return interfaces_; }
  nVLAPAL000::tProperty** getDeviceProperties() override { return properties_.getList(); }
  void start(nVLAPAL000::tEventDescriptor& descriptor, tStatus& status) override;
  // Creation is serialised with requests by the session lock and passes
  // the gate, so no session opens in the middle of a reset.
  nVLAPAL000::tSession* createSession(nVLAPAL000::tEventDescriptor& descriptor, nVLAPAL000::tDeviceInterface* interface,
                                      tStatus& status) override;
  void destroySession(nVLAPAL000::tEventDescriptor& descriptor, nVLAPAL000::tSession* session) override;
  void createIONotifier(nVLAPAL000::tEventDescriptor& descriptor, uint32_t type, nVLAPAL000::tIONotifierParams& params,
                        tStatus& status) override;
  void destroyIONotifier(nVLAPAL000::tEventDescriptor& descriptor, uint32_t type) override;

  // What the request guard checks once admitted: the deferred record of
  // `level` (above the last level, the last record), then the session.
  void checkDeferredStatus(uint32_t level, nVLAPAL000::tSession* session, tStatus& status);
  // The deferred outcome of the bring-up as the initialisation-status
  // request asks for it: 1 the properties, 0 and 2 properties and power-up.
  void mergeDeferredStatus(uint32_t which, tStatus& status);

  void stop(nVLAPAL000::tEventDescriptor& descriptor) override;
  // Hands the routing resources back to the sessions registered since a
  // quiesce, then opens the gate.
  void openStateGate(nVLAPAL000::tEventDescriptor& descriptor) override;
  // Never refuses: open sessions only lose their routing until the gate
  // opens again.
  bool quiesce(nVLAPAL000::tEventDescriptor& descriptor, uint32_t reason, bool refuseIfOpen) override;
  // Takes the board down and brings it up again with the requests drained;
  // the gate opens afterwards whatever the bring-up answered, unless the
  // board has started leaving (then the reset answers the gate closed, or
  // leaves it closed).
  void reset(tStatus& status);
  // After every temperature reading: powers the board down when `celsius`
  // reaches the capability record's limit or the FPGA reports overheating.
  void thermalShutdown(int32_t celsius, tStatus& status);

  void initializeHardware(tStatus& status);
  void downloadFpgaImage(tStatus& status);
  // Around every FPGA download, run by the board object.
  void prepareForFpgaDownload(tStatus& status);
  void completeInitialization(tStatus& status);
  // Once the FPGA's routing matrix is found (`host`, null when the design
  // has none): a route programmer over it and the board's routing
  // resources, made current for every registered session.
  void setUpRouting(vlpxiroutingmatrix::PxiTriggerRoutingHost* host, tStatus& status);
  void buildDeviceProperties(tStatus& status);
  void checkVersionCompatibility(tStatus& status);

  // The board's calibration flash: the partition store (none when its
  // bring-up stage failed), the PCI subsystem id and the capability block
  // with new firmware revisions, which the capabilities record takes at once.
  qrtk::FlashPartitionManager* getFlashPartitionManager() const { return flash_; }
  void programSubsystemId(uint16_t id, tStatus& status);
  void writeCapabilities(uint32_t firmwareRevision, uint32_t oldestFirmwareRevision, tStatus& status);

  // The deferred record a request of `level` merges; null for level 0 and
  // for levels that do not exist.
  const tStatus* getDriverStatus(uint32_t level) const;
  uint32_t getFpgaSessionGeneration() const { return fpgaSessionGeneration_; }
  uint32_t getMainSessionGeneration() const { return mainSessionGeneration_; }
  uint64_t getSerialNumber() const { return serialNumber_; }
  const DeviceCapabilities& getCapabilities() const { return capabilities_; }
  VisaDispatcher& getVisaDispatcher() { return visa_; }
  tBoard* getBoard() const { return board_; }
  DeviceResources* getDeviceResources() const { return resources_; }
  vlregport::RegisterPort* getRegisterPort() const { return registerPort_; }
  DeviceActivityResources& getDeviceActivityResources() { return activities_; }

  // A new reservation client for a session, with a new id or attached to
  // `id`; null when none could be made. The session owns it.
  rfyulreserve_impl::ReservationClient* setReservationDescriptor(const char* descriptor, tStatus& status);
  rfyulreserve_impl::ReservationClient* setReservationDescriptorAndClientID(const char* descriptor,
                                                                            rfyulreserve::ReservationClientID id,
                                                                            tStatus& status);
  RoutingResourcesManager& getRoutingResourcesManager() { return routing_; }
  topSerapinReferenceFpga::RoutingResources* getBoardRoutingResources() const { return boardRouting_; }
  vlpxiroutingmatrix::PxiRouteProgrammer* getRouteProgrammer() const { return routeProgrammer_; }
  nVLAPAL000::tMutex& getSessionLock() { return sessionLock_; }
  nVLAPAL000::tMutex& getResetLock() { return resetLock_; }
  nVLAPAL000::tMutex& getRoutingLock() { return routing_.getLock(); }
  cbak::SettlingTimerHandler& getSettlingTimerHandler(uint32_t lo) { return lo == 0 ? lo0Settling_ : lo1Settling_; }

  // The session when it belongs to the main interface, else null.
  Session* asMainSession(nVLAPAL000::tSession* session);

  // Request-facing operations.
  // The board answers with its signature and each CPLD reports ready; all
  // four are read even after a failure, the first failure is kept.
  void verifyBoard(tStatus& status);
  uint32_t getModuleRev(uint32_t selector, tStatus& status) const;
  void getFirmwareRev(uint32_t& current, uint32_t& oldest) const;
  // The packed newest (which 0) or oldest (which 1) firmware revision the
  // driver accepts.
  uint32_t getDriverAttributeU32(uint32_t attribute, uint32_t which, tStatus& status) const;
  void configurePersonalityOptions(const uint32_t (&options)[4], tStatus& status) const;

  // List-mode commit snooping (DeviceSnooping.cpp). Attaches what records
  // a commit of the session's engine: the register-read resources, the
  // snooping manager, then the primitives of the engine's LO path.
  void startCommitSnooping(listmodek::Session* session, tStatus& status);
  // Before a start by a session that recorded nothing: the engine runs
  // whatever list it holds, so the LO path's policies and primitives must
  // hear of the start all the same.
  void attachListStartListeners(listmodek::Session* session, tStatus& status);
  using RunEdge = ListRunEdge;
  // The device marks each start and end of a run itself, not through the
  // session's listeners, which a new recording empties: the run writes the
  // registers and routes that any recording on the engine of LO path `lo`
  // wrote since the device was added, whichever list it runs. Their shadows,
  // the policies and primitives that own them, and the routing matrix's
  // cached routes stop vouching for the hardware; from a start to its end,
  // writes of those registers go out even when their shadows hold the
  // value. A session of no LO path's engine marks nothing.
  void markListRun(listmodek::Session& session, RunEdge edge);
  void onListRun(uint32_t lo, RunEdge edge);
  ov3ifw::OV3IFWResources* getIFWResources() const { return ifwResources_; }
  ListModeRegisterReadResources* getListModeRegisterReadResources() const { return readResources_; }
  SnoopingManager::SnoopingManager* getSnoopingManager() const { return snoopingManager_; }
  // The FPGA side: the state all FPGA sessions share (none until the
  // bring-up built it), the interface's device-wide operations, and the
  // validity check every FPGA-session request starts with.
  using tLymInterface = vllym::AtomicLymInterface<qrtlym::AtomicLymSession>;
  AtomicLymDeviceState* getFpgaState() const { return fpgaState_; }
  tLymInterface& getAtomicLymInterface() { return lymInterface_; }
  void refreshLymSessionValidity(nVLAPAL000::tSession* session);

 private:
  // 0 for a session of the generation engine, 1 of the acquisition
  // engine, -1 for any other.
  int loPathOf(listmodek::Session& session) const;
  void advanceGenerations();
  void retireListModeObjects();
  // Makes every open session stale, then waits for the closes under way.
  void retireSessions();
  // A main session's close enters here: with the session lock held and
  // counted in flight, no release or rebuild of the board objects under
  // way (the lock order is written where it is decided).
  void beginMainClose();
  // Around every release and rebuild of the board objects that runs
  // without the session lock: a reset, a stop, a start.
  void beginBoardReplacement();
  void endBoardReplacement();
  // Every main session an FPGA download or an over-temperature shutdown
  // made stale gives up its reservation client and list-mode session at
  // once, as it would at its next request: both outlive the event, and an
  // idle stale client would keep locking the others out of what it held.
  // Under the session lock, which the caller holds already, so that no
  // request of these sessions is under way.
  void releaseStaleSessions();
  void releaseHardware();
  void recordFailedBringUp(const tStatus& status);
  bool requireBoardObjects(tStatus& status) const;
  void acquireResetLock();
  void releaseResetLock();
  // The board is ready and no quiesce has begun: a reset or a shutdown
  // may open the gate as it ends.
  bool takesRequests() const;
  bool acceptsReset(tStatus& status) const;
  void reopenGateUnlessLeaving();
  void powerOff(tStatus& status);
  void replaceBoard(tStatus& status);
  void replaceDeviceResources(tStatus& status);
  void createFlashPartitionManager(tStatus& status);
  void releaseFlashPartitionManager();
  // Takes the resources from every session; the resources stay.
  void detachRoutingSessions();
  // Detaches the sessions and destroys the resources, then the programmer
  // they program through.
  void releaseRouting();
  void reportBringUp() const;
  void replaceReadResources(tStatus& status);
  void releaseSnooping(tStatus& status);
  // Late initialisation of the engines (DeviceLateInit.cpp).
  void setUpEngines(tStatus& late);
  void installSettlingControls(tStatus& late);
  void setUpSnooping(tStatus& late);
  void releaseEngineResources();
  void replaceFpgaState(tStatus& status);
  // Moves the state epoch on, then waits for the FPGA-session closes
  // counted in it (their waits ended first) before the state goes.
  void releaseFpgaState();
  // An FPGA session's close, counted among the closes that may be in the
  // state; it holds no lock while it gives the session's holdings back.
  void closeLymSession(nVLAPAL000::tSession* session);
  // Before a reset, stop or removal drains (the reset lock held): ends
  // every FPGA-session wait, which holds its admission and would hold up
  // the drain for ever.
  void endFpgaWaits();
  nVLAPAL000::tSession* createLymSession(nVLAPAL000::tDeviceInterface* interface, tStatus& status);

  nVLAPAL000::tDeviceInterface* mainInterface_;
  tInterfaceTemplate_atomiclymddkqrt fpgaInterface_;
  nVLAPAL000::tDeviceInterface* interfaces_[kInterfaceCount + 1];
  uint64_t serialNumber_;
  DeviceProperties properties_;
  DeviceCapabilities capabilities_;
  VisaDispatcher visa_;
  DeviceActivityResources activities_;
  tBoard* board_;
  DeviceResources* resources_;
  qrtk::FlashPartitionManager* flash_;
  // Where the store's sequence numbers of ids entering start (past 2 x id),
  // kept for the device's life so that a bring-up hands out none of the
  // numbers an earlier one did; 64 bits, so it never wraps and never moves
  // back.
  uint64_t flashNumberOffset_ = 0;
  nVLAPAL000::tMutex sessionLock_;
  // The main sessions open, under the session lock.
  OpenSessionList openSessions_;
  // The bring-up's own download: no session may be walked from it (a reset
  // runs without the session lock, and every session is stale anyway).
  bool bringUpDownload_ = false;
  // FPGA-session closes under way, and the event set when the last one
  // leaves: the FPGA state is not released while one is counted.
  uint32_t fpgaCloses_ = 0;
  nVLAPAL000::tEvent fpgaClosesDrained_;
  // Resets, stops and starts releasing or rebuilding the board objects, and
  // the event set when the last one ends: main closes wait for it.
  uint32_t boardReplacements_ = 0;
  nVLAPAL000::tEvent boardObjectsStand_;
  nVLAPAL000::tMutex resetLock_;
  tStatus records_[kRecordCount];
  uint32_t fpgaSessionGeneration_;
  uint32_t mainSessionGeneration_;
  // Moves before the objects a list-mode session leans on go (the engines,
  // the snooping manager, the read resources, the primitives), and before
  // any drain that lets them go: a session dropped after a failure ends its
  // recording on them only when they are the ones it was given.
  uint32_t listModeEpoch_ = 0;
  // Who holds the reset lock's claim: a reset or an over-temperature
  // shutdown. The kernel layer has no try-lock, so a shutdown entered from
  // an admitted request looks here before it would wait for a reset that
  // is waiting for that very request.
  uint32_t resetClaim_;
  // The gate a quiesce set, under the reset lock; open once the board is
  // ready again.
  uint32_t quiescedGate_ = nVLAPAL000::kGateOpen;
  // Its lock is the device's routing lock.
  RoutingResourcesManager routing_;
  vlpxiroutingmatrix::PxiRouteProgrammer* routeProgrammer_;
  topSerapinReferenceFpga::RoutingResources* boardRouting_;
  vlregport::RegisterPort* registerPort_;
  // LO0 settles with the generation engine, LO1 (and the cross switch)
  // with the acquisition engine; the engines' controls are attached once
  // they exist. LO1's goes first.
  cbak::SettlingTimerHandler lo0Settling_{nullptr, nullptr};
  cbak::SettlingTimerHandler lo1Settling_{nullptr, nullptr};
  // Snooping (DeviceSnooping.cpp).
  ListModeRegisterReadResources* readResources_ = nullptr;
  ov3ifw::OV3IFWResources* ifwResources_ = nullptr;
  SnoopingManager::SnoopingManager* snoopingManager_ = nullptr;
  // Of the generation (LO0) and the acquisition (LO1) engine, for the
  // device's life.
  EngineRunRecord runRecords_[2];
  AtomicLymDeviceState* fpgaState_ = nullptr;
  // Moves whenever the FPGA state goes: a session opened on an older state
  // must not reach into it.
  uint32_t fpgaStateEpoch_ = 0;
  tLymInterface lymInterface_{this};
};

}  // namespace nVL9738K_24_0

#endif
