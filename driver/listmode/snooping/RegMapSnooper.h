// Makes a board register map that has no instruction target of its own
// snoopable: while a commit is recorded its accessor is replaced by one
// that turns each register access into an instruction of the snooping
// context's subsystem, sent into the (then redirected) snooping manager.
#ifndef VL9738K_LISTMODE_SNOOPING_REGMAPSNOOPER_H
#define VL9738K_LISTMODE_SNOOPING_REGMAPSNOOPER_H

#include "IoAccessorWithContextualize.h"
#include "RecordedRegisterGroups.h"
#include "SnoopingSites.h"
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

// The registers a recording wrote, by bus address: their shadows hold the
// recorded values, which the hardware receives only if the list runs.
// Addresses count from the map's own origin (where its offset 0 lies on the
// bus), not from the window's start: the snooped maps sit high in their
// CPLD windows. CPLD words are 32-bit, so one bit per word covers a DAC's
// whole map; an address outside the bitmap makes the whole map count as
// written.
class WrittenRegisters {
 public:
  static constexpr uint32_t kWords = 0x810;

  explicit WrittenRegisters(uint32_t origin = 0) : origin_(origin) {}

  void note(uint32_t address) {
    // Below the origin wraps past the bitmap, so it counts as the whole map.
    const uint32_t word = (address - origin_) >> 2;
    if (word >= kWords) {
      overflow_ = 1;
      return;
    }
    bits_[word >> 5] |= 1u << (word & 31);
  }
  // Calls `markAll()` when an address fell outside the bitmap, else
  // `mark(first, last)` for each written word.
  template <typename tMark, typename tMarkAll>
  void visit(tMark mark, tMarkAll markAll) const {
    if (overflow_ != 0) {
      markAll();
      return;
    }
    for (uint32_t word = 0; word < kWords; ++word) {
      if ((bits_[word >> 5] >> (word & 31) & 1u) != 0) mark(origin_ + (word << 2), origin_ + (word << 2) + 3);
    }
  }
  // Adds these words to `into` (of the same origin), then forgets them.
  void drainInto(WrittenRegisters& into) {
    for (uint32_t i = 0; i < sizeof(bits_) / sizeof(bits_[0]); ++i) {
      into.bits_[i] |= bits_[i];
      bits_[i] = 0;
    }
    into.overflow_ |= overflow_;
    overflow_ = 0;
  }

 private:
  uint32_t origin_;
  // Rounded up: the map's last words share the final bitmap word.
  uint32_t bits_[(kWords + 31) / 32] = {};
  uint8_t overflow_ = 0;
};

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

// Marks the written registers in [first, last] dirty and answers the
// groups they belong to. A map of the path itself (its DAC, its board
// control) is all the path's.
template <typename T>
uint32_t markWrittenDirty(T& map, uint32_t first, uint32_t last) {
  return map.markDirtyWithin(first, last) ? kRecordedPath : 0;
}
template <typename T>
uint32_t allGroupsOf(T&) {
  return kRecordedPath;
}

// The reference CPLD's children share the composite's address space. The
// temperature and auxiliary blocks belong to no shared setting.
inline uint32_t markWrittenDirty(nVl9738RefCpld::tVl9738RefCpld& map, uint32_t first, uint32_t last) {
  uint32_t groups = 0;
  if (map.markDirtyWithin(first, last)) groups |= kRecordedReference;
  if (map.Ad9512RegMap.markDirtyWithin(first, last)) groups |= kRecordedReference;
  if (map.Hmc703RegMap.markDirtyWithin(first, last)) groups |= kRecordedReference;
  if (map.Lo0RefClkToLoRegMap.markDirtyWithin(first, last)) groups |= kRecordedLo0Select;
  if (map.Lo1RefClkToLoRegMap.markDirtyWithin(first, last)) groups |= kRecordedLo1Select;
  map.TemperatureRegMap.markDirtyWithin(first, last);
  map.AuxInterfaceRegMap.markDirtyWithin(first, last);
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
  // Marks dirty every register a recording on this engine wrote since the
  // snooping was set up (a list run rewrites them), and answers their
  // groups.
  virtual uint32_t markRecordedDirty() = 0;

 protected:
  const void* snoopedMap_;
  uint8_t recording_ = 0;
};

template <typename T>
class RegMapSnooper : public MapSnooperState {
 public:
  RegMapSnooper(T* map, vlifw::InstructionTarget* target, const vlifw::ContextInterface* context, uint32_t base,
                uint32_t shift)
      : MapSnooperState(map),
        map_(map),
        target_(target),
        context_(context),
        written_(map->getBase() - map->getWindowStart()),
        recorded_(map->getBase() - map->getWindowStart()),
        accessor_(target, context, base, shift, written_) {}

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

  uint32_t markRecordedDirty() override {
    uint32_t groups = 0;
    recorded_.visit([&](uint32_t first, uint32_t last) { groups |= markWrittenDirty(*map_, first, last); },
                    [&] {
                      map_->markDirtyRegMap();
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
  WrittenRegisters recorded_;
  RecordingAccessor accessor_;
};

}  // namespace SnoopingManager::internal

#endif
