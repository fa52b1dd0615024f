#include "PageLists.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <new>

#include "../../driver/platform/zuk/ZukDMA.h"
#include "PhysicalMemory.h"
#include "UserMemory.h"

namespace sim {
namespace {

constexpr uint64_t kPage = PhysicalMemory::kPageSize;
// Fresh pages that nobody asked to be zeroed hold leftovers.
constexpr uint8_t kStaleByte = 0xCD;
constexpr std::align_val_t kPageAlignment{kPage};

struct List {
  PageLists::Info info;
  std::multimap<uintptr_t, int> mappings;
};

struct State {
  std::mutex mutex;
  std::map<uint64_t, List> lists;
  uint64_t nextHandle = 0x51000;
  size_t mappings = 0;
  uint64_t strayUnmaps = 0;
};

State& state() {
  static State* instance = new State;
  return *instance;
}

constinit FaultSite gAllocationFaults("nVLZUK220_tPageList_createFromAllocation");
constinit FaultSite gKernelMappingFaults("nVLZUK220_tPageList_mapToKernel");
constinit FaultSite gOnePageFaults("nVLZUK220_tPageList_mapOnePageToKernel");
constinit FaultSite gUserLockFaults("nVLZUK220_tPageList_createFromUser");

// Page-list handles reach the kernel layer only while they exist; an
// unknown one is a driver bug worth stopping on.
List& listOf(State& s, uint64_t handle) {
  auto found = s.lists.find(handle);
  if (found == s.lists.end()) std::abort();
  return found->second;
}

uint64_t create(uint64_t pageCount, uint32_t flags, uint32_t node) {
  if (PageLists::allocationFaults().hit() || pageCount == 0) return 0;
  SimScope scope;
  auto* host = static_cast<uint8_t*>(::operator new(pageCount* kPage, kPageAlignment));
  std::memset(host, (flags & nVLZUK_kPageListZeroed) != 0 ? 0 : kStaleByte, pageCount * kPage);
  std::vector<uint64_t> physical = PhysicalMemory::place(host, pageCount, (flags & nVLZUK_kPageListContiguous) != 0,
                                                         (flags & nVLZUK_kPageListBelow4G) != 0);
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  const uint64_t handle = s.nextHandle++;
  s.lists[handle] = List{PageLists::Info{pageCount, flags, node, std::move(physical), host}, {}};
  return handle;
}

// User pages are the process's own memory: they get frames of their own
// for the device to reach, but their bytes stay where the process has them.
// Every page must hold some of the process's memory.
uint64_t lockUser(uint64_t address, uint64_t pageCount, uint32_t flags, uint64_t pageMask) {
  if (gUserLockFaults.hit() || pageCount == 0 || (address & ~pageMask) != 0) return 0;
  for (uint64_t page = 0; page < pageCount; ++page) {
    if (!UserMemory::touches(address + page * kPage, kPage)) return 0;
  }
  SimScope scope;
  UserMemory::notePagesLocked();
  auto* host = reinterpret_cast<uint8_t*>(address);
  std::vector<uint64_t> physical = PhysicalMemory::place(host, pageCount, false, false);
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  const uint64_t handle = s.nextHandle++;
  s.lists[handle] = List{PageLists::Info{pageCount, flags, PageLists::kNoNode, std::move(physical), host, true}, {}};
  return handle;
}

void* map(FaultSite& site, uint64_t handle, uint64_t firstPage, uint64_t pageCount) {
  if (site.hit()) return nullptr;
  SimScope scope;
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  List& list = listOf(s, handle);
  if (pageCount == 0 || firstPage >= list.info.pageCount || pageCount > list.info.pageCount - firstPage) {
    return nullptr;
  }
  uint8_t* address = list.info.host + firstPage * kPage;
  list.mappings.emplace(reinterpret_cast<uintptr_t>(address), 0);
  ++s.mappings;
  return address;
}

void unmap(uint64_t handle, void* address) {
  SimScope scope;
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  List& list = listOf(s, handle);
  auto found = list.mappings.find(reinterpret_cast<uintptr_t>(address));
  if (found == list.mappings.end()) {
    ++s.strayUnmaps;
    return;
  }
  list.mappings.erase(found);
  --s.mappings;
}

}  // namespace

FaultSite& PageLists::allocationFaults() { return gAllocationFaults; }
FaultSite& PageLists::kernelMappingFaults() { return gKernelMappingFaults; }
FaultSite& PageLists::onePageMappingFaults() { return gOnePageFaults; }
FaultSite& PageLists::userLockFaults() { return gUserLockFaults; }

size_t PageLists::userLists() {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  size_t users = 0;
  for (const auto& [handle, list] : s.lists) users += list.info.user ? 1 : 0;
  return users;
}

std::optional<PageLists::Info> PageLists::find(uint64_t pageList) {
  SimScope scope;
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto found = s.lists.find(pageList);
  if (found == s.lists.end()) return std::nullopt;
  return found->second.info;
}

size_t PageLists::count() {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.lists.size();
}

std::vector<uint64_t> PageLists::handles() {
  SimScope scope;
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  std::vector<uint64_t> out;
  for (const auto& [handle, list] : s.lists) out.push_back(handle);
  return out;
}

size_t PageLists::kernelMappings() {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.mappings;
}

uint64_t PageLists::strayUnmaps() {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.strayUnmaps;
}

std::vector<PageLists::Run> PageLists::runs(uint64_t pageList, uint64_t offset, uint64_t size) {
  SimScope scope;
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  const Info& info = listOf(s, pageList).info;
  std::vector<Run> runs;
  for (uint64_t at = offset; at < offset + size;) {
    const uint64_t page = at / kPage;
    const uint64_t physical = info.physical[page] + at % kPage;
    const uint64_t piece = std::min(kPage - at % kPage, offset + size - at);
    if (!runs.empty() && runs.back().address + runs.back().size == physical) {
      runs.back().size += piece;
    } else {
      runs.push_back(Run{physical, piece});
    }
    at += piece;
  }
  return runs;
}

void PageLists::reset() {
  gAllocationFaults.clear();
  gKernelMappingFaults.clear();
  gOnePageFaults.clear();
  gUserLockFaults.clear();
  SimScope scope;
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  for (auto& [handle, list] : s.lists) {
    if (!list.info.user) ::operator delete(list.info.host, kPageAlignment);
  }
  s.lists.clear();
  s.mappings = 0;
  s.strayUnmaps = 0;
}

}  // namespace sim

