#include "DispatcherStore.h"

#include "RegistrationCodes.h"
#include "driver/platform/memory/Memory.h"
#include "driver/platform/text/TextLength.h"

namespace vlregitools {
namespace {

using nVLAPALS100::tStatus;

namespace lines {
inline constexpr uint64_t kRemoveMissing = 101;
inline constexpr uint64_t kNotFound = 137;
inline constexpr uint64_t kNullNames = 165;
inline constexpr uint64_t kNullName = 250;
}  // namespace lines

void record(int64_t code, uint64_t line, tStatus& status) {
  status.setCode(code, VL_SITE_AT(sites::kDispatcherBase, line));
}

constexpr char kVersionMark[] = "_Ver";
constexpr uint64_t kVersionMarkLength = sizeof kVersionMark - 1;

// Where "_Ver" first occurs in `text`, or its length when it does not.
uint64_t versionMarkAt(const char* text, uint64_t length) {
  for (uint64_t i = 0; i + kVersionMarkLength <= length; ++i) {
    if (sameBytes(text + i, kVersionMark, kVersionMarkLength)) return i;
  }
  return length;
}

}  // namespace

DispatcherStore::~DispatcherStore() {
  for (uint64_t i = 0; i < count_; ++i) delete[] entries_[i].name;
  delete[] entries_;
}

bool DispatcherStore::grow(tStatus& status) {
  const uint64_t capacity = capacity_ == 0 ? 8 : capacity_ * 2;
  Entry* grown = new (status, nVLAPAL000::kAllocationKindPlain) Entry[capacity];
  if (grown == nullptr) return false;
  for (uint64_t i = 0; i < count_; ++i) grown[i] = entries_[i];
  delete[] entries_;
  entries_ = grown;
  capacity_ = capacity;
  return true;
}

void DispatcherStore::add(const char* name, Registration& registration, tStatus& status) {
  if (status.isFatal()) return;
  if (name == nullptr) {
    record(kStatusRegistrationNullArgument, lines::kNullName, status);
    return;
  }
  if (count_ == capacity_ && !grow(status)) return;
  const uint64_t length = nVLAPAL000::textLength(name);
  char* copy = new (status, nVLAPAL000::kAllocationKindPlain) char[length + 1];
  if (copy == nullptr) return;
  for (uint64_t i = 0; i <= length; ++i) copy[i] = name[i];
  entries_[count_++] = Entry{copy, length, &registration};
}

const DispatcherStore::Entry* DispatcherStore::entryNamed(const char* name, uint64_t length) const {
  for (uint64_t i = 0; i < count_; ++i) {
    if (entries_[i].length == length && sameBytes(entries_[i].name, name, length)) return &entries_[i];
  }
  return nullptr;
}

Registration* DispatcherStore::find(const char* fullName, tStatus& status) const {
  if (status.isFatal()) return nullptr;
  if (fullName == nullptr) {
    record(kStatusRegistrationNullArgument, lines::kNullName, status);
    return nullptr;
  }
  const uint64_t fullLength = nVLAPAL000::textLength(fullName);
  const uint64_t nameLength = versionMarkAt(fullName, fullLength);
  // Without "_Ver" the client states no version: the zero version.
  const Version client(nameLength < fullLength ? fullName + nameLength + kVersionMarkLength : nullptr, status);
  if (status.isFatal()) return nullptr;
  const Entry* entry = entryNamed(fullName, nameLength);
  if (entry == nullptr) {
    record(kStatusRegistrationNotFound, lines::kNotFound, status);
    return nullptr;
  }
  entry->registration->checkVersion(client, status);
  return status.isFatal() ? nullptr : entry->registration;
}

Registration* DispatcherStore::removeAt(uint64_t index) {
  Registration* registration = entries_[index].registration;
  delete[] entries_[index].name;
  for (uint64_t i = index + 1; i < count_; ++i) entries_[i - 1] = entries_[i];
  --count_;
  return registration;
}

Registration* DispatcherStore::remove(const char* name) {
  if (name == nullptr) return nullptr;
  const Entry* entry = entryNamed(name, nVLAPAL000::textLength(name));
  return entry == nullptr ? nullptr : removeAt(static_cast<uint64_t>(entry - entries_));
}

Registration* DispatcherStore::remove(const char* name, tStatus& status) {
  if (status.isFatal()) return nullptr;
  if (name == nullptr) {
    record(kStatusRegistrationNullArgument, lines::kNullName, status);
    return nullptr;
  }
  Registration* registration = remove(name);
  if (registration == nullptr) record(kStatusRegistrationNotFound, lines::kRemoveMissing, status);
  return registration;
}

Registration* DispatcherStore::removeFirst() { return count_ == 0 ? nullptr : removeAt(0); }

uint64_t DispatcherStore::listSize() const {
  uint64_t size = count_ == 0 ? 1 : count_;  // a tab between names, a terminator after them
  for (uint64_t i = 0; i < count_; ++i) size += entries_[i].length;
  return size;
}

void DispatcherStore::list(Text& out, tStatus& status) const {
  out.clear();
  for (uint64_t i = 0; i < count_; ++i) {
    if (i != 0) out.append('\t', status);
    out.append(entries_[i].name, entries_[i].length, status);
  }
}

void DispatcherStore::names(char* out, tStatus& status) const {
  if (status.isFatal()) return;
  if (out == nullptr) {
    record(kStatusRegistrationNullArgument, lines::kNullNames, status);
    return;
  }
  for (uint64_t i = 0; i < count_; ++i) {
    const uint64_t withTerminator = entries_[i].length + 1;
    const uint64_t copied = withTerminator < kNameSlotSize ? withTerminator : kNameSlotSize;
    char* slot = out + kNameSlotSize * i;
    for (uint64_t j = 0; j < copied; ++j) slot[j] = entries_[i].name[j];
  }
}

}  // namespace vlregitools
