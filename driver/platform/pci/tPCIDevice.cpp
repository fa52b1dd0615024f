#include "tPCIDevice.h"

#include "../device/tUserMemoryMap.h"
#include "../status/SourceSites.h"
#include "../text/Format.h"
#include "../zuk/ZukPci.h"
#include "PciConfig.h"
#include "PciSites.h"

namespace nVLAPAL000 {

using nVLAPALS100::tStatus;

namespace {

constexpr uint32_t kConfigStatus = 0x06;
constexpr uint16_t kStatusCapabilityList = 0x10;
constexpr uint32_t kConfigCapabilityPointer = 0x34;
constexpr uint32_t kConfigVendorId = 0x00;
constexpr uint32_t kConfigBist = 0x0F;
// Written over the vendor id, it makes a bridge that keeps its PCI Express
// capability out of the list show the capability's place in byte 0x0F.
constexpr uint16_t kExpressSignature = 0x5A5A;
// The first byte after the standard header.
constexpr uint8_t kFirstCapabilityOffset = 64;
// 192 bytes after the header hold at most 48 capabilities: a longer walk
// goes round in circles.
constexpr unsigned kMaxCapabilities = 48;
constexpr uint32_t kLinkCapabilities = 12;
constexpr uint32_t kLinkStatus = 18;
constexpr uint32_t kInterruptShared = NVLZUK_INTERRUPT_SHARED;

struct tPropertyRow {
  const char* name;
  uint64_t type;
};

constexpr tPropertyRow kPropertyRows[tPCIDevice::kPropertyCount] = {
    {"busType", tProperty::kTypeUInt32},
    {"busSubType", tProperty::kTypeUInt32},
    {"pciBusNumber", tProperty::kTypeUInt32},
    {"pciDeviceNumber", tProperty::kTypeUInt32},
    {"pciFunctionNumber", tProperty::kTypeUInt32},
    {"pciVendorID", tProperty::kTypeUInt32},
    {"pciDeviceID", tProperty::kTypeUInt32},
    {"pciSubsystemVendorID", tProperty::kTypeUInt32},
    {"pciSubsystemID", tProperty::kTypeUInt32},
    {"pciRevision", tProperty::kTypeUInt32},
    {"numaNode", tProperty::kTypeNUMANode},
    {"pciSlotPath", tProperty::kTypeString},
    {"pcieMaxLinkWidth", tProperty::kTypeUInt32},
    {"pcieLinkWidth", tProperty::kTypeUInt32},
    {"pcieMaxTransferRate", tProperty::kTypeUInt32},
    {"pcieTransferRate", tProperty::kTypeUInt32},
};

// The bridges between the root and the device, found by walking the bus
// tree depth first.
struct tSlotPathWalk {
  uint32_t domain;
  uint8_t bus;
  uint32_t roots;
  uint32_t count;
  uint8_t deviceFunctions[256];
};

int32_t visitBus(const nVLZUK_tPCIBus* bus, void* context) {
  auto& walk = *static_cast<tSlotPathWalk*>(context);
  if (bus->isRoot != 0) ++walk.roots;
  if (bus->domain != walk.domain) return 0;
  const bool above = bus->secondary <= walk.bus && walk.bus <= bus->subordinate;
  if (bus->isRoot == 0 && above && walk.count < sizeof walk.deviceFunctions) {
    walk.deviceFunctions[walk.count++] = bus->bridgeDeviceFunction;
  }
  return bus->secondary == walk.bus ? 1 : 0;
}

}  // namespace

tPCIDevice::tPCIDevice(const tPCIInformation& information, tStatus& status)
    : tDevice(status),
      information_(information),
      maxTransferRate_(0),
      transferRate_(0),
      maxLinkWidth_(0),
      linkWidth_(0),
      propertyStorage_{},
      properties_{},
      propertyCount_(0),
      interruptHandler_(nullptr) {
  information_.record.device = this;
  setDeviceRecord(&information_.record);
  presetProperties();
  buildSlotPath(status);
}

// A reservation still standing would leave the kernel layer calling into
// a freed device, so it goes before the lock it may use.
tPCIDevice::~tPCIDevice() {
  relinquishInterrupt();
  interruptLock_.destroy();
}

void tPCIDevice::presetProperties() {
  for (uint32_t i = 0; i < kPropertyCount; ++i) {
    propertyStorage_[i].name = kPropertyRows[i].name;
    propertyStorage_[i].type = kPropertyRows[i].type;
  }
}

void tPCIDevice::buildSlotPath(tStatus& status) {
  if (status.isFatal()) return;
  const int32_t domain = nVLZUK240_getPCIDomain(getConfigurationHandle());
  tSlotPathWalk walk{};
  walk.domain = domain < 0 ? 0 : static_cast<uint32_t>(domain);
  walk.bus = information_.bus;
  if (nVLZUK100_enumeratePCIBuses(&visitBus, &walk) != 0) return;
  char piece[24];
  formatTextBounded(piece, sizeof piece, "%04X:%02X", walk.domain, walk.roots);
  slotPath_.append(piece, status);
  for (uint32_t i = 0; i < walk.count; ++i) {
    formatTextBounded(piece, sizeof piece, ":%02X", walk.deviceFunctions[i]);
    slotPath_.append(piece, status);
  }
  const auto own = static_cast<uint8_t>(information_.device * 8 + information_.function);
  formatTextBounded(piece, sizeof piece, ":%02X", own);
  slotPath_.append(piece, status);
}

void tPCIDevice::startBus(uint64_t, tStatus& status) {
  if (status.isFatal()) return;
  readLink(status);
}

void tPCIDevice::stopBus() {}

// A function without a PCI Express capability is a plain PCI function: its
// link values stay 0. Only a failed read of the link registers is an error.
void tPCIDevice::readLink(tStatus& status) {
  tStatus local;
  const uint8_t capability = findCapability(kCapabilityExpress, local);
  if (capability == 0) return;
  const uint64_t handle = getConfigurationHandle();
  const uint16_t capabilities = readConfig16(handle, capability + kLinkCapabilities, status);
  if (status.isFatal()) return;
  maxTransferRate_ = capabilities & 0xF;
  maxLinkWidth_ = (capabilities >> 4) & 0x3F;
  const uint16_t link = readConfig16(handle, capability + kLinkStatus, status);
  if (status.isFatal()) return;
  transferRate_ = link & 0xF;
  linkWidth_ = (link >> 4) & 0x3F;
}

uint8_t tPCIDevice::findCapability(uint8_t id, tStatus& status) {
  if (status.isFatal()) return 0;
  const uint64_t handle = getConfigurationHandle();
  if ((readConfig16(handle, kConfigStatus, status) & kStatusCapabilityList) != 0) {
    uint8_t pointer = readConfig8(handle, kConfigCapabilityPointer, status);
    for (unsigned step = 0; pointer != 0 && step < kMaxCapabilities && status.isNotFatal(); ++step) {
      const uint16_t entry = readConfig16(handle, pointer, status);
      if (status.isNotFatal() && (entry & 0xFF) == id) return pointer;
      pointer = static_cast<uint8_t>(entry >> 8);
    }
  }
  if (id == kCapabilityExpress) {
    writeConfig16(handle, kConfigVendorId, kExpressSignature, status);
    const auto candidate = static_cast<uint8_t>(readConfig8(handle, kConfigBist, status) * 4);
    if (candidate >= kFirstCapabilityOffset && readConfig8(handle, candidate, status) == kCapabilityExpress &&
        status.isNotFatal()) {
      return candidate;
    }
  }
  status.setCode(nVLAPALS100::kStatusNotAccessible, VL_SITE_AT(sites::kPCIDevice, sites::lines::kCapabilityNotFound));
  return 0;
}

void tPCIDevice::configureDMA(tDMAConfiguration::tDMAType type, tStatus& status) {
  if (status.isFatal()) return;
  const uint64_t handle = getConfigurationHandle();
  if (type == tDMAConfiguration::kDMAType64Bit && nVLZUK220_pciSetDMAMask(handle, ~uint64_t{0}) == 0) {
    dmaConfiguration().configure(tDMAConfiguration::kDMAType64Bit, &information_);
    return;
  }
  const int32_t result = nVLZUK220_pciSetDMAMask(handle, 0xFFFFFFFFu);
  if (result != 0) nVLAPALS100::setStatusFromZUKStatus(result, status, sites::kPCIDevice, sites::lines::kDMAMask);
  if (status.isFatal()) return;
  const tDMAConfiguration::tDMAType granted =
      type == tDMAConfiguration::kDMAType64Bit ? tDMAConfiguration::kDMAType32Bit : type;
  dmaConfiguration().configure(granted, &information_);
}

void tPCIDevice::buildProperties() {
  const uint32_t values[kPropertyCount] = {
      kBusTypePCI,
      isPCIExpress() ? kBusSubTypePCIe : kBusTypePCI,
      information_.bus,
      information_.device,
      information_.function,
      information_.vendorId,
      information_.deviceId,
      information_.subsystemVendorId,
      information_.subsystemId,
      information_.revision,
      information_.numaNode,
      0,
      maxLinkWidth_,
      linkWidth_,
      maxTransferRate_,
      transferRate_,
  };
  propertyCount_ = isPCIExpress() ? kPropertyCount : kPropertyCountWithoutLink;
  for (uint32_t i = 0; i < kPropertyCount; ++i) {
    tProperty& property = propertyStorage_[i];
    if (property.type == tProperty::kTypeString) {
      property.value.text = slotPath_.c_str();
    } else {
      property.value.u32 = values[i];
    }
    properties_[i] = i < propertyCount_ ? &property : nullptr;
  }
  properties_[kPropertyCount] = nullptr;
}

tProperty** tPCIDevice::getPCIProperties() { return properties_; }

const tPCIMemoryWindow* tPCIDevice::window(uint8_t bar, tStatus& status) const {
  if (bar < tPCIInformation::kWindowCount) return &information_.memoryWindows[bar];
  status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
  return nullptr;
}

uint64_t tPCIDevice::getBARLength(uint8_t bar) const {
  return bar < tPCIInformation::kWindowCount ? information_.memoryWindows[bar].length : 0;
}

void* tPCIDevice::mapBAR(uint8_t bar, tStatus& status, uint32_t) {
  if (status.isFatal()) return nullptr;
  const tPCIMemoryWindow* entry = window(bar, status);
  if (entry == nullptr) return nullptr;
  void* address = nVLZUK230_mapPhysicalToKernel(entry->physicalAddress, entry->length, kCacheModeWriteCombined);
  if (address == nullptr) {
    status.setCode(nVLAPALS100::kStatusOutOfMemory, VL_SITE_AT(sites::kPCIDevice, sites::lines::kBARMapping));
  }
  return address;
}

void tPCIDevice::unmapBAR(void* address, uint32_t) {
  if (address != nullptr) nVLZUK230_unmapPhysicalFromKernel(address, kCacheModeWriteCombined);
}

// A range to map must lie inside its window: a mapping past the end would
// hand out whatever physical memory follows the device.
const tPCIMemoryWindow* tPCIDevice::windowRange(uint8_t bar, uint64_t offset, uint64_t length, tStatus& status) const {
  if (status.isFatal()) return nullptr;
  const tPCIMemoryWindow* entry = window(bar, status);
  if (entry == nullptr) return nullptr;
  if (offset > entry->length || length > entry->length - offset) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
    return nullptr;
  }
  return entry;
}

