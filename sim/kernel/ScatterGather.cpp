#include "ScatterGather.h"

#include <cstdlib>
#include <map>
#include <mutex>

#include "../../driver/platform/zuk/ZukDMA.h"
#include "PhysicalMemory.h"

namespace sim {
namespace {

struct Object {
  ScatterGather::Info info;
  size_t cursor = 0;
};

struct State {
  std::mutex mutex;
  std::map<uint64_t, Object> objects;
  uint64_t nextHandle = 0x5C000;
  uint64_t pairingViolations = 0;
  uint64_t repeatedPrepares = 0;
};

State& state() {
  static State* instance = new State;
  return *instance;
}

constinit FaultSite gCreationFaults("nVLZUK220_tSGL_createForPCI");
constinit FaultSite gMappingFaults("nVLZUK220_tSGL_map");

Object& objectOf(State& s, uint64_t handle) {
  auto found = s.objects.find(handle);
  if (found == s.objects.end()) std::abort();
  return found->second;
}

std::vector<PhysicalMemory::Range> ranges(const ScatterGather::Info& info) {
  std::vector<PhysicalMemory::Range> out;
  for (const PageLists::Run& run : info.segments) out.push_back(PhysicalMemory::Range{run.address, run.size});
  return out;
}

void takeBack(ScatterGather::Info& info) {
  if (!info.handedOver) return;
  PhysicalMemory::adjustHandedOver(ranges(info), info.deviceWrites, -1);
  info.handedOver = false;
}

void unmapLocked(Object& object) {
  ScatterGather::Info& info = object.info;
  if (!info.mapped) return;
  takeBack(info);
  PhysicalMemory::adjustMapped(ranges(info), -1);
  info.segments.clear();
  info.mapped = false;
  object.cursor = 0;
}

bool regionInside(uint64_t pageList, uint64_t offset, uint64_t size) {
  const std::optional<PageLists::Info> list = PageLists::find(pageList);
  if (!list) std::abort();
  const uint64_t bytes = list->pageCount * PhysicalMemory::kPageSize;
  return size != 0 && offset < bytes && size <= bytes - offset;
}

}  // namespace

FaultSite& ScatterGather::creationFaults() { return gCreationFaults; }
FaultSite& ScatterGather::mappingFaults() { return gMappingFaults; }

std::optional<ScatterGather::Info> ScatterGather::find(uint64_t sgl) {
  SimScope scope;
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto found = s.objects.find(sgl);
  if (found == s.objects.end()) return std::nullopt;
  return found->second.info;
}

size_t ScatterGather::count() {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.objects.size();
}

std::vector<uint64_t> ScatterGather::handles() {
  SimScope scope;
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  std::vector<uint64_t> out;
  for (const auto& [handle, object] : s.objects) out.push_back(handle);
  return out;
}

uint64_t ScatterGather::pairingViolations() {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.pairingViolations;
}

uint64_t ScatterGather::repeatedPrepares() {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.repeatedPrepares;
}

void ScatterGather::reset() {
  gCreationFaults.clear();
  gMappingFaults.clear();
  SimScope scope;
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.objects.clear();
  s.pairingViolations = 0;
  s.repeatedPrepares = 0;
}

}  // namespace sim

