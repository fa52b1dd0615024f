#include "IdleTracker.h"

#include <cstddef>
#include <cstring>
#include <map>
#include <mutex>
#include <new>

#include "driver/platform/idle/CompositeIdleTracker.h"

namespace sim {
namespace {

// The caller's status record as the tracker receives it: a component
// outside the module sees only the record's published layout, so it
// writes the fields itself, keeping the first error as the module does.
struct StatusRecord {
  uint64_t size;
  int64_t code;
  char component[10];
  char file[101];
  uint64_t line;
  uint64_t stack[10];
};
static_assert(sizeof(StatusRecord) == nVLAPALS100::tStatus::kFullSize);
static_assert(sizeof(StatusRecord) == sizeof(nVLAPALS100::tStatus));

constexpr const char kComponent[] = "rfidle";
constexpr const char kFile[] = "sim/idletracker/IdleTracker";

void raise(nVLAPALS100_tStatus* caller, int32_t code, uint64_t line) {
  if (caller == nullptr || code == 0) return;
  void* status = static_cast<void*>(caller);
  StatusRecord record;
  std::memcpy(&record.size, status, sizeof record.size);
  const size_t head = record.size >= sizeof record ? sizeof record : offsetof(StatusRecord, component);
  std::memcpy(&record, status, head);
  const bool store = record.code == 0 || (record.code > 0 && code < 0);
  if (!store) return;
  record.code = code;
  if (head == sizeof record) {
    std::memset(record.component, 0, sizeof record.component);
    std::memset(record.file, 0, sizeof record.file);
    std::memcpy(record.component, kComponent, sizeof kComponent);
    std::memcpy(record.file, kFile, sizeof kFile);
    record.line = line;
    record.stack[0] = 0;
  }
  std::memcpy(status, &record, head);
}

bool failed(nVLAPALS100_tStatus* status) {
  int64_t code = 0;
  if (status != nullptr) {
    std::memcpy(&code, static_cast<const char*>(static_cast<const void*>(status)) + offsetof(StatusRecord, code),
                sizeof code);
  }
  return code < 0;
}

struct Entry {
  uint32_t holders = 0;
  bool idle = false;
};

struct Table {
  std::mutex lock;
  std::map<uint32_t, Entry> entries;
  uint32_t nextId = 1;
  uint64_t calls[static_cast<int>(IdleTracker::Call::kCount)] = {};
};

// Never destroyed: a process that exits while a driver thread or a request
// is still under way (a fuzzer reaching its time limit) must not have the
// table freed under that thread by the static destructors.
Table& table() {
  alignas(Table) static unsigned char storage[sizeof(Table)];
  static Table* instance = ::new (static_cast<void*>(storage)) Table;
  return *instance;
}

FaultSite gFaults[] = {FaultSite("rfCompositeIdleTracker_createIdleID"),
                       FaultSite("rfCompositeIdleTracker_releaseIdleID"),
                       FaultSite("rfCompositeIdleTracker_increaseReferenceCount"),
                       FaultSite("rfCompositeIdleTracker_getStatus"), FaultSite("rfCompositeIdleTracker_setStatus")};

// Counts the call and answers whether an armed failure hits it (the code
// is then in the status).
bool enter(IdleTracker::Call call, nVLAPALS100_tStatus* status, uint64_t line) {
  ++table().calls[static_cast<int>(call)];
  int32_t code = 0;
  if (!IdleTracker::faults(call).hit(&code)) return false;
  raise(status, code, line);
  return true;
}

}  // namespace

void IdleTracker::reset() {
  Table& t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  t.entries.clear();
  t.nextId = 1;
  for (auto& count : t.calls) count = 0;
  for (auto& site : gFaults) site.clear();
}

bool IdleTracker::exists(uint32_t id) {
  std::lock_guard<std::mutex> guard(table().lock);
  return table().entries.count(id) != 0;
}

uint32_t IdleTracker::holders(uint32_t id) {
  std::lock_guard<std::mutex> guard(table().lock);
  auto it = table().entries.find(id);
  return it == table().entries.end() ? 0 : it->second.holders;
}

bool IdleTracker::isIdle(uint32_t id) {
  std::lock_guard<std::mutex> guard(table().lock);
  auto it = table().entries.find(id);
  return it != table().entries.end() && it->second.idle;
}

uint64_t IdleTracker::liveIds() {
  std::lock_guard<std::mutex> guard(table().lock);
  return table().entries.size();
}

void IdleTracker::setIdle(uint32_t id, bool idle) {
  std::lock_guard<std::mutex> guard(table().lock);
  auto it = table().entries.find(id);
  if (it != table().entries.end()) it->second.idle = idle;
}

void IdleTracker::setNextId(uint32_t id) {
  std::lock_guard<std::mutex> guard(table().lock);
  table().nextId = id;
}

uint64_t IdleTracker::calls(Call call) {
  std::lock_guard<std::mutex> guard(table().lock);
  return table().calls[static_cast<int>(call)];
}

FaultSite& IdleTracker::faults(Call call) { return gFaults[static_cast<int>(call)]; }

}  // namespace sim