void tPCIDevice::mapBARRange(uint8_t bar, uint64_t offset, uint64_t length, tPhysicalKVAMap& map, tStatus& status,
                             uint32_t cacheMode) {
  const tPCIMemoryWindow* entry = windowRange(bar, offset, length, status);
  if (entry == nullptr) return;
  const uint32_t mode =
      cacheMode == kCacheModeWriteCombined || cacheMode == kCacheModeCached ? cacheMode : kCacheModeUncached;
  void* address = nVLZUK230_mapPhysicalToKernel(entry->physicalAddress + offset, length, mode);
  if (address == nullptr) {
    status.setCode(nVLAPALS100::kStatusOutOfMemory,
                   VL_SITE_AT(sites::kPhysicalKVAMap, sites::lines::kPhysicalKVAMapping));
    return;
  }
  map.set(address, mode);
}

void tPCIDevice::mapBARToUser(uint8_t bar, uint64_t offset, uint64_t length, tUserMemoryMap& map, tStatus& status,
                              uint32_t cacheMode) {
  const tPCIMemoryWindow* entry = windowRange(bar, offset, length, status);
  if (entry == nullptr) return;
  map.mapPhysicalAddress(entry->physicalAddress + offset, length, cacheMode, status);
}

int32_t tPCIDevice::interruptRoutine(void* context) {
  iPrimaryInterruptHandler* handler = static_cast<tPCIDevice*>(context)->interruptHandler_;
  return handler != nullptr && handler->recognizeInterrupt() ? 1 : 0;
}