extern "C" {

uint64_t nVLZUK220_tSGL_createForPCI(uint64_t pciHandle, uint64_t maxSegments) {
  if (sim::gCreationFaults.hit() || maxSegments == 0) return 0;
  sim::SimScope scope;
  sim::State& s = sim::state();
  std::lock_guard<std::mutex> lock(s.mutex);
  const uint64_t handle = s.nextHandle++;
  s.objects[handle].info = sim::ScatterGather::Info{pciHandle, maxSegments, false, false, false, {}, 0, 0};
  return handle;
}

void nVLZUK220_tSGL_destroy(uint64_t sgl) {
  if (sgl == 0) return;
  sim::SimScope scope;
  sim::State& s = sim::state();
  std::lock_guard<std::mutex> lock(s.mutex);
  sim::unmapLocked(sim::objectOf(s, sgl));
  s.objects.erase(sgl);
}

int32_t nVLZUK220_tSGL_map(uint64_t sgl, uint64_t pageList, uint64_t offset, uint64_t size, uint8_t deviceWrites) {
  int32_t code = 0;
  if (sim::gMappingFaults.hit(&code)) return code;
  if (sgl == 0) return sim::ScatterGather::kMappingRefused;
  sim::SimScope scope;
  if (!sim::regionInside(pageList, offset, size)) return sim::ScatterGather::kMappingRefused;
  std::vector<sim::PageLists::Run> segments = sim::PageLists::runs(pageList, offset, size);
  sim::State& s = sim::state();
  std::lock_guard<std::mutex> lock(s.mutex);
  sim::Object& object = sim::objectOf(s, sgl);
  sim::unmapLocked(object);
  if (segments.size() > object.info.maxSegments) return sim::ScatterGather::kMappingRefused;
  object.info.segments = std::move(segments);
  object.info.mapped = true;
  object.info.deviceWrites = deviceWrites != 0;
  object.cursor = 0;
  sim::PhysicalMemory::adjustMapped(sim::ranges(object.info), 1);
  return 0;
}

void nVLZUK220_tSGL_unmap(uint64_t sgl) {
  if (sgl == 0) return;
  sim::SimScope scope;
  sim::State& s = sim::state();
  std::lock_guard<std::mutex> lock(s.mutex);
  sim::unmapLocked(sim::objectOf(s, sgl));
}

void nVLZUK220_tSGL_prepareForDMA(uint64_t sgl) {
  sim::SimScope scope;
  sim::State& s = sim::state();
  std::lock_guard<std::mutex> lock(s.mutex);
  sim::ScatterGather::Info& info = sim::objectOf(s, sgl).info;
  ++info.prepares;
  if (!info.mapped) {
    ++s.pairingViolations;
  } else if (info.handedOver) {
    ++s.repeatedPrepares;
  } else {
    info.handedOver = true;
    sim::PhysicalMemory::adjustHandedOver(sim::ranges(info), info.deviceWrites, 1);
  }
}

void nVLZUK220_tSGL_completeDMA(uint64_t sgl) {
  sim::SimScope scope;
  sim::State& s = sim::state();
  std::lock_guard<std::mutex> lock(s.mutex);
  sim::ScatterGather::Info& info = sim::objectOf(s, sgl).info;
  ++info.completes;
  if (!info.mapped || !info.handedOver) {
    ++s.pairingViolations;
    return;
  }
  sim::takeBack(info);
}

uint64_t nVLZUK220_tSGL_numSegments(uint64_t sgl) {
  sim::SimScope scope;
  sim::State& s = sim::state();
  std::lock_guard<std::mutex> lock(s.mutex);
  return sim::objectOf(s, sgl).info.segments.size();
}

void nVLZUK220_tSGL_iterate(uint64_t sgl) {
  sim::SimScope scope;
  sim::State& s = sim::state();
  std::lock_guard<std::mutex> lock(s.mutex);
  sim::objectOf(s, sgl).cursor = 0;
}

uint64_t nVLZUK220_tSGL_getSegmentAddress(uint64_t sgl) {
  sim::SimScope scope;
  sim::State& s = sim::state();
  std::lock_guard<std::mutex> lock(s.mutex);
  const sim::Object& object = sim::objectOf(s, sgl);
  return object.cursor < object.info.segments.size() ? object.info.segments[object.cursor].address : 0;
}

uint64_t nVLZUK220_tSGL_getSegmentSize(uint64_t sgl) {
  sim::SimScope scope;
  sim::State& s = sim::state();
  std::lock_guard<std::mutex> lock(s.mutex);
  const sim::Object& object = sim::objectOf(s, sgl);
  return object.cursor < object.info.segments.size() ? object.info.segments[object.cursor].size : 0;
}

void nVLZUK220_tSGL_nextSegment(uint64_t sgl) {
  sim::SimScope scope;
  sim::State& s = sim::state();
  std::lock_guard<std::mutex> lock(s.mutex);
  sim::Object& object = sim::objectOf(s, sgl);
  if (object.cursor < object.info.segments.size()) ++object.cursor;
}

}  // extern "C"
