#include "Pci.h"

#include <algorithm>
#include <bit>
#include <map>
#include <mutex>

namespace sim {
namespace {

struct Function {
  PciFunction* model;
  PciPlacement placement;
  std::optional<uint64_t> dmaMask;
};

struct Lent {
  uint8_t* memory;
  uint64_t size;
};

constexpr uint64_t kFirstHandle = 0x7C0000;
constexpr uint64_t kPhysicalOrigin = 0xC0000000;
constexpr uint64_t kHighPhysicalOrigin = 0x3F00000000;

std::mutex gMutex;
std::map<uint64_t, Function> gFunctions;
uint64_t gNextHandle = kFirstHandle;
std::map<uint64_t, Lent> gLent;  // by physical address
uint64_t gNextPhysical = kPhysicalOrigin;
uint64_t gNextHighPhysical = kHighPhysicalOrigin;
std::vector<Pci::KernelMapping> gMappings;
uint64_t gStrayUnmaps = 0;
std::vector<nVLZUK_tPCIBus> gBuses = Pci::chassisBuses();

constinit FaultSite gConfigReadFaults("nVLZUK100_pciConfigRead");
constinit FaultSite gConfigWriteFaults("nVLZUK100_pciConfigWrite");
constinit FaultSite gDmaMaskFaults("nVLZUK220_pciSetDMAMask");
constinit FaultSite gDomainFaults("nVLZUK240_getPCIDomain");
constinit FaultSite gEnumerationFaults("nVLZUK100_enumeratePCIBuses");
constinit FaultSite gMappingFaults("nVLZUK230_mapPhysicalToKernel");

nVLZUK_tPCIBus bus(bool root, uint8_t primary, uint8_t secondary, uint8_t subordinate, uint8_t deviceFunction) {
  return nVLZUK_tPCIBus{0, root ? 1u : 0u, primary, secondary, subordinate, deviceFunction, 0};
}

PciFunction* modelOf(uint64_t handle) {
  std::lock_guard<std::mutex> lock(gMutex);
  auto found = gFunctions.find(handle);
  return found != gFunctions.end() ? found->second.model : nullptr;
}

bool aligned(uint32_t offset, unsigned width) { return offset % width == 0; }

int32_t configRead(uint64_t handle, uint32_t offset, unsigned width, uint32_t& value) {
  int32_t code = 0;
  if (gConfigReadFaults.hit(&code)) return code;
  SimScope scope;
  PciFunction* model = modelOf(handle);
  if (model == nullptr) return Pci::kNoSuchFunction;
  if (!aligned(offset, width) || !model->configRead(offset, width, value)) return Pci::kConfigAccessFailed;
  return 0;
}

int32_t configWrite(uint64_t handle, uint32_t offset, unsigned width, uint32_t value) {
  int32_t code = 0;
  if (gConfigWriteFaults.hit(&code)) return code;
  SimScope scope;
  PciFunction* model = modelOf(handle);
  if (model == nullptr) return Pci::kNoSuchFunction;
  if (!aligned(offset, width) || !model->configWrite(offset, width, value)) return Pci::kConfigAccessFailed;
  return 0;
}

}  // namespace

FaultSite& Pci::configReadFaults() { return gConfigReadFaults; }
FaultSite& Pci::configWriteFaults() { return gConfigWriteFaults; }
FaultSite& Pci::dmaMaskFaults() { return gDmaMaskFaults; }
FaultSite& Pci::domainFaults() { return gDomainFaults; }
FaultSite& Pci::enumerationFaults() { return gEnumerationFaults; }
FaultSite& Pci::kernelMappingFaults() { return gMappingFaults; }

uint64_t Pci::plug(PciFunction& function, const PciPlacement& placement) {
  std::lock_guard<std::mutex> lock(gMutex);
  const uint64_t handle = gNextHandle++;
  gFunctions.emplace(handle, Function{&function, placement, std::nullopt});
  return handle;
}

void Pci::unplug(uint64_t handle) {
  std::lock_guard<std::mutex> lock(gMutex);
  gFunctions.erase(handle);
}

std::optional<PciPlacement> Pci::placement(uint64_t handle) {
  std::lock_guard<std::mutex> lock(gMutex);
  auto found = gFunctions.find(handle);
  if (found == gFunctions.end()) return std::nullopt;
  return found->second.placement;
}

uint64_t Pci::lendPhysical(void* memory, uint64_t size, bool above4GiB) {
  std::lock_guard<std::mutex> lock(gMutex);
  const uint64_t alignment = std::max<uint64_t>(std::bit_ceil(size), 0x1000);
  uint64_t& next = above4GiB ? gNextHighPhysical : gNextPhysical;
  const uint64_t physical = (next + alignment - 1) & ~(alignment - 1);
  next = physical + alignment;
  gLent.emplace(physical, Lent{static_cast<uint8_t*>(memory), size});
  return physical;
}

void Pci::returnPhysical(uint64_t physicalAddress) {
  std::lock_guard<std::mutex> lock(gMutex);
  gLent.erase(physicalAddress);
}

std::vector<Pci::KernelMapping> Pci::kernelMappings() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gMappings;
}