int32_t tPCIDevice::lockedInterruptRoutine(void* context) {
  auto* device = static_cast<tPCIDevice*>(context);
  tInterruptLockHold hold(device->interruptLock_);
  iPrimaryInterruptHandler* handler = device->interruptHandler_;
  return handler != nullptr && handler->recognizeInterrupt() ? 1 : 0;
}

// The handler is in place before the reservation: the first interrupt may
// arrive before the kernel layer returns. One reservation at a time: a
// second would take the record from under the routine that runs now.
void tPCIDevice::reserveInterruptWithRoutine(iPrimaryInterruptHandler* handler, tInterruptRoutine routine,
                                             uint32_t flags, tStatus& status) {
  if (status.isFatal()) return;
  if (handler == nullptr || routine == nullptr || isInterruptReserved()) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
    return;
  }
  interruptHandler_ = handler;
  information_.record.interrupt.routine = routine;
  information_.record.interrupt.context = this;
  const int32_t result = nVLZUK1400_reserveInterrupt(information_.interruptHandle, &information_.record.interrupt,
                                                     information_.record.interruptLine, flags | kInterruptShared);
  if (result == 0) return;
  interruptHandler_ = nullptr;
  nVLAPALS100::setStatusFromZUKStatus(result, status, sites::kPCIDevice, sites::lines::kInterruptReservation);
}

