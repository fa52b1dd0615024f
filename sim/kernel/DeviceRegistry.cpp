#include "DeviceRegistry.h"

#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>

#include "../../driver/platform/zuk/ZukDevice.h"
#include "Scheduler.h"

namespace sim {
namespace {

std::mutex gRegistryMutex;
std::vector<DeviceRegistry::Interface> gInterfaces;
std::vector<DeviceRegistry::Property> gProperties;
std::vector<uint64_t> gUnregisteredInterfaces;
uint64_t gStrayUnregistrations = 0;
// Handles never repeat within a run, so a stale one is always recognised.
uint64_t gNextHandle = 0x1000;
// Opens in progress, by interface handle; an entry goes once its count is
// back to 0. Unregistration waits on gOpensEnded (or, in the deterministic
// mode, in the scheduler) until its handle has none.
std::map<uint64_t, int> gOpening;
std::condition_variable gOpensEnded;
constinit FaultSite gInterfaceFaults("nVLZUK240_registerDeviceInterface");
constinit FaultSite gPropertyFaults("nVLZUK200_registerProperty");

template <typename Record>
bool eraseHandle(std::vector<Record>& records, uint64_t handle) {
  auto found = std::find_if(records.begin(), records.end(), [handle](const Record& r) { return r.handle == handle; });
  if (found == records.end()) return false;
  records.erase(found);
  return true;
}

}  // namespace

FaultSite& DeviceRegistry::interfaceRegistrationFaults() { return gInterfaceFaults; }
FaultSite& DeviceRegistry::propertyRegistrationFaults() { return gPropertyFaults; }

std::vector<DeviceRegistry::Interface> DeviceRegistry::interfaces() {
  std::lock_guard<std::mutex> guard(gRegistryMutex);
  return gInterfaces;
}

std::optional<DeviceRegistry::Interface> DeviceRegistry::findInterface(const std::string& name) {
  std::lock_guard<std::mutex> guard(gRegistryMutex);
  for (const Interface& entry : gInterfaces) {
    if (entry.name == name) return entry;
  }
  return std::nullopt;
}

std::optional<DeviceRegistry::Interface> DeviceRegistry::beginOpen(const std::string& name,
                                                                   const nVLZUK_tDriverRecord* driver) {
  std::lock_guard<std::mutex> guard(gRegistryMutex);
  for (const Interface& entry : gInterfaces) {
    if (entry.name != name) continue;
    if (entry.driver != driver) return std::nullopt;
    ++gOpening[entry.handle];
    return entry;
  }
  return std::nullopt;
}

void DeviceRegistry::endOpen(uint64_t handle) {
  std::lock_guard<std::mutex> guard(gRegistryMutex);
  const auto found = gOpening.find(handle);
  if (found == gOpening.end()) return;
  if (--found->second == 0) gOpening.erase(found);
  gOpensEnded.notify_all();
}

std::vector<uint64_t> DeviceRegistry::unregisteredInterfaces() {
  std::lock_guard<std::mutex> guard(gRegistryMutex);
  return gUnregisteredInterfaces;
}

std::vector<DeviceRegistry::Property> DeviceRegistry::properties() {
  std::lock_guard<std::mutex> guard(gRegistryMutex);
  return gProperties;
}

std::optional<DeviceRegistry::Property> DeviceRegistry::findProperty(uint64_t owner, const std::string& name) {
  std::lock_guard<std::mutex> guard(gRegistryMutex);
  for (const Property& entry : gProperties) {
    if (entry.owner == owner && entry.name == name) return entry;
  }
  return std::nullopt;
}

uint64_t DeviceRegistry::strayUnregistrations() {
  std::lock_guard<std::mutex> guard(gRegistryMutex);
  return gStrayUnregistrations;
}

void DeviceRegistry::reset() {
  gInterfaceFaults.clear();
  gPropertyFaults.clear();
  std::lock_guard<std::mutex> guard(gRegistryMutex);
  gInterfaces.clear();
  gProperties.clear();
  gUnregisteredInterfaces.clear();
  gOpening.clear();
  gStrayUnregistrations = 0;
}

}  // namespace sim

extern "C" {

uint64_t nVLZUK240_registerDeviceInterface(nVLZUK_tDriverRecord* driver, uint64_t device, const char* name,
                                           uint32_t index, void* context) {
  if (sim::gInterfaceFaults.hit()) return 0;
  sim::SimScope scope;
  std::lock_guard<std::mutex> guard(sim::gRegistryMutex);
  const uint64_t handle = sim::gNextHandle++;
  sim::gInterfaces.push_back({handle, driver, device, name != nullptr ? name : "", index, context, false});
  return handle;
}

// The interface goes from the list at once, so no new open finds it; the
// call returns once the opens that found it before have returned from the
// driver, as a kernel holds a device for an open: the driver may then free
// what the interface's context points at.
void nVLZUK200_unregisterDeviceInterface(uint64_t interfaceHandle) {
  sim::SimScope scope;
  std::unique_lock<std::mutex> lock(sim::gRegistryMutex);
  if (!sim::eraseHandle(sim::gInterfaces, interfaceHandle)) {
    ++sim::gStrayUnregistrations;
    return;
  }
  sim::gUnregisteredInterfaces.push_back(interfaceHandle);
  auto idle = [interfaceHandle] { return sim::gOpening.count(interfaceHandle) == 0; };
  if (idle()) return;
  if (sim::Scheduler::active()) {
    lock.unlock();
    // Read with no lock: in this mode only one task runs at a time.
    sim::Scheduler::blockUntil(sim::Scheduler::Call::kEventWait, idle);
  } else {
    sim::gOpensEnded.wait(lock, idle);
  }
}

void nVLZUK240_notifyUserspaceAddEvent(uint64_t interfaceHandle) {
  std::lock_guard<std::mutex> guard(sim::gRegistryMutex);
  for (sim::DeviceRegistry::Interface& entry : sim::gInterfaces) {
    if (entry.handle == interfaceHandle) entry.announced = true;
  }
}

uint64_t nVLZUK200_registerProperty(uint32_t kind, uint64_t owner, const char* name, const void* value, uint64_t size) {
  if (sim::gPropertyFaults.hit()) return 0;
  sim::SimScope scope;
  std::lock_guard<std::mutex> guard(sim::gRegistryMutex);
  const uint64_t handle = sim::gNextHandle++;
  const auto* bytes = static_cast<const uint8_t*>(value);
  sim::gProperties.push_back({handle, kind, owner, name != nullptr ? name : "",
                              bytes != nullptr ? std::vector<uint8_t>(bytes, bytes + size) : std::vector<uint8_t>()});
  return handle;
}

// Like most kernel release calls, unregistering handle 0 does nothing.
void nVLZUK200_unregisterProperty(uint64_t propertyHandle) {
  if (propertyHandle == 0) return;
  sim::SimScope scope;
  std::lock_guard<std::mutex> guard(sim::gRegistryMutex);
  if (!sim::eraseHandle(sim::gProperties, propertyHandle)) ++sim::gStrayUnregistrations;
}

}  // extern "C"
