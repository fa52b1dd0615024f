#include "UserMaps.h"

#include <cstdlib>
#include <map>
#include <mutex>

#include "../../driver/platform/zuk/ZukUserMemory.h"
#include "Memory.h"

namespace sim {
namespace {

std::mutex gMapsMutex;
std::map<uint64_t, UserMaps::Map> gMaps;
uint64_t gNextHandle = 0x7000;
constinit FaultSite gPageListFaults("nVLZUK220_tUserMemMap_mapPageList");
constinit FaultSite gPhysicalFaults("nVLZUK2280_tUserMemMap_mapPhysicalAddress");

// The kernel layer's records are only ever handed to the driver while they
// exist; an unknown handle here is a driver bug worth stopping on.
UserMaps::Map& mapOf(uint64_t handle) {
  auto found = gMaps.find(handle);
  if (found == gMaps.end()) std::abort();
  return found->second;
}

}  // namespace

FaultSite& UserMaps::pageListMappingFaults() { return gPageListFaults; }
FaultSite& UserMaps::physicalMappingFaults() { return gPhysicalFaults; }

uint64_t UserMaps::create(uint64_t size, uint64_t virtualAddress, uint32_t accessMode) {
  SimScope scope;
  std::lock_guard<std::mutex> guard(gMapsMutex);
  const uint64_t handle = gNextHandle++;
  gMaps[handle] = Map{handle, size, virtualAddress, accessMode, {}, {}};
  return handle;
}

void UserMaps::destroy(uint64_t handle) {
  SimScope scope;
  std::lock_guard<std::mutex> guard(gMapsMutex);
  gMaps.erase(handle);
}

std::optional<UserMaps::Map> UserMaps::find(uint64_t handle) {
  SimScope scope;
  std::lock_guard<std::mutex> guard(gMapsMutex);
  auto found = gMaps.find(handle);
  if (found == gMaps.end()) return std::nullopt;
  return found->second;
}

size_t UserMaps::count() {
  std::lock_guard<std::mutex> guard(gMapsMutex);
  return gMaps.size();
}

void UserMaps::reset() {
  gPageListFaults.clear();
  gPhysicalFaults.clear();
  std::lock_guard<std::mutex> guard(gMapsMutex);
  gMaps.clear();
}

}  // namespace sim

extern "C" {

uint64_t nVLZUK220_tUserMemMap_getSize(uint64_t map) {
  std::lock_guard<std::mutex> guard(sim::gMapsMutex);
  return sim::mapOf(map).size;
}

uint64_t nVLZUK220_tUserMemMap_getVirtualAddress(uint64_t map) {
  std::lock_guard<std::mutex> guard(sim::gMapsMutex);
  return sim::mapOf(map).virtualAddress;
}

uint32_t nVLZUK220_tUserMemMap_getAccessMode(uint64_t map) {
  std::lock_guard<std::mutex> guard(sim::gMapsMutex);
  return sim::mapOf(map).accessMode;
}

int32_t nVLZUK220_tUserMemMap_mapPageList(uint64_t map, uint64_t pageList, uint64_t firstPage, uint64_t pageCount) {
  int32_t code = 0;
  if (sim::gPageListFaults.hit(&code)) return code;
  sim::SimScope scope;
  std::lock_guard<std::mutex> guard(sim::gMapsMutex);
  sim::UserMaps::Map& record = sim::mapOf(map);
  if (pageList == 0 || pageCount > record.size / sim::Memory::kPageSize) return sim::UserMaps::kMappingRefused;
  record.pageLists.push_back({pageList, firstPage, pageCount});
  return 0;
}

int32_t nVLZUK2280_tUserMemMap_mapPhysicalAddress(uint64_t map, uint64_t physicalAddress, uint64_t size,
                                                  uint32_t cacheMode) {
  int32_t code = 0;
  if (sim::gPhysicalFaults.hit(&code)) return code;
  sim::SimScope scope;
  std::lock_guard<std::mutex> guard(sim::gMapsMutex);
  sim::UserMaps::Map& record = sim::mapOf(map);
  if (physicalAddress % sim::Memory::kPageSize != 0 || size > record.size) return sim::UserMaps::kMappingRefused;
  record.physicalRanges.push_back({physicalAddress, size, cacheMode});
  return 0;
}

}  // extern "C"