void tPCIDevice::reserveInterrupt(iPrimaryInterruptHandler* handler, tStatus& status, uint32_t flags) {
  reserveInterruptWithRoutine(handler, &interruptRoutine, flags, status);
}

void tPCIDevice::relinquishInterrupt() {
  if (!isInterruptReserved()) return;
  nVLZUK100_relinquishInterrupt(information_.interruptHandle, &information_.record.interrupt);
  interruptHandler_ = nullptr;
}

tSpinLock* tPCIDevice::reserveInterruptWithLock(iPrimaryInterruptHandler* handler, tStatus& status, uint32_t flags) {
  if (status.isFatal()) return nullptr;
  if (isInterruptReserved()) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
    return nullptr;
  }
  interruptLock_.create(status, sites::kSynchronization, sites::lines::kInterruptLockCreation);
  if (status.isFatal()) return nullptr;
  reserveInterruptWithRoutine(handler, &lockedInterruptRoutine, flags, status);
  if (status.isFatal()) {
    interruptLock_.destroy();
    return nullptr;
  }
  return &interruptLock_;
}

void tPCIDevice::releaseInterruptLock(tSpinLock* lock) {
  if (lock == nullptr) return;
  relinquishInterrupt();
  lock->destroy();
}

}  // namespace nVLAPAL000