extern "C" {

uint64_t nVLZUK220_tPageList_createFromAllocation(uint64_t pageCount, uint32_t flags) {
  return sim::create(pageCount, flags, sim::PageLists::kNoNode);
}

uint64_t nVLZUK1_tPageList_createFromAllocationNUMA(uint64_t pageCount, uint32_t flags, uint32_t numaNode) {
  return sim::create(pageCount, flags, numaNode);
}

void nVLZUK220_tPageList_destroy(uint64_t pageList) {
  if (pageList == 0) return;
  sim::SimScope scope;
  sim::State& s = sim::state();
  std::unique_lock<std::mutex> lock(s.mutex);
  sim::List list = std::move(sim::listOf(s, pageList));
  s.lists.erase(pageList);
  lock.unlock();
  sim::PhysicalMemory::release(list.info.physical);
  if (!list.info.user) ::operator delete(list.info.host, sim::kPageAlignment);
}

uint64_t nVLZUK220_tPageList_createFromUser(uint64_t userAddress, uint64_t pageCount, uint32_t flags,
                                            uint64_t pageMask) {
  return sim::lockUser(userAddress, pageCount, flags, pageMask);
}

int32_t nVLZUK220_tPageList_getPhysicalAddress(uint64_t pageList, uint64_t offset, uint64_t* physicalAddress,
                                               uint64_t* contiguousBytes) {
  sim::SimScope scope;
  sim::State& s = sim::state();
  std::lock_guard<std::mutex> lock(s.mutex);
  const sim::PageLists::Info& info = sim::listOf(s, pageList).info;
  uint64_t page = offset / sim::kPage;
  if (page >= info.pageCount) return sim::PageLists::kOutOfRange;
  *physicalAddress = info.physical[page] + offset % sim::kPage;
  while (page + 1 < info.pageCount && info.physical[page + 1] == info.physical[page] + sim::kPage) ++page;
  *contiguousBytes = (page + 1) * sim::kPage - offset;
  return 0;
}

void* nVLZUK220_tPageList_mapToKernel(uint64_t pageList, uint64_t firstPage, uint64_t pageCount, uint64_t pageSize) {
  if (pageSize != sim::kPage) return nullptr;
  return sim::map(sim::gKernelMappingFaults, pageList, firstPage, pageCount);
}

void nVLZUK220_tPageList_unmapFromKernel(uint64_t pageList, void* address) { sim::unmap(pageList, address); }

void* nVLZUK220_tPageList_mapOnePageToKernel(uint64_t pageList, uint64_t pageIndex) {
  return sim::map(sim::gOnePageFaults, pageList, pageIndex, 1);
}

void nVLZUK220_tPageList_unmapOnePageFromKernel(uint64_t pageList, void* address) { sim::unmap(pageList, address); }

uint8_t nVLZUK200_isAddressableMemOver4G(void) { return sim::PhysicalMemory::memoryAbove4G() ? 1 : 0; }

}  // extern "C"
