#include "DispatcherStore.h"

#include "RegistrationCodes.h"
#include "driver/platform/memory/Memory.h"
#include "driver/platform/text/TextLength.h"
#include "driver/platform/text/TextRoutines.h"

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

bool sameBytes(const char* a, const char* b, uint64_t length) { return nVLAPAL000::memoryCompare(a, b, length) == 0; }

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
  for (const Entry& entry : entries_) delete[] entry.name;
}

void DispatcherStore::add(const char* name, Registration& registration, tStatus& status) {
  if (status.isFatal()) return;
  if (name == nullptr) {
    record(kStatusRegistrationNullArgument, lines::kNullName, status);
    return;
  }
  const uint64_t length = nVLAPAL000::textLength(name);
  char* copy = new (status, nVLAPAL000::kAllocationKindPlain) char[length + 1];
  if (copy == nullptr) return;
  for (uint64_t i = 0; i <= length; ++i) copy[i] = name[i];
  entries_.push_back(Entry{copy, length, &registration}, status);
  if (status.isFatal()) delete[] copy;
}

const DispatcherStore::Entry* DispatcherStore::entryNamed(const char* name, uint64_t length) const {
  for (const Entry& entry : entries_) {
    if (entry.length == length && sameBytes(entry.name, name, length)) return &entry;
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
  entries_.erase(entries_.begin() + index, entries_.begin() + index + 1);
  return registration;
}

Registration* DispatcherStore::remove(const char* name) {
  if (name == nullptr) return nullptr;
  const Entry* entry = entryNamed(name, nVLAPAL000::textLength(name));
  return entry == nullptr ? nullptr : removeAt(static_cast<uint64_t>(entry - entries_.begin()));
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

Registration* DispatcherStore::removeFirst() { return entries_.empty() ? nullptr : removeAt(0); }

uint64_t DispatcherStore::listSize() const {
  uint64_t size = entries_.empty() ? 1 : entries_.size();  // a tab between names, a terminator after them
  for (const Entry& entry : entries_) size += entry.length;
  return size;
}

void DispatcherStore::list(tText& out, tStatus& status) const {
  out.erase(0, out.size());
  constexpr char kTab = '\t';
  for (uint64_t i = 0; i < entries_.size(); ++i) {
    if (i != 0) out.append(&kTab, &kTab + 1, status);
    out.append(entries_[i].name, entries_[i].name + entries_[i].length, status);
  }
}

void DispatcherStore::names(char* out, tStatus& status) const {
  if (status.isFatal()) return;
  if (out == nullptr) {
    record(kStatusRegistrationNullArgument, lines::kNullNames, status);
    return;
  }
  for (uint64_t i = 0; i < entries_.size(); ++i) {
    const uint64_t withTerminator = entries_[i].length + 1;
    const uint64_t copied = withTerminator < kNameSlotSize ? withTerminator : kNameSlotSize;
    char* slot = out + kNameSlotSize * i;
    for (uint64_t j = 0; j < copied; ++j) slot[j] = entries_[i].name[j];
  }
}

}  // namespace vlregitools
