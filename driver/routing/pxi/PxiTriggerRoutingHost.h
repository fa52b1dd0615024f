// The FPGA's PXI trigger routing matrix: one 32-bit route register per
// route (index 0 to 2050, which is also its address in the block), whose
// bit 31 enables the route and whose other bits select what it connects.
// The host identifies the block and checks its versions and sizes once;
// anything wrong stays in a sticky status that every later programming
// answers. Routes are programmed break-before-make: a route is never
// enabled while it still carries data of its old connection, nor left
// enabled while its data changes through a disabled state. Routes of the
// two cached classes keep the value they last took in the hardware, so
// that an unchanged route is not rewritten; a route whose value the host
// cannot vouch for (written into a list-mode recording, a program that
// failed part way, a list run that may have rewritten it) is read from its
// register at its next program.
//
// No lock of its own: the routing resources program under theirs.
#ifndef VL9738K_ROUTING_PXI_PXITRIGGERROUTINGHOST_H
#define VL9738K_ROUTING_PXI_PXITRIGGERROUTINGHOST_H

#include <stdint.h>

#include "RecordedRouteSlots.h"
#include "driver/ifw/ContextInterface.h"
#include "driver/ifw/InstructionTargetMXRM.h"
#include "driver/platform/status/tStatus.h"
#include "driver/regmaps/routing/tPxiRoutingMatrixRegMap.h"

namespace vlpxiroutingmatrix {

namespace codes {

inline constexpr int64_t kVersionMismatch = static_cast<int32_t>(0xBFFA8237u);
inline constexpr int64_t kMatrixTooOld = static_cast<int32_t>(0xBFFA8235u);
inline constexpr int64_t kMatrixTooNew = static_cast<int32_t>(0xBFFA8236u);
inline constexpr int64_t kSizeOutOfRange = static_cast<int32_t>(0xBFFA8238u);
inline constexpr int64_t kRouteIndexOutOfRange = static_cast<int32_t>(0xBFFA823Au);
inline constexpr int64_t kContextTooNew = static_cast<int32_t>(0xBFFA823Cu);
inline constexpr int64_t kContextTooOld = static_cast<int32_t>(0xBFFA823Du);
inline constexpr int64_t kNoHost = static_cast<int32_t>(0xBFFA823Fu);

}  // namespace codes

// Block version, current version, oldest compatible version.
struct ExpectedVersion {
  uint32_t blockVersion;
  uint32_t currentVersion;
  uint32_t oldestCompatibleVersion;
};

class PxiTriggerRoutingHost {
 public:
  static constexpr uint16_t kUid = 103;
  static constexpr uint32_t kLastRouteIndex = 2050;
  static constexpr uint32_t kCacheEntries = 32;
  static constexpr uint32_t kEnable = 0x80000000u;
  static constexpr ExpectedVersion kVersion200{200, 1, 1};
  static constexpr ExpectedVersion kVersion100{100, 1, 1};

  // Reads the block's state into the sticky status when `status` holds no
  // error; what the read finds never reaches `status`.
  PxiTriggerRoutingHost(vlifw::InstructionTarget* target, const vlifw::ContextInterface* context, bool useRouteCache,
                        nVLAPALS100::tStatus& status);
  PxiTriggerRoutingHost(const PxiTriggerRoutingHost&) = delete;
  PxiTriggerRoutingHost& operator=(const PxiTriggerRoutingHost&) = delete;

  static uint16_t getUid() { return kUid; }
  // The matrix block version word; 0 on blocks whose context is version 3
  // or older.
  uint32_t getBlockVersion() const { return blockVersion_; }
  void setExpectedVersion(const ExpectedVersion& expected);
  void programRoute(uint32_t index, uint32_t value, nVLAPALS100::tStatus& status);
  void classifyRoute(uint32_t index, bool& inClassA, bool& inClassB, uint32_t& slot,
                     nVLAPALS100::tStatus& status) const;

  static bool isEnabled(uint32_t value) { return (value & kEnable) != 0; }
  static uint32_t withoutEnable(uint32_t value) { return value & ~kEnable; }
  static uint32_t getOne() { return 1; }

  // Whether the writes go into a list-mode recording instead of the matrix.
  bool isRecording() const { return target_.getTarget()->recordingSubsystem() >= 0; }
  // A list run of the engine of `subsystem` started or ended: it may have
  // written every route its recordings wrote, whose cached values go.
  void forgetRecorded(uint8_t subsystem);
  // From a run's start to its end a program of such a route is not
  // remembered either: the run's next step may rewrite it.
  void setRunning(uint8_t subsystem, bool running);
  // Notes the recorded slots of the engine now at `subsystem` in `record`,
  // which the device keeps across bring-ups, and forgets the routes it
  // holds: a list recorded before this host was built may run again.
  void carryRecord(RecordedRouteSlots& record, uint8_t subsystem);

  const nVLAPALS100::tStatus& getStickyStatus() const { return sticky_; }
  uint32_t getSizeWord(uint32_t i) const { return i < 4 ? sizeWords_[i] : 0; }
  vlpxiroutingmatrix_regmap::tPxiRoutingMatrixRegMap& getRegMap() { return map_; }

 private:
  void init(nVLAPALS100::tStatus& status);
  void readBlockState(nVLAPALS100::tStatus& status);
  void checkVersion(nVLAPALS100::tStatus& status);
  void settleWait();
  // The cache entry of a cached route, or null: uncached classes and
  // slots past the cache are read from the route register.
  uint32_t* cacheEntry(bool inClassA, bool inClassB, uint32_t slot);
  // Writes `value` break-before-make from `current`, or from the register
  // when `current` is null.
  void programCachedClass(uint32_t index, uint32_t value, const uint32_t* current, bool settles,
                          nVLAPALS100::tStatus& status);
  // Notes the cached slots a recording on `subsystem` wrote.
  void noteRecorded(int32_t subsystem, bool inClassA, uint32_t bit);
  // Whether a run that may be going on rewrites the slot.
  bool isRunOver(bool inClassA, uint32_t bit) const;
  // The device's records first, then the host's own table.
  template <typename tVisit>
  void forEachRecord(tVisit visit);

  const vlifw::ContextInterface* context_;
  vlifw::InstructionTargetMXRM target_;
  vlpxiroutingmatrix_regmap::tPxiRoutingMatrixRegMap map_;
  bool useRouteCache_;
  uint64_t settleStart_;
  uint64_t settleElapsed_;
  uint8_t settleRunning_;
  uint32_t cacheA_[kCacheEntries];
  uint32_t cacheB_[kCacheEntries];
  // One bit per slot whose cached value is what the register holds.
  uint32_t knownA_;
  uint32_t knownB_;
  // The slots the recordings of each list engine wrote; engines past the
  // table share the last entry, which any run then forgets. Engines whose
  // record the device carries note into that instead.
  static constexpr uint32_t kRecordingEngines = 4;
  RecordedRouteSlots recorded_[kRecordingEngines];
  static constexpr uint32_t kCarriedRecords = 2;
  RecordedRouteSlots* carried_[kCarriedRecords] = {};
  uint32_t sizeWords_[4];
  uint32_t contextVersion_;
  uint32_t contextOldestCompatibleVersion_;
  uint32_t blockVersion_;
  uint32_t currentVersion_;
  uint32_t oldestCompatibleVersion_;
  ExpectedVersion expected_;
  uint8_t expectedSet_;
  nVLAPALS100::tStatus sticky_;
};

}  // namespace vlpxiroutingmatrix

#endif
