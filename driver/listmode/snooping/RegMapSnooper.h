// Makes a board register map that has no instruction target of its own
// snoopable: while a commit is recorded its accessor is replaced by one
// that turns each register access into an instruction of the snooping
// context's subsystem, sent into the (then redirected) snooping manager.
#ifndef VL9738K_LISTMODE_SNOOPING_REGMAPSNOOPER_H
#define VL9738K_LISTMODE_SNOOPING_REGMAPSNOOPER_H

#include "IoAccessorWithContextualize.h"
#include "RecordedRegisterGroups.h"
#include "SnoopingSites.h"
#include "WrittenRegisters.h"
#include "driver/listmode/ListModeStatusCodes.h"
#include "driver/listmode/iListSnoopingListener.h"
#include "driver/platform/status/StatusSite.h"
#include "driver/regmaps/board/cpld/tVl9738RefCpld.h"

namespace SnoopingManager::internal {

// The accessor references that one snooper swaps together: a map's own,
// by default.
template <typename T>
void setSnoopedAccessors(T& map, vllym::kernel::IIoAccessor* accessor) {
  map.setAccessor(accessor);
}

// The reference CPLD's child maps each hold a reference of their own over
// the composite's window: all seven move together, or part of a commit
// would reach the hardware.
inline void setSnoopedAccessors(nVl9738RefCpld::tVl9738RefCpld& map, vllym::kernel::IIoAccessor* accessor) {
  map.setAccessor(accessor);
  map.TemperatureRegMap.setAccessor(accessor);
  map.Lo0RefClkToLoRegMap.setAccessor(accessor);
  map.Lo1RefClkToLoRegMap.setAccessor(accessor);
  map.Ad9512RegMap.setAccessor(accessor);
  map.Hmc703RegMap.setAccessor(accessor);
  map.AuxInterfaceRegMap.setAccessor(accessor);
}

// The contextualizing accessor of a snooped map that also notes each
// register it turns into a list write.
class RecordingAccessor final : public nVL9738K_24_0::IoAccessorWithContextualize {
 public:
  RecordingAccessor(vlifw::InstructionTarget* target, const vlifw::ContextInterface* context, uint32_t base,
                    uint32_t shift, WrittenRegisters& written)
      : IoAccessorWithContextualize(target, context, base, shift), written_(written) {}
  void write64(uint32_t offset, uint64_t value, tStatus& status) override {
    written_.note(offset);
    IoAccessorWithContextualize::write64(offset, value, status);
  }

 private:
  WrittenRegisters& written_;
};

// How a mark changes the run-may-overwrite flags of the registers it
// marks dirty: the bits set, then the bits cleared.
struct RunBits {
  uint8_t set = 0;
  uint8_t clear = 0;
};

// Marks the written registers in [first, last] dirty and answers the
// groups they belong to. A map of the path itself (its DAC, its board
// control) is all the path's.
template <typename T>
uint32_t markWrittenDirty(T& map, uint32_t first, uint32_t last, RunBits run = {}) {
  return map.markDirtyWithin(first, last, run.set, run.clear) ? kRecordedPath : 0;
}
template <typename T>
uint32_t allGroupsOf(T&) {
  return kRecordedPath;
}

// The reference CPLD's children share the composite's address space. The
// temperature and auxiliary blocks belong to no shared setting.
inline uint32_t markWrittenDirty(nVl9738RefCpld::tVl9738RefCpld& map, uint32_t first, uint32_t last, RunBits run = {}) {
  uint32_t groups = 0;
  if (map.markDirtyWithin(first, last, run.set, run.clear)) groups |= kRecordedReference;
  if (map.Ad9512RegMap.markDirtyWithin(first, last, run.set, run.clear)) groups |= kRecordedReference;
  if (map.Hmc703RegMap.markDirtyWithin(first, last, run.set, run.clear)) groups |= kRecordedReference;
  if (map.Lo0RefClkToLoRegMap.markDirtyWithin(first, last, run.set, run.clear)) groups |= kRecordedLo0Select;
  if (map.Lo1RefClkToLoRegMap.markDirtyWithin(first, last, run.set, run.clear)) groups |= kRecordedLo1Select;
  map.TemperatureRegMap.markDirtyWithin(first, last, run.set, run.clear);
  map.AuxInterfaceRegMap.markDirtyWithin(first, last, run.set, run.clear);
  return groups;
}
inline uint32_t allGroupsOf(nVl9738RefCpld::tVl9738RefCpld&) {
  return kRecordedReference | kRecordedLo0Select | kRecordedLo1Select;
}

// What every map snooper tells about its map, whatever the map's type.
class MapSnooperState : public listmodek::iListSnoopingListener {
 public:
  explicit MapSnooperState(const void* map) : snoopedMap_(map) {}
  const void* snoopedMap() const { return snoopedMap_; }
  // Between the first start of a recording and its end.
  bool isRecording() const { return recording_ != 0; }
  // While the recording session's own request runs.
  virtual bool isSnooping() const = 0;
  // Marks dirty every register a recording on this engine wrote (a list
  // run rewrites them), changes their run-may-overwrite flags as `run`
  // says, and answers their groups.
  virtual uint32_t markRecordedDirty(RunBits run) = 0;

