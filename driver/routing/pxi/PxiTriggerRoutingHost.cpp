#include "PxiTriggerRoutingHost.h"

#include "driver/platform/text/tVersionCompatibility.h"
#include "driver/platform/zuk/ZukTime.h"

namespace vlpxiroutingmatrix {

using nVLAPALS100::tStatus;

namespace {

constexpr const char kSource[] = "vlpxiroutingmatrix_regmap/includes/vlpxiroutingmatrix/PxiTriggerRoutingHost";

void fail(tStatus& status, int64_t code, uint64_t line) { status.setCode(code, VL_SITE_AT(kSource, line)); }

// The context versions this host knows how to drive.
constexpr uint16_t kContextVersion = 4;
constexpr uint16_t kContextOldestCompatibleVersion = 3;
// Blocks of this context version and older carry no version words.
constexpr uint32_t kLastContextWithoutVersionWords = 3;
constexpr uint32_t kLargestSizeWord0 = 46;
constexpr uint32_t kLargestSizeWord = 32;
constexpr uint32_t kClassAFirst = 512;
constexpr uint32_t kClassBFirst = 768;
constexpr uint32_t kClassBEnd = 1024;
// Routes whose break and make are separated by the settle step.
constexpr uint32_t kSettledSlots = 8;
constexpr uint64_t kSettleTimeUs = 0;

template <typename tRegister>
uint32_t lowWord(tRegister& reg, tStatus& status) {
  reg.refresh(status);
  return reg.getValue() & 0xFFFF;
}

}  // namespace

PxiTriggerRoutingHost::PxiTriggerRoutingHost(vlifw::InstructionTarget* target, const vlifw::ContextInterface* context,
                                             bool useRouteCache, tStatus& status)
    : context_(context),
      target_(target, context, true),
      map_(&target_, 0, 0, 0xFFFFFFFFu),
      useRouteCache_(useRouteCache),
      settleStart_(0),
      settleElapsed_(0),
      settleRunning_(0),
      cacheA_(),
      cacheB_(),
      knownA_(0),
      knownB_(0),
      recorded_(),
      sizeWords_(),
      contextVersion_(0),
      contextOldestCompatibleVersion_(0),
      blockVersion_(0),
      currentVersion_(0),
      oldestCompatibleVersion_(0),
      expected_{0, 0, 0},
      expectedSet_(0),
      sticky_() {
  if (status.isNotFatal()) readBlockState(sticky_);
}

void PxiTriggerRoutingHost::init(tStatus& status) {
  if (status.isFatal()) return;
  if (context_ == nullptr) {
    fail(status, nVLAPALS100::kStatusBadSelector, __LINE__);
    return;
  }
  const uint64_t info = context_->getInfo(status);
  if ((info & 0xFFFF) != kUid) {
    fail(status, nVLAPALS100::kStatusBadSelector, __LINE__);
    return;
  }
  contextVersion_ = static_cast<uint32_t>((info >> 32) & 0xFFFF);
  contextOldestCompatibleVersion_ = static_cast<uint32_t>((info >> 48) & 0xFFFF);
  bool tooOld = false;
  bool tooNew = false;
  context_->checkVersion(kContextVersion, kContextOldestCompatibleVersion, false, &tooOld, &tooNew, status);
  if (tooOld) {
    fail(status, codes::kContextTooOld, __LINE__);
  } else if (tooNew) {
    fail(status, codes::kContextTooNew, __LINE__);
  }
}

void PxiTriggerRoutingHost::readBlockState(tStatus& status) {
  init(status);
  sizeWords_[0] = lowWord(map_.SizeWord0, status);
  sizeWords_[1] = lowWord(map_.SizeWord1, status);
  sizeWords_[2] = lowWord(map_.SizeWord2, status);
  if (contextVersion_ > kLastContextWithoutVersionWords) {
    sizeWords_[3] = lowWord(map_.SizeWord3, status);
    currentVersion_ = lowWord(map_.CurrentVersion, status);
    oldestCompatibleVersion_ = lowWord(map_.OldestCompatibleVersion, status);
    blockVersion_ = lowWord(map_.BlockVersion, status);
  } else {
    sizeWords_[3] = currentVersion_ = oldestCompatibleVersion_ = blockVersion_ = 0;
  }
  if (status.isFatal()) return;
  if (sizeWords_[0] > kLargestSizeWord0 || sizeWords_[1] > kLargestSizeWord || sizeWords_[2] > kLargestSizeWord ||
      sizeWords_[3] > kLargestSizeWord) {
    fail(status, codes::kSizeOutOfRange, __LINE__);
    return;
  }
  // Every route of the cached classes is taken to be disabled with data 0.
  if (useRouteCache_) {
    for (uint32_t i = 0; i < kCacheEntries; ++i) cacheA_[i] = cacheB_[i] = 0;
    knownA_ = knownB_ = ~0u;
  }
  for (RecordedRouteSlots& slots : recorded_) slots = RecordedRouteSlots{};
}

void PxiTriggerRoutingHost::setExpectedVersion(const ExpectedVersion& expected) {
  expected_ = expected;
  expectedSet_ = 1;
  checkVersion(sticky_);
}

void PxiTriggerRoutingHost::checkVersion(tStatus& status) {
  if (blockVersion_ != expected_.blockVersion) fail(status, codes::kVersionMismatch, __LINE__);
  nVLAPAL000::tVersionCompatibility verdict;
  nVLAPAL000::checkVersionCompatibility(
      verdict, expected_.currentVersion, expected_.oldestCompatibleVersion, currentVersion_, oldestCompatibleVersion_,
      static_cast<int32_t>(codes::kMatrixTooOld), static_cast<int32_t>(codes::kMatrixTooNew),
      nVLAPALS100::kStatusInvalidParameter, nVLAPALS100::kStatusValueOutOfRange);
  if (verdict.getCode() != 0) fail(status, verdict.getCode(), __LINE__);
}

void PxiTriggerRoutingHost::classifyRoute(uint32_t index, bool& inClassA, bool& inClassB, uint32_t& slot,
                                          tStatus& status) const {
  inClassA = inClassB = false;
  slot = 0;
  if (status.isFatal()) return;
  if (index > kLastRouteIndex) {
    fail(status, codes::kRouteIndexOutOfRange, __LINE__);
    return;
  }
  if (index >= kClassAFirst && index < kClassBFirst) {
    inClassA = true;
    slot = index - kClassAFirst;
  } else if (index >= kClassBFirst && index < kClassBEnd) {
    inClassB = true;
    slot = index - kClassBFirst;
  }
}

uint32_t* PxiTriggerRoutingHost::cacheEntry(bool inClassA, bool inClassB, uint32_t slot) {
  if (!useRouteCache_ || slot >= kCacheEntries) return nullptr;
  if (inClassA) return &cacheA_[slot];
  if (inClassB) return &cacheB_[slot];
  return nullptr;
}

void PxiTriggerRoutingHost::settleWait() {
  settleStart_ = nVLZUK1_getMonotonicCounter();
  settleRunning_ = 1;
  // The settle time is zero: the check passes at once.
  (void)((nVLZUK1_getMonotonicCounter() - settleStart_) / 1000 >= kSettleTimeUs);
  settleElapsed_ = nVLZUK1_getMonotonicCounter() - settleStart_;
  settleRunning_ = 0;
}

void PxiTriggerRoutingHost::programRoute(uint32_t index, uint32_t value, tStatus& status) {
  status.merge(sticky_);
  if (status.isFatal()) return;
  if (expectedSet_ == 0) {
    fail(status, codes::kVersionMismatch, __LINE__);
    return;
  }
  bool inClassA = false;
  bool inClassB = false;
  uint32_t slot = 0;
  classifyRoute(index, inClassA, inClassB, slot, status);
  if (status.isFatal()) return;
  uint32_t* cached = cacheEntry(inClassA, inClassB, slot);
  uint32_t* known = inClassA ? &knownA_ : &knownB_;
  const uint32_t bit = 1u << (slot & 31);
  const int32_t recording = target_.getTarget()->recordingSubsystem();
  // Written into a list, the route holds in the matrix whatever it held,
  // and later whatever the list's runs write.
  if (cached != nullptr && recording >= 0) {
    *known &= ~bit;
    noteRecorded(recording, inClassA, bit);
  }
  if (inClassA || inClassB) {
    programCachedClass(index, value, cached != nullptr && (*known & bit) != 0 ? cached : nullptr,
                       inClassA && slot < kSettledSlots, status);
  } else {
    target_.write32(index, value, status);
  }
  // The read completes the posted route writes.
  if (status.isNotFatal()) map_.Register0.refresh(status);
  if (cached == nullptr) return;
  // Only a value the hardware took is remembered: after a failed step the
  // register may hold anything, and comparing against the wanted value
  // would skip the write that repairs it.
  if (status.isNotFatal() && recording < 0 && !isRunOver(inClassA, bit)) {
    *cached = value;
    *known |= bit;
  } else {
    *known &= ~bit;
  }
}

// A slot past the cache, or one the cache cannot vouch for, is read from
// its route register; the order of the writes is the same either way.
void PxiTriggerRoutingHost::programCachedClass(uint32_t index, uint32_t value, const uint32_t* cached, bool settles,
                                               tStatus& status) {
  const uint32_t current = cached != nullptr ? *cached : target_.read32(index, status);
  if (status.isFatal()) return;
  if (isEnabled(current) == isEnabled(value)) {
    if (value != current) target_.write32(index, value, status);
  } else if (isEnabled(value)) {
    target_.write32(index, withoutEnable(value), status);
    target_.write32(index, value, status);
    if (settles) settleWait();
  } else {
    target_.write32(index, withoutEnable(current), status);
    if (settles) settleWait();
    if (status.isFatal()) return;
    target_.write32(index, value, status);
  }
}

template <typename tVisit>
void PxiTriggerRoutingHost::forEachRecord(tVisit visit) {
  for (RecordedRouteSlots* carried : carried_) {
    if (carried != nullptr && visit(*carried, false)) return;
  }
  for (uint32_t i = 0; i < kRecordingEngines; ++i) {
    if (visit(recorded_[i], i == kRecordingEngines - 1)) return;
  }
}

void PxiTriggerRoutingHost::noteRecorded(int32_t subsystem, bool inClassA, uint32_t bit) {
  forEachRecord([&](RecordedRouteSlots& entry, bool last) {
    if (entry.subsystem != subsystem && entry.subsystem >= 0 && !last) return false;
    entry.subsystem = subsystem;
    (inClassA ? entry.a : entry.b) |= bit;
    return true;
  });
}

// The slots stay noted: a list compiled earlier may run again.
void PxiTriggerRoutingHost::forgetRecorded(uint8_t subsystem) {
  forEachRecord([&](RecordedRouteSlots& entry, bool last) {
    if (entry.subsystem != int32_t{subsystem} && !last) return false;
    knownA_ &= ~entry.a;
    knownB_ &= ~entry.b;
    return entry.subsystem == int32_t{subsystem};
  });
}

// An engine past the table shares the last entry with others: its run
// counts as theirs, which only costs reads.
void PxiTriggerRoutingHost::setRunning(uint8_t subsystem, bool running) {
  forEachRecord([&](RecordedRouteSlots& entry, bool last) {
    if (entry.subsystem != int32_t{subsystem} && !last) return false;
    entry.running = running ? 1 : 0;
    return true;
  });
}

void PxiTriggerRoutingHost::carryRecord(RecordedRouteSlots& record, uint8_t subsystem) {
  for (RecordedRouteSlots*& carried : carried_) {
    if (carried != nullptr && carried != &record) continue;
    carried = &record;
    record.subsystem = subsystem;
    // This host's bring-up ended any run.
    record.running = 0;
    knownA_ &= ~record.a;
    knownB_ &= ~record.b;
    return;
  }
}

// At most the carried records and the table: a bounded look per program.
bool PxiTriggerRoutingHost::isRunOver(bool inClassA, uint32_t bit) const {
  for (const RecordedRouteSlots* carried : carried_) {
    if (carried != nullptr && carried->running != 0 && ((inClassA ? carried->a : carried->b) & bit) != 0) return true;
  }
  for (const RecordedRouteSlots& entry : recorded_) {
    if (entry.running != 0 && ((inClassA ? entry.a : entry.b) & bit) != 0) return true;
  }
  return false;
}

}  // namespace vlpxiroutingmatrix
