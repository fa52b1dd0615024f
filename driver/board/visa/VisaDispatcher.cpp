#include "VisaDispatcher.h"

#include "VisaStatusCodes.h"
#include "driver/board/status/BoardSites.h"
#include "driver/platform/device/DeviceTypes.h"
#include "driver/platform/device/tUserBuffer.h"
#include "driver/platform/memory/Memory.h"
#include "driver/platform/memory/UserBound.h"
#include "driver/platform/pci/PciConfig.h"
#include "driver/platform/pci/PciSites.h"
#include "driver/platform/sync/Atomic.h"
#include "driver/platform/zuk/ZukPci.h"
#include "driver/platform/zuk/ZukPorts.h"
#include "driver/platform/zuk/ZukRegisters.h"

namespace nVL9738K_24_0 {
namespace {

using nVLAPALS100::tStatus;
namespace lines = visa::lines;

constexpr uint32_t kUncached = 0;
constexpr uint32_t kIoWindow = 0x1;
constexpr uint32_t kIoFlagBits = 0x3;
constexpr uint32_t kMemoryFlagBits = 0xF;
// An I/O BAR decodes at most 16 address bits: the mask's upper half reads
// as ones whatever the register returns.
constexpr uint32_t kIoUpperBits = 0xFFFF0000;
constexpr uint32_t kMemoryType32 = 0;
constexpr uint32_t kMemoryType64 = 2;
// The kernel layer copies at most 32 bits' worth of user memory at once.
constexpr uint64_t kLargestTransfer = 0xFFFFFFFF;

void fail(tStatus& status, int32_t code, uint64_t line) {
  status.setCode(code, VL_SITE_AT(sites::kVisaDispatcher, line));
}

uint32_t twosComplement32(uint32_t value) { return ~value + 1; }

}  // namespace

struct VisaDispatcher::Transfer {
  uint8_t space;
  uint64_t offset;
  uint32_t width;
  bool increment;
  uint64_t count;
  uint32_t mode;