 protected:
  const void* snoopedMap_;
  uint8_t recording_ = 0;
};

template <typename T>
class RegMapSnooper : public MapSnooperState {
 public:
  // `recorded`, when given, is the engine's record kept for the device's
  // life; else the snooper keeps one of its own.
  RegMapSnooper(T* map, vlifw::InstructionTarget* target, const vlifw::ContextInterface* context, uint32_t base,
                uint32_t shift, WrittenRegisters* recorded = nullptr)
      : MapSnooperState(map),
        map_(map),
        target_(target),
        context_(context),
        written_(map->getBase() - map->getWindowStart()),
        ownRecord_(map->getBase() - map->getWindowStart()),
        recorded_(recorded != nullptr ? *recorded : ownRecord_),
        accessor_(target, context, base, shift, written_) {
    recorded_.adoptOrigin(map->getBase() - map->getWindowStart());
  }

  // The inserter is reached through the redirected manager, not from here.
  void onStartCommitSnooping(listmodek::iListInstructionInserter*, tStatus& status) override {
    if (status.isFatal()) return;
    if (saved_ != nullptr) {
      status.setCode(listmodek::codes::kNoListMode, VL_SITE_AT(listmodek::snooping_sites::kManager, __LINE__));
      return;
    }
    saved_ = map_->getAccessor();
    setSnoopedAccessors(*map_, &accessor_);
    recording_ = 1;
  }
  // Restores whatever the status holds.
  void onStopCommitSnooping(tStatus&) override {
    if (saved_ == nullptr) return;
    setSnoopedAccessors(*map_, saved_);
    saved_ = nullptr;
  }
  // The shadows of what the recording wrote are ahead of the hardware
  // until the list runs, if ever: the next direct commit writes them again.
  // The engine keeps them: any later run of any list compiled here may
  // write them again.
  void onEndCommitSnooping(tStatus&) override {
    if (recording_ == 0) return;
    recording_ = 0;
    written_.visit([this](uint32_t first, uint32_t last) { markWrittenDirty(*map_, first, last); },
                   [this] { map_->markDirtyRegMap(); });
    written_.drainInto(recorded_);
  }

  bool isSnooping() const override { return saved_ != nullptr; }

  uint32_t markRecordedDirty(RunBits run) override {
    uint32_t groups = 0;
    recorded_.visit([&](uint32_t first, uint32_t last) { groups |= markWrittenDirty(*map_, first, last, run); },
                    [&] {
                      markWrittenDirty(*map_, 0, ~0u, run);
                      groups |= allGroupsOf(*map_);
                    });
    return groups;
  }

 private:
  T* map_;
  vlifw::InstructionTarget* target_;
  const vlifw::ContextInterface* context_;
  vllym::kernel::IIoAccessor* saved_ = nullptr;
  // What the recording under way wrote, and what every recording on this
  // engine wrote before it.
  WrittenRegisters written_;
  WrittenRegisters ownRecord_;
  WrittenRegisters& recorded_;
  RecordingAccessor accessor_;
};

}  // namespace SnoopingManager::internal

#endif