uint64_t Pci::strayUnmaps() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gStrayUnmaps;
}

void Pci::setBuses(std::vector<nVLZUK_tPCIBus> buses) {
  std::lock_guard<std::mutex> lock(gMutex);
  gBuses = std::move(buses);
}

std::vector<nVLZUK_tPCIBus> Pci::buses() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gBuses;
}

std::vector<nVLZUK_tPCIBus> Pci::chassisBuses() {
  std::vector<nVLZUK_tPCIBus> buses = {
      bus(true, 0, 0, 0xFF, 0),   // host bridge
      bus(false, 0, 1, 8, 0xE0),  // root port 00:1C.0
      bus(false, 1, 2, 8, 0x00),  // switch upstream port 01:00.0
  };
  for (uint8_t slot = 0; slot < 6; ++slot) {
    const auto secondary = static_cast<uint8_t>(3 + slot);
    buses.push_back(bus(false, 2, secondary, secondary, static_cast<uint8_t>((8 + slot) * 8)));
  }
  return buses;
}

std::optional<uint64_t> Pci::dmaMask(uint64_t handle) {
  std::lock_guard<std::mutex> lock(gMutex);
  auto found = gFunctions.find(handle);
  if (found == gFunctions.end()) return std::nullopt;
  return found->second.dmaMask;
}

void Pci::reset() {
  for (FaultSite* site : {&gConfigReadFaults, &gConfigWriteFaults, &gDmaMaskFaults, &gDomainFaults, &gEnumerationFaults,
                          &gMappingFaults}) {
    site->clear();
  }
  std::lock_guard<std::mutex> lock(gMutex);
  gFunctions.clear();
  gLent.clear();
  gNextPhysical = kPhysicalOrigin;
  gNextHighPhysical = kHighPhysicalOrigin;
  gMappings.clear();
  gStrayUnmaps = 0;
  gBuses = chassisBuses();
}

}  // namespace sim