  // Where item `index` lies in the space.
  uint64_t at(uint64_t index) const { return offset + (increment ? index * width : 0); }
};

VisaDispatcher::VisaDispatcher(nVLAPAL000::tPCIDevice& device, tStatus& status)
    : device_(device), spaces_(), userCount_(0), lock_(status) {}

VisaDispatcher::~VisaDispatcher() {
  // A dispatcher whose lock could not be created never had a user.
  if (lock_.isValid()) finalize();
  unmapSpaces();
}

uint32_t VisaDispatcher::getUserCount() const { return nVLAPAL000::atomicLoad(userCount_); }

void VisaDispatcher::initialize(tStatus& status) {
  if (status.isFatal()) return;
  nVLAPAL000::tAutoLock<nVLAPAL000::tMutex> guard(lock_);
  if (nVLAPAL000::atomicLoad(userCount_) == 0) {
    buildSpaces();
    mapSpaces(status);
    if (status.isFatal()) return;
  }
  nVLAPAL000::atomicIncrement(userCount_);
}

void VisaDispatcher::finalize() {
  nVLAPAL000::tAutoLock<nVLAPAL000::tMutex> guard(lock_);
  const uint32_t users = nVLAPAL000::atomicLoad(userCount_);
  if (users == 0) return;
  if (users == 1) unmapSpaces();
  nVLAPAL000::atomicDecrement(userCount_);
}

void VisaDispatcher::buildSpaces() {
  const nVLAPAL000::tPCIInformation& information = device_.getPCIInformation();
  constexpr size_t kWindows = nVLAPAL000::tPCIInformation::kWindowCount;
  for (Space& space : spaces_) space = Space{};
  for (size_t i = 0; i < kWindows; ++i) {
    const uint32_t value = information.rawWindows[i].value;
    const uint32_t mask = information.rawWindows[i].sizeMask;
    Space& space = spaces_[i];
    if (value == 0) continue;
    if ((value & kIoWindow) != 0) {
      space = Space{kIoPorts, value & ~kIoFlagBits, twosComplement32((mask & ~kIoFlagBits) | kIoUpperBits), 0, 0, 0};
      continue;
    }
    const uint32_t memoryType = (value >> 1) & 0x3;
    if (memoryType == kMemoryType32) {
      space = Space{kMemory, value & ~kMemoryFlagBits, twosComplement32(mask & ~kMemoryFlagBits), 0, 0, 0};
    } else if (memoryType == kMemoryType64) {
      // The upper half lives in the next register; without one the window
      // cannot be placed.
      if (i + 1 == kWindows) continue;
      const uint64_t upperValue = information.rawWindows[i + 1].value;
      const uint64_t upperMask = information.rawWindows[i + 1].sizeMask;
      const uint64_t fullMask = upperMask << 32 | (mask & ~kMemoryFlagBits);
      space = Space{kMemory, upperValue << 32 | (value & ~kMemoryFlagBits), ~fullMask + 1, 0, 0, 0};
      ++i;
    } else {
      space = Space{kMemory, 0, 0, 0, 0, 0};
    }
  }
  const uint64_t configurationSize = device_.isPCIExpress() ? kExpressConfigurationSize : kConfigurationSize;
  spaces_[kConfigurationSpace] = Space{kConfiguration, 0, configurationSize, 0, 0, 0};
}

// A memory space of size 0 (a window type that places nothing) has
// nothing to map; every access to it is beyond its end.
void VisaDispatcher::mapSpaces(tStatus& status) {
  for (Space& space : spaces_) {
    if (space.type != kMemory || space.size == 0) continue;
    void* address = nVLZUK230_mapPhysicalToKernel(space.base, space.size, kUncached);
    if (address == nullptr) {
      status.setCode(nVLAPALS100::kStatusOutOfMemory,
                     VL_SITE_AT(nVLAPAL000::sites::kPhysicalKVAMap, nVLAPAL000::sites::lines::kPhysicalKVAMapping));
      fail(status, visa::kNoKernelMapping, lines::kMappingFailed);
      unmapSpaces();
      return;
    }
    space.kernelAddress = reinterpret_cast<uint64_t>(address);
    space.mappingHandle = space.kernelAddress;
  }
}

void VisaDispatcher::unmapSpaces() {
  for (uint32_t i = kSpaceCount; i-- > 0;) {
    Space& space = spaces_[i];
    if (space.kernelAddress == 0) continue;
    nVLZUK230_unmapPhysicalFromKernel(reinterpret_cast<void*>(space.mappingHandle), kUncached);
    space.kernelAddress = 0;
    space.mappingHandle = 0;
  }
}

void VisaDispatcher::getSpaceInfo(uint8_t space, uint16_t& type, uint64_t& base, uint64_t& size, tStatus& status) {
  type = 0;
  base = 0;
  size = 0;
  if (status.isFatal()) return;
  nVLAPAL000::tAutoLock<nVLAPAL000::tMutex> guard(lock_);
  if (nVLAPAL000::atomicLoad(userCount_) == 0) {
    fail(status, visa::kNotInitialized, lines::kSpaceInfoNotInitialized);
    return;
  }
  if (space >= kSpaceCount) {
    fail(status, visa::kBadSpace, lines::kSpaceInfoBadSpace);
    return;
  }
  type = static_cast<uint16_t>(spaces_[space].type);
  base = spaces_[space].base;
  size = spaces_[space].size;
}

void VisaDispatcher::validate(const Space& space, const Transfer& transfer, tStatus& status) const {
  if (space.type != kMemory && space.type != kIoPorts && space.type != kConfiguration) {
    fail(status, visa::kBadSpace, lines::kValidateType);
    return;
  }
  const uint32_t width = transfer.width;
  if (!(width == 1 || width == 2 || width == 4 || (width == 8 && space.type == kMemory))) {
    fail(status, visa::kBadWidth, lines::kValidateWidth);
    return;
  }
  if (transfer.offset % width != 0) {
    fail(status, visa::kMisaligned, lines::kValidateAlignment);
    return;
  }
  if (transfer.offset >= space.size) {
    fail(status, visa::kOutOfSpace, lines::kValidateOffset);
    return;
  }
  const uint64_t items = transfer.increment ? transfer.count : 1;
  if (items > (space.size - transfer.offset) / width) fail(status, visa::kOutOfSpace, lines::kValidateCount);
}

// Runs under the lock. The byte count comes from user mode: without
// increment the space bounds only one item, so width x count is bounded
// here, before anything is allocated for it.
bool VisaDispatcher::prepare(Transfer& transfer, uint64_t notInitializedLine, uint64_t badModeLine, tStatus& status) {
  if (nVLAPAL000::atomicLoad(userCount_) == 0) {
    fail(status, visa::kNotInitialized, notInitializedLine);
    return false;
  }
  if (transfer.mode != kModeDefault && transfer.mode != kModeAll) {
    fail(status, visa::kBadMode, badModeLine);
    return false;
  }
  uint16_t type = 0;
  uint64_t base = 0;
  uint64_t size = 0;
  getSpaceInfo(transfer.space, type, base, size, status);
  if (status.isFatal()) return false;
  validate(spaces_[transfer.space], transfer, status);
  if (status.isFatal()) return false;
  return nVLAPAL000::withinUserBound(transfer.count, kLargestTransfer / transfer.width, VL_SITE, status);
}

uint8_t* VisaDispatcher::allocateBuffer(uint64_t bytes, tStatus& status) const {
  auto* buffer = new (status, nVLAPAL000::kAllocationKindPlain) uint8_t[bytes];
  if (buffer != nullptr) __builtin_memset(buffer, 0, bytes);
  return buffer;
}

// The part of `transfer` that starts `done` items in: at most a chunk's
// worth of items, from where the transfer has got to.
VisaDispatcher::Transfer VisaDispatcher::chunkOf(const Transfer& transfer, uint64_t done) const {
  const uint64_t left = transfer.count - done;
  const uint64_t most = kChunkBytes / transfer.width;
  return Transfer{transfer.space,     transfer.at(done),         transfer.width,
                  transfer.increment, left < most ? left : most, transfer.mode};
}

// Between two chunks a reset, stop or removal that closed the device's
// gate ends the transfer: its drain must not wait for the rest of it.
bool VisaDispatcher::gateStillOpen(tStatus& status) const {
  if (device_.getGate() == nVLAPAL000::kGateOpen) return true;
  fail(status, nVLAPALS100::kStatusGateClosed, __LINE__);
  return false;
}

// Items move a chunk at a time through one kernel buffer of at most
// kChunkBytes, and the lock is held for one chunk's bus accesses only. A
// finalize may run between two chunks and unmap the spaces, so every chunk
// checks the user count, the space and its mapping again under the lock.
void VisaDispatcher::move(nVLAPAL000::tEventDescriptor& descriptor, Transfer transfer, uint64_t bufferAddress,
                          bool reading, uint64_t notInitializedLine, uint64_t badModeLine, tStatus& status) {
  if (status.isFatal()) return;
  {
    nVLAPAL000::tAutoLock<nVLAPAL000::tMutex> guard(lock_);
    if (!prepare(transfer, notInitializedLine, badModeLine, status)) return;
  }
  const uint64_t bytes = uint64_t{transfer.width} * transfer.count;
  uint8_t* buffer = allocateBuffer(bytes < kChunkBytes ? bytes : kChunkBytes, status);
  if (buffer == nullptr) return;
  nVLAPAL000::tUserBuffer user(descriptor, bufferAddress, bytes, status);
  uint64_t done = 0;
  do {
    Transfer chunk = chunkOf(transfer, done);
    const uint64_t at = done * transfer.width;
    const uint64_t length = chunk.count * transfer.width;
    if (!reading) user.readFromBuffer(at, buffer, length, status);
    if (status.isFatal()) break;
    {
      nVLAPAL000::tAutoLock<nVLAPAL000::tMutex> guard(lock_);
      if (!prepare(chunk, notInitializedLine, badModeLine, status)) break;
      if (reading) {
        readItems(spaces_[chunk.space], chunk, buffer, status);
      } else {
        writeItems(spaces_[chunk.space], chunk, buffer, status);
      }
    }
    if (reading && status.isNotFatal()) user.writeToBuffer(at, buffer, length, status);
    done += chunk.count;
  } while (done < transfer.count && status.isNotFatal() && gateStillOpen(status));
  delete[] buffer;
}

void VisaDispatcher::readBlock(nVLAPAL000::tEventDescriptor& descriptor, uint8_t space, uint64_t offset, uint32_t width,
                               uint8_t increment, uint64_t bufferAddress, uint64_t count, uint32_t mode,
                               tStatus& status) {
  move(descriptor, Transfer{space, offset, width, increment != 0, count, mode}, bufferAddress, true,
       lines::kReadNotInitialized, lines::kReadBadMode, status);
}

void VisaDispatcher::writeBlock(nVLAPAL000::tEventDescriptor& descriptor, uint8_t space, uint64_t offset,
                                uint32_t width, uint8_t increment, uint64_t bufferAddress, uint64_t count,
                                uint32_t mode, tStatus& status) {
  move(descriptor, Transfer{space, offset, width, increment != 0, count, mode}, bufferAddress, false,
       lines::kWriteNotInitialized, lines::kWriteBadMode, status);
}

namespace {

template <typename tValue>
void storeItem(uint8_t* to, tValue value) {
  __builtin_memcpy(to, &value, sizeof value);
}

template <typename tValue>
tValue loadItem(const uint8_t* from) {
  tValue value;
  __builtin_memcpy(&value, from, sizeof value);
  return value;
}

// One item of a memory space; 64-bit items are one plain load or store.
bool readMemory(uint64_t address, uint32_t width, uint8_t* to) {
  const auto* at = reinterpret_cast<const volatile uint8_t*>(address);
  switch (width) {
    case 1:
      storeItem(to, nVLZUK100_memoryRead8(at));
      return true;
    case 2:
      storeItem(to, nVLZUK100_memoryRead16(at));
      return true;
    case 4:
      storeItem(to, nVLZUK100_memoryRead32(at));
      return true;
    case 8:
      storeItem(to, *reinterpret_cast<const volatile uint64_t*>(at));
      return true;
    default:
      return false;
  }
}

bool writeMemory(uint64_t address, uint32_t width, const uint8_t* from) {
  auto* at = reinterpret_cast<volatile uint8_t*>(address);
  switch (width) {
    case 1:
      nVLZUK100_memoryWrite8(at, loadItem<uint8_t>(from));
      return true;
    case 2:
      nVLZUK100_memoryWrite16(at, loadItem<uint16_t>(from));
      return true;
    case 4:
      nVLZUK100_memoryWrite32(at, loadItem<uint32_t>(from));
      return true;
    case 8:
      *reinterpret_cast<volatile uint64_t*>(at) = loadItem<uint64_t>(from);
      return true;
    default:
      return false;
  }
}

bool readPort(uint64_t port, uint32_t width, uint8_t* to) {
  switch (width) {
    case 1:
      storeItem(to, nVLZUK100_ioRead8(port));
      return true;
    case 2:
      storeItem(to, nVLZUK100_ioRead16(port));
      return true;
    case 4:
      storeItem(to, nVLZUK100_ioRead32(port));
      return true;
    default:
      return false;
  }
}

bool writePort(uint64_t port, uint32_t width, const uint8_t* from) {
  switch (width) {
    case 1:
      nVLZUK100_ioWrite8(port, loadItem<uint8_t>(from));
      return true;
    case 2:
      nVLZUK100_ioWrite16(port, loadItem<uint16_t>(from));
      return true;
    case 4:
      nVLZUK100_ioWrite32(port, loadItem<uint32_t>(from));
      return true;
    default:
      return false;
  }
}

// A failed configuration access leaves 0 in the item and the status set.
bool readConfiguration(uint64_t handle, uint32_t offset, uint32_t width, uint8_t* to, tStatus& status) {
  switch (width) {
    case 1:
      storeItem(to, nVLAPAL000::readConfig8(handle, offset, status));
      return true;
    case 2:
      storeItem(to, nVLAPAL000::readConfig16(handle, offset, status));
      return true;
    case 4:
      storeItem(to, nVLAPAL000::readConfig32(handle, offset, status));
      return true;
    default:
      return false;
  }
}

bool writeConfiguration(uint64_t handle, uint32_t offset, uint32_t width, const uint8_t* from, tStatus& status) {
  switch (width) {
    case 1:
      nVLAPAL000::writeConfig8(handle, offset, loadItem<uint8_t>(from), status);
      return true;
    case 2:
      nVLAPAL000::writeConfig16(handle, offset, loadItem<uint16_t>(from), status);
      return true;
    case 4:
      nVLAPAL000::writeConfig32(handle, offset, loadItem<uint32_t>(from), status);
      return true;
    default:
      return false;
  }
}

}  // namespace

void VisaDispatcher::readItems(const Space& space, const Transfer& transfer, uint8_t* buffer, tStatus& status) {
  if (space.type == kMemory && space.kernelAddress == 0) {
    fail(status, visa::kNoKernelMapping, lines::kMappingFailed);
    return;
  }
  const uint64_t handle = device_.getConfigurationHandle();
  for (uint64_t i = 0; i < transfer.count && status.isNotFatal(); ++i) {
    uint8_t* item = buffer + i * transfer.width;
    const uint64_t at = transfer.at(i);
    if (space.type == kMemory) {
      if (!readMemory(space.kernelAddress + at, transfer.width, item))
        fail(status, visa::kBadWidth, lines::kReadMemoryWidth);
    } else if (space.type == kIoPorts) {
      if (!readPort(space.base + at, transfer.width, item)) fail(status, visa::kBadWidth, lines::kReadIoWidth);
    } else if (!readConfiguration(handle, static_cast<uint32_t>(at), transfer.width, item, status)) {
      fail(status, visa::kBadWidth, lines::kReadConfigWidth);
    }
  }
}

void VisaDispatcher::writeItems(const Space& space, const Transfer& transfer, const uint8_t* buffer, tStatus& status) {
  if (space.type == kMemory && space.kernelAddress == 0) {
    fail(status, visa::kNoKernelMapping, lines::kMappingFailed);
    return;
  }
  const uint64_t handle = device_.getConfigurationHandle();
  for (uint64_t i = 0; i < transfer.count && status.isNotFatal(); ++i) {
    const uint8_t* item = buffer + i * transfer.width;
    const uint64_t at = transfer.at(i);
    if (space.type == kMemory) {
      if (!writeMemory(space.kernelAddress + at, transfer.width, item)) {
        fail(status, visa::kBadWidth, lines::kWriteMemoryWidth);
      }
    } else if (space.type == kIoPorts) {
      if (!writePort(space.base + at, transfer.width, item)) fail(status, visa::kBadWidth, lines::kWriteIoWidth);
    } else if (!writeConfiguration(handle, static_cast<uint32_t>(at), transfer.width, item, status)) {
      fail(status, visa::kBadWidth, lines::kWriteConfigWidth);
    }
  }
}

}  // namespace nVL9738K_24_0