using sim::IdleTracker;

// An error already in the caller's status stops the calls that would hand
// out or add something; giving an id back and recording idleness still
// act, since callers make them on purpose after an earlier failure.
extern "C" uint32_t rfCompositeIdleTracker_createIdleID(nVLAPALS100_tStatus* status) {
  auto& t = sim::table();
  std::lock_guard<std::mutex> guard(t.lock);
  if (sim::enter(IdleTracker::Call::kCreate, status, __LINE__) || sim::failed(status)) return 0;
  // A new client is busy until a holder reports it idle.
  for (uint64_t tries = 0; tries <= UINT32_MAX; ++tries) {
    const uint32_t id = t.nextId++;
    if (id == 0 || t.entries.count(id) != 0) continue;
    t.entries[id] = sim::Entry{1, false};
    return id;
  }
  sim::raise(status, IdleTracker::kNoFreeIdCode, __LINE__);
  return 0;
}

extern "C" void rfCompositeIdleTracker_releaseIdleID(uint32_t id, nVLAPALS100_tStatus* status) {
  auto& t = sim::table();
  std::lock_guard<std::mutex> guard(t.lock);
  if (sim::enter(IdleTracker::Call::kRelease, status, __LINE__)) return;
  auto it = t.entries.find(id);
  if (it == t.entries.end()) {
    sim::raise(status, IdleTracker::kUnknownIdCode, __LINE__);
    return;
  }
  if (--it->second.holders == 0) t.entries.erase(it);
}

extern "C" void rfCompositeIdleTracker_increaseReferenceCount(uint32_t id, nVLAPALS100_tStatus* status) {
  auto& t = sim::table();
  std::lock_guard<std::mutex> guard(t.lock);
  if (sim::enter(IdleTracker::Call::kIncreaseReferenceCount, status, __LINE__) || sim::failed(status)) return;
  auto it = t.entries.find(id);
  if (it == t.entries.end()) {
    sim::raise(status, IdleTracker::kUnknownIdCode, __LINE__);
    return;
  }
  ++it->second.holders;
}

extern "C" int32_t rfCompositeIdleTracker_getStatus(uint32_t id, nVLAPALS100_tStatus* status) {
  auto& t = sim::table();
  std::lock_guard<std::mutex> guard(t.lock);
  if (sim::enter(IdleTracker::Call::kGetStatus, status, __LINE__)) return 0;
  auto it = t.entries.find(id);
  if (it == t.entries.end()) {
    sim::raise(status, IdleTracker::kUnknownIdCode, __LINE__);
    return 0;
  }
  return it->second.idle ? 1 : 0;
}

extern "C" void rfCompositeIdleTracker_setStatus(uint32_t id, int32_t idle, nVLAPALS100_tStatus* status) {
  auto& t = sim::table();
  std::lock_guard<std::mutex> guard(t.lock);
  if (sim::enter(IdleTracker::Call::kSetStatus, status, __LINE__)) return;
  auto it = t.entries.find(id);
  if (it == t.entries.end()) {
    sim::raise(status, IdleTracker::kUnknownIdCode, __LINE__);
    return;
  }
  it->second.idle = idle == 1;
}
