#include "RegisterMapEngine.h"

#include "RegisterIds.h"
#include "RegisterRecord.h"
#include "driver/platform/status/StatusCodes.h"

namespace arm {
namespace {

using nVLAPALS100::tStatus;

uint64_t widthMask(uint32_t width) { return width >= 8 ? ~uint64_t{0} : (uint64_t{1} << (8 * width)) - 1; }

// Runs `action` on the record as the shadowed record of its own width.
template <typename TAction>
void onShadowed(void* record, uint32_t width, TAction&& action) {
  switch (width) {
    case 1:
      action(*static_cast<tShadowedRecord<uint8_t>*>(record));
      break;
    case 2:
      action(*static_cast<tShadowedRecord<uint16_t>*>(record));
      break;
    case 8:
      action(*static_cast<tShadowedRecord<uint64_t>*>(record));
      break;
    default:
      action(*static_cast<tShadowedRecord<uint32_t>*>(record));
      break;
  }
}

uint64_t shadowOf(void* record, uint32_t width) {
  uint64_t value = 0;
  onShadowed(record, width, [&](auto& shadowed) { value = shadowed.shadow; });
  return value;
}

void storeShadow(void* record, uint32_t width, uint64_t value) {
  onShadowed(record, width, [&](auto& shadowed) {
    using T = decltype(shadowed.shadow);
    records::store<T>(shadowed, static_cast<T>(value));
  });
}

}  // namespace

tRegisterMapEngine::tRegisterMapEngine(const tMapDescriptor& descriptor, void* records, IRegisterBus* bus,
                                       uint32_t base, uint32_t windowStart, uint32_t windowSize,
                                       tRegisterMapInterface* const* children)
    : descriptor_(descriptor),
      items_(descriptor.items),
      bucketSeeds_(descriptor.bucketSeeds),
      bucketSeed_(descriptor.bucketSeed),
      slotMask_(descriptor.itemCount - 1u),
      bucketShift_(descriptor.bucketShift),
      records_(records),
      bus_(bus),
      children_(children),
      base_(base),
      windowStart_(windowStart),
      windowSize_(windowSize) {}

void tRegisterMapEngine::recordFailure(int64_t code, tStatus& status, uint64_t line) const {
  status.setCode(code, VL_SITE_AT(descriptor_.settings.sourceFile, line));
}

tRegisterMapEngine::tSlot tRegisterMapEngine::slot(uint32_t recordIndex) const {
  const tRecordInfo* info = &descriptor_.records[recordIndex];
  return tSlot{static_cast<uint8_t*>(records_) + info->recordOffset, info};
}

namespace {

// The field rules, on the entry alone: a flag stores (value != 0) in its
// lowest bit and reads 1 when any of its bits is set; any other field (and
// a whole register, whose mask is its width) is cut to its bits.
inline uint64_t insert(uint64_t shadow, const tItemInfo& item, uint64_t value) {
  const uint64_t bits = (item.flags & kItemFlag) != 0 ? uint64_t{value != 0} : value;
  return (shadow & ~item.mask) | ((bits << item.lowestBit) & item.mask);
}

inline uint64_t extract(uint64_t word, const tItemInfo& item) {
  const uint64_t bits = (word & item.mask) >> item.lowestBit;
  return (item.flags & kItemFlag) != 0 ? uint64_t{bits != 0} : bits;
}

}  // namespace

inline const tItemInfo* tRegisterMapEngine::accepted(uint32_t key, uint8_t operation, tStatus& status) const {
  const tItemInfo* item = findItem(key);
  if (item != nullptr && (item->accepts & operation) != 0) [[likely]] {
    return item;
  }
  recordFailure(nVLAPALS100::kStatusInvalidParameter, status, __LINE__);
  return nullptr;
}

const tItemInfo* tRegisterMapEngine::acceptedRegister(uint32_t id, uint8_t operation, tStatus& status) const {
  if ((id & ids::kRegisterBit) == 0 && descriptor_.settings.fieldIdsInFlushAndRefresh == tFieldIdRule::kFollowsField) {
    const tItemInfo* field = findItem(id);
    if (field != nullptr && (field->accepts & operation) == 0) {
      recordFailure(nVLAPALS100::kStatusInvalidParameter, status, __LINE__);
      return nullptr;
    }
  }
  return accepted(ids::registerKey(id), operation, status);
}

inline void* tRegisterMapEngine::elementRecord(const tItemInfo& item, uint32_t context, tStatus& status) const {
  if (item.elementCount <= 1) [[likely]] {
    return static_cast<uint8_t*>(records_) + item.recordOffset;
  }
  return arrayElement(item, context, status);
}

void* tRegisterMapEngine::arrayElement(const tItemInfo& item, uint32_t context, tStatus& status) const {
  if (context >= item.elementCount) {
    recordFailure(nVLAPALS100::kStatusNotAccessible, status, __LINE__);
    return nullptr;
  }
  return slot(item.record + context).record;
}

bool tRegisterMapEngine::element(const tItemInfo& item, uint32_t context, tSlot& found, tStatus& status) const {
  uint32_t index = 0;
  if (item.elementCount > 1) {
    if (context >= item.elementCount) {
      recordFailure(nVLAPALS100::kStatusNotAccessible, status, __LINE__);
      return false;
    }
    index = context;
  }
  found = slot(item.record + index);
  return true;
}

void tRegisterMapEngine::flushSlot(const tSlot& target, bool force, tStatus& status) {
  if (target.info->kind == tRecordKind::kDirect) return;
  onShadowed(target.record, target.info->width, [&](auto& shadowed) {
    using T = decltype(shadowed.shadow);
    records::flush<T>(shadowed, static_cast<T>(target.info->selfClearingMask), force, status);
  });
}

void tRegisterMapEngine::refreshSlot(const tSlot& target, tStatus& status) {
  onShadowed(target.record, target.info->width, [&](auto& shadowed) {
    using T = decltype(shadowed.shadow);
    records::refresh<T>(shadowed, static_cast<T>(target.info->keptOnRefresh), status);
  });
}

uint64_t tRegisterMapEngine::readDirect(const tSlot& target, tStatus& status) {
  const auto& direct = *static_cast<tDirectRecord*>(target.record);
  return bus_->readRegister(direct.address, target.info->width, status) & widthMask(target.info->width);
}

namespace {

template <typename T>
inline void setShadow(void* record, const tItemInfo& item, uint64_t value) {
  auto& shadowed = *static_cast<tShadowedRecord<T>*>(record);
  records::store<T>(shadowed, static_cast<T>(insert(shadowed.shadow, item, value)));
}

inline uint64_t getValue(void* record, const tItemInfo& item) {
  switch (item.width) {
    case 4:
      return extract(static_cast<tShadowedRecord<uint32_t>*>(record)->shadow, item);
    case 8:
      return extract(static_cast<tShadowedRecord<uint64_t>*>(record)->shadow, item);
    case 2:
      return extract(static_cast<tShadowedRecord<uint16_t>*>(record)->shadow, item);
    default:
      return extract(static_cast<tShadowedRecord<uint8_t>*>(record)->shadow, item);
  }
}

inline void setValue(void* record, const tItemInfo& item, uint64_t value) {
  switch (item.width) {
    case 4:
      setShadow<uint32_t>(record, item, value);
      break;
    case 8:
      setShadow<uint64_t>(record, item, value);
      break;
    case 2:
      setShadow<uint16_t>(record, item, value);
      break;
    default:
      setShadow<uint8_t>(record, item, value);
      break;
  }
}

}  // namespace

// get and set are the hot paths: an accepted id of a plain register goes
// straight to its shadow; refusals and array elements take the general way.
void tRegisterMapEngine::get(uint32_t id, uint64_t& value, tStatus& status, uint32_t context) {
  if (status.isFatal()) [[unlikely]] {
    return;
  }
  const tItemInfo* item = findItem(ids::itemKey(id));
  if (item == nullptr || (item->plainAccepts & kAcceptsGet) == 0) [[unlikely]] {
    getElement(id, value, status, context);
    return;
  }
  value = getValue(static_cast<uint8_t*>(records_) + item->recordOffset, *item);
}

void tRegisterMapEngine::getElement(uint32_t id, uint64_t& value, tStatus& status, uint32_t context) {
  value = 0;
  const tItemInfo* item = accepted(ids::itemKey(id), kAcceptsGet, status);
  if (item == nullptr) return;
  void* record = elementRecord(*item, context, status);
  if (record != nullptr) value = getValue(record, *item);
}

void tRegisterMapEngine::set(uint32_t id, uint64_t value, tStatus& status, uint32_t context) {
  if (status.isFatal()) [[unlikely]] {
    return;
  }
  const tItemInfo* item = findItem(ids::itemKey(id));
  if (item == nullptr || (item->plainAccepts & kAcceptsSet) == 0) [[unlikely]] {
    setElement(id, value, status, context);
    return;
  }
  setValue(static_cast<uint8_t*>(records_) + item->recordOffset, *item, value);
}

void tRegisterMapEngine::setElement(uint32_t id, uint64_t value, tStatus& status, uint32_t context) {
  const tItemInfo* item = accepted(ids::itemKey(id), kAcceptsSet, status);
  if (item == nullptr) return;
  void* record = elementRecord(*item, context, status);
  if (record != nullptr) setValue(record, *item, value);
}

void tRegisterMapEngine::read(uint32_t id, uint64_t& value, tStatus& status, uint32_t context) {
  if (status.isFatal()) return;
  value = 0;
  const tItemInfo* item = accepted(ids::itemKey(id), kAcceptsRead, status);
  tSlot target{};
  if (item == nullptr || !element(*item, context, target, status)) return;
  if (target.info->kind == tRecordKind::kDirect) {
    if (static_cast<tDirectRecord*>(target.record)->present == 0) {
      recordFailure(nVLAPALS100::kStatusNotAccessible, status, __LINE__);
      value = extract(~uint64_t{0}, *item);
      return;
    }
    value = extract(readDirect(target, status), *item);
    return;
  }
  // A failed refresh leaves the old shadow, which is then what the caller gets.
  refreshSlot(target, status);
  value = extract(shadowOf(target.record, item->width), *item);
}

void tRegisterMapEngine::write(uint32_t id, uint64_t value, bool force, tStatus& status, uint32_t context) {
  if (status.isFatal()) return;
  const tItemInfo* item = accepted(ids::itemKey(id), kAcceptsWrite, status);
  tSlot target{};
  if (item == nullptr || !element(*item, context, target, status)) return;
  const uint32_t width = item->width;
  if (target.info->kind == tRecordKind::kDirect) {
    const auto& direct = *static_cast<tDirectRecord*>(target.record);
    if (direct.present == 0) {
      recordFailure(nVLAPALS100::kStatusNotAccessible, status, __LINE__);
      return;
    }
    bus_->writeRegister(direct.address, width, insert(0, *item, value), status);
    return;
  }
  storeShadow(target.record, width, insert(shadowOf(target.record, width), *item, value));
  flushSlot(target, force, status);
}

void tRegisterMapEngine::flush(uint32_t id, bool force, tStatus& status, uint32_t context) {
  if (status.isFatal()) return;
  const tItemInfo* item = acceptedRegister(id, kAcceptsFlush, status);
  tSlot target{};
  if (item == nullptr || !element(*item, context, target, status)) return;
  flushSlot(target, force, status);
}

void tRegisterMapEngine::refresh(uint32_t id, tStatus& status, uint32_t context) {
  if (status.isFatal()) return;
  const tItemInfo* item = acceptedRegister(id, kAcceptsRefresh, status);
  tSlot target{};
  if (item == nullptr || !element(*item, context, target, status)) return;
  refreshSlot(target, status);
}

void tRegisterMapEngine::getRegisterFormat(uint32_t id, uint32_t& count, FieldType* types, uint64_t* masks,
                                           tStatus& status) const {
  if (status.isFatal()) return;
  const tItemInfo* item = findItem(ids::registerKey(id));
  if (item == nullptr) {
    count = 0;
    recordFailure(nVLAPALS100::kStatusNotSupported, status, __LINE__);
    return;
  }
  const tViewInfo& view = descriptor_.views[item->view];
  if (count < view.fieldCount) {
    recordFailure(nVLAPALS100::kStatusLookupFailure, status, __LINE__);
    return;
  }
  count = view.fieldCount;
  for (uint32_t i = 0; i < view.fieldCount; ++i) {
    const tFieldInfo& field = descriptor_.fields[view.firstField + i];
    types[i] = static_cast<FieldType>(field.type);
    masks[i] = field.mask;
  }
}

// Each step runs on a local status merged afterwards: one register's
// failure must not keep the others from being written or read, and the
// caller ends up with the first error met.
void tRegisterMapEngine::runPass(const uint16_t* steps, uint16_t count, bool flushing, bool force, tStatus& status) {
  if (status.isFatal()) return;
  for (uint16_t i = 0; i < count; ++i) {
    tStatus local;
    const uint16_t step = steps[i];
    if ((step & kChildStep) != 0) {
      tRegisterMapInterface* child = children_[step & ~kChildStep];
      if (flushing) {
        child->flushRegMap(force, local);
      } else {
        child->refreshRegMap(local);
      }
    } else if (flushing) {
      flushSlot(slot(step), force, local);
    } else {
      refreshSlot(slot(step), local);
    }
    status.merge(local);
  }
}

void tRegisterMapEngine::flushRegMap(bool force, tStatus& status) {
  runPass(descriptor_.flushOrder, descriptor_.flushStepCount, true, force, status);
}

void tRegisterMapEngine::refreshRegMap(tStatus& status) {
  runPass(descriptor_.refreshOrder, descriptor_.refreshStepCount, false, false, status);
}

void tRegisterMapEngine::markDirtyRegMap() {
  for (uint32_t i = 0; i < descriptor_.recordCount; ++i) {
    const tSlot target = slot(i);
    if (target.info->kind == tRecordKind::kShadowed) {
      onShadowed(target.record, target.info->width, [](auto& shadowed) { shadowed.dirty = 1; });
    }
  }
  for (uint32_t i = 0; i < descriptor_.childCount; ++i) children_[i]->markDirtyRegMap();
}

bool tRegisterMapEngine::markDirtyWithin(uint32_t first, uint32_t last, uint8_t runSet, uint8_t runClear) {
  bool any = false;
  for (uint32_t i = 0; i < descriptor_.recordCount; ++i) {
    const tSlot target = slot(i);
    if (target.info->kind != tRecordKind::kShadowed) continue;
    onShadowed(target.record, target.info->width, [&](auto& shadowed) {
      if (shadowed.address < first || shadowed.address > last) return;
      shadowed.dirty = 1;
      shadowed.runMayOverwrite = static_cast<uint8_t>((shadowed.runMayOverwrite | runSet) & ~runClear);
      any = true;
    });
  }
  return any;
}

// Addresses and window membership in unsigned 32-bit arithmetic: a map
// built with window start 0 and size 0xFFFFFFFF reaches every register at
// base + its offset.
void tRegisterMapEngine::reinitialize() {
  const uint8_t dirty = descriptor_.settings.dirtyAfterReinitialize ? 1 : 0;
  for (uint32_t i = 0; i < descriptor_.recordCount; ++i) {
    const tSlot target = slot(i);
    const uint32_t offset = target.info->offset;
    const uint32_t address = base_ + offset - windowStart_;
    const uint8_t inside = offset >= windowStart_ && offset - windowStart_ < windowSize_ ? 1 : 0;
    if (target.info->kind == tRecordKind::kDirect) {
      *static_cast<tDirectRecord*>(target.record) = tDirectRecord{address, inside, this};
      continue;
    }
    onShadowed(target.record, target.info->width, [&](auto& shadowed) {
      using T = decltype(shadowed.shadow);
      shadowed = tShadowedRecord<T>{address, static_cast<T>(target.info->resetValue), dirty, inside, 0, this};
    });
  }
  for (uint32_t i = 0; i < descriptor_.childCount; ++i) children_[i]->reinitialize();
}

}  // namespace arm
