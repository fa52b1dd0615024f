// The session's user-mode mappings: the FPGA's register window, host
// memory buffers and peer-to-peer sinks. Sinks stay listed while linked, so
// that a download cannot pull the design from under them.
#include "FpgaLockHold.h"
#include "Session.h"

namespace vllym {
namespace kernel {

namespace {

enum MemoryMapKind : uint32_t { kRegisterWindow = 1, kHostBuffer = 2, kPeerSink = 4 };

constexpr uint32_t kindOf(MemoryMapId id) { return id >> 12; }
constexpr uint32_t indexOf(MemoryMapId id) { return id & 0xFFF; }

}  // namespace

MemoryMapId* Session::findMemoryMap(MemoryMapId id) {
  for (MemoryMapId& listed : memoryMaps_) {
    if (listed == id) return &listed;
  }
  return nullptr;
}

// The state's mutex comes before the FPGA lock, as everywhere.
void Session::mapMemory(nVLAPAL000::tEventDescriptor& descriptor, nVLAPAL000::tUserMemoryMap& map, tStatus& status) {
  if (!guard(status)) return;
  const MemoryMapId id = static_cast<MemoryMapId>(map.getRegion());
  if (kindOf(id) == kPeerSink) {
    nVLAPAL000::tAutoLock<nVLAPAL000::tMutex> mutex(*mutex_);
    if (findMemoryMap(id) != nullptr) {
      status.setCode(nVLAPALS100::kStatusBadSelector, VL_SITE);
      return;
    }
    {
      SharedHold hold(*lock_);
      fpga_->linkSinkWithUserMode(descriptor, map, indexOf(id), status);
    }
    memoryMaps_.push_back(id, status);
    return;
  }
  SharedHold hold(*lock_);
  if (kindOf(id) == kRegisterWindow) {
    fpga_->mapRegisterWindow(map, status);
  } else if (kindOf(id) == kHostBuffer) {
    HMBManager* manager = fpga_->getHMBManager(status);
    if (manager == nullptr) {
      status.setCode(kStatusNotProvided, VL_SITE);
      return;
    }
    manager->allocateAndMap(descriptor, map, status);
  } else {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
  }
}

// Runs when a process's mapping is torn down, at its exit too: it waits for
// no writer that is only waiting (a personality holder's close, a
// configure), which may wait behind another session's wait without limit.
// A waiting writer that would destroy the buffer manager or the sink waits
// for this unmap in turn. It passes no guard and no admission: the device
// wires no map of an FPGA session, and one that did would first count this
// as a close is counted, so that no reset deletes the state under it.
void Session::unmapMemory(nVLAPAL000::tEventDescriptor& descriptor, nVLAPAL000::tUserMemoryMap& map) {
  const MemoryMapId id = static_cast<MemoryMapId>(map.getRegion());
  tStatus local;
  if (kindOf(id) == kPeerSink) {
    nVLAPAL000::tAutoLock<nVLAPAL000::tMutex> mutex(*mutex_);
    {
      TeardownHold hold(*lock_);
      fpga_->unlinkSinkWithUserMode(descriptor, map, indexOf(id), local);
    }
    if (MemoryMapId* listed = findMemoryMap(id)) memoryMaps_.erase(listed, listed + 1);
    return;
  }
  if (kindOf(id) != kHostBuffer) return;
  TeardownHold hold(*lock_);
  if (HMBManager* manager = fpga_->getHMBManager(local)) manager->releaseMapping(descriptor, map);
}

}  // namespace kernel
}  // namespace vllym