extern "C" {

int32_t nVLZUK100_pciConfigRead8(uint64_t handle, uint32_t offset, uint8_t* value) {
  uint32_t word = 0;
  const int32_t code = sim::configRead(handle, offset, 1, word);
  if (code == 0) *value = static_cast<uint8_t>(word);
  return code;
}

int32_t nVLZUK100_pciConfigRead16(uint64_t handle, uint32_t offset, uint16_t* value) {
  uint32_t word = 0;
  const int32_t code = sim::configRead(handle, offset, 2, word);
  if (code == 0) *value = static_cast<uint16_t>(word);
  return code;
}

int32_t nVLZUK100_pciConfigRead32(uint64_t handle, uint32_t offset, uint32_t* value) {
  uint32_t word = 0;
  const int32_t code = sim::configRead(handle, offset, 4, word);
  if (code == 0) *value = word;
  return code;
}

int32_t nVLZUK100_pciConfigWrite8(uint64_t handle, uint32_t offset, uint8_t value) {
  return sim::configWrite(handle, offset, 1, value);
}

int32_t nVLZUK100_pciConfigWrite16(uint64_t handle, uint32_t offset, uint16_t value) {
  return sim::configWrite(handle, offset, 2, value);
}

int32_t nVLZUK100_pciConfigWrite32(uint64_t handle, uint32_t offset, uint32_t value) {
  return sim::configWrite(handle, offset, 4, value);
}

int32_t nVLZUK220_pciSetDMAMask(uint64_t handle, uint64_t mask) {
  int32_t code = 0;
  if (sim::gDmaMaskFaults.hit(&code)) return code;
  sim::SimScope scope;
  std::lock_guard<std::mutex> lock(sim::gMutex);
  auto found = sim::gFunctions.find(handle);
  if (found == sim::gFunctions.end()) return sim::Pci::kNoSuchFunction;
  const unsigned bits = found->second.placement.dmaAddressBits;
  const uint64_t reach = bits >= 64 ? ~uint64_t{0} : (uint64_t{1} << bits) - 1;
  if ((mask & ~reach) != 0) return sim::Pci::kMaskRefused;
  found->second.dmaMask = mask;
  return 0;
}

int32_t nVLZUK240_getPCIDomain(uint64_t handle) {
  int32_t code = 0;
  if (sim::gDomainFaults.hit(&code)) return code;
  sim::SimScope scope;
  const std::optional<sim::PciPlacement> placement = sim::Pci::placement(handle);
  return placement ? static_cast<int32_t>(placement->domain) : sim::Pci::kNoSuchFunction;
}

int32_t nVLZUK1_getDeviceNUMANode(uint64_t handle) {
  sim::SimScope scope;
  const std::optional<sim::PciPlacement> placement = sim::Pci::placement(handle);
  return placement ? placement->numaNode : -1;
}

int32_t nVLZUK100_enumeratePCIBuses(nVLZUK_tPCIBusVisitor visitor, void* context) {
  int32_t code = 0;
  if (sim::gEnumerationFaults.hit(&code)) return code;
  std::vector<nVLZUK_tPCIBus> buses;
  {
    sim::SimScope scope;
    buses = sim::Pci::buses();
  }
  for (const nVLZUK_tPCIBus& bus : buses) {
    if (visitor(&bus, context) != 0) break;
  }
  return 0;
}

void* nVLZUK230_mapPhysicalToKernel(uint64_t physicalAddress, uint64_t size, uint32_t cacheMode) {
  if (sim::gMappingFaults.hit()) return nullptr;
  sim::SimScope scope;
  std::lock_guard<std::mutex> lock(sim::gMutex);
  if (size == 0) return nullptr;
  auto found = sim::gLent.upper_bound(physicalAddress);
  if (found == sim::gLent.begin()) return nullptr;
  --found;
  const uint64_t offset = physicalAddress - found->first;
  if (offset >= found->second.size || size > found->second.size - offset) return nullptr;
  void* address = found->second.memory + offset;
  sim::gMappings.push_back(sim::Pci::KernelMapping{address, physicalAddress, size, cacheMode});
  return address;
}

// An unmap must name the cache mode the mapping was made with; one that
// does not is refused like an unmap of nothing, and the mapping stays.
void nVLZUK230_unmapPhysicalFromKernel(void* address, uint32_t cacheMode) {
  sim::SimScope scope;
  std::lock_guard<std::mutex> lock(sim::gMutex);
  auto found = std::find_if(sim::gMappings.begin(), sim::gMappings.end(),
                            [address](const sim::Pci::KernelMapping& m) { return m.address == address; });
  if (found == sim::gMappings.end() || found->cacheMode != cacheMode) {
    ++sim::gStrayUnmaps;
    return;
  }
  sim::gMappings.erase(found);
}

}  // extern "C"
