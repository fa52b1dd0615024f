// The board's own entry points: adding a board and unloading the module.
#include "LinuxEntry.h"

#include "../platform/entry/EntryPoints.h"
#include "../platform/memory/Memory.h"
#include "../platform/runtime/CppRunTime.h"
#include "../platform/status/tStatus.h"
#include "../platform/zuk/ZukDevice.h"
#include "../platform/zuk/ZukMemory.h"
#include "../platform/zuk/ZukPci.h"
#include "device/Device.h"
#include "ioctl/InterfaceTemplate_vl9738k.h"
#include "visa/PciWindowWords.h"

namespace nVL9738K_24_0 {

namespace {

// Where add device's own failures are published.
constexpr const char kEntrySite[] = "source/vl9738k/vl9738k_linuxEntry";
constexpr uint64_t kWrongIdentityLine = 170;
constexpr uint64_t kInterfaceRegistrationLine = 228;

// Vendor, device, subsystem vendor and subsystem ids as one little-endian word.
constexpr uint64_t kBoardIdentity = 0x5B311E7BB6B61E7Bull;

uint64_t identityOf(const nVLAPAL000::tPCIInformation& information) {
  return uint64_t{information.vendorId} | uint64_t{information.deviceId} << 16 |
         uint64_t{information.subsystemVendorId} << 32 | uint64_t{information.subsystemId} << 48;
}

void describe(const nVLZUK_tPCIDeviceDescription& description, uint64_t driverContext,
              nVLAPAL000::tPCIInformation& information, nVLAPALS100::tStatus& status) {
  nVLZUK240_memSet(&information, 0, sizeof information);
  information.busType = nVLAPAL000::tPCIInformation::kBusTypePCI;
  information.bus = static_cast<uint8_t>(description.bus);
  information.device = static_cast<uint8_t>(description.device);
  information.function = static_cast<uint8_t>(description.function);
  information.vendorId = description.vendorId;
  information.deviceId = description.deviceId;
  information.subsystemVendorId = description.subsystemVendorId;
  information.subsystemId = description.subsystemId;
  information.revision = static_cast<uint8_t>(description.revision);
  information.numaNode = static_cast<uint32_t>(nVLZUK1_getDeviceNUMANode(description.deviceHandle));
  for (const nVLZUK_tPCIResourceWindow& window : description.windows) {
    if ((window.flags & NVLZUK_PCI_WINDOW_IO) != 0) {
      information.ioWindows[information.ioWindowCount++] = {window.start, window.size};
    } else if ((window.flags & NVLZUK_PCI_WINDOW_MEMORY) != 0) {
      information.memoryWindows[information.memoryWindowCount++] = {window.start, window.size, 0};
    }
  }
  if (description.interruptPresent != 0) {
    information.record.interruptLine = description.interruptNumber | static_cast<uint64_t>(NVLZUK_INTERRUPT_KIND_LINE)
                                                                         << 32;
  }
  information.record.kernelDeviceHandle = description.deviceHandle;
  information.record.configurationHandle = description.deviceHandle;
  information.interruptHandle = description.deviceHandle;
  constexpr char kComponent[] = "vl9738k";
  for (size_t i = 0; i < sizeof kComponent; ++i) information.componentName[i] = kComponent[i];
  information.driverContext = driverContext;
  // The raw window words only matter once the identity is known.
  if (identityOf(information) == kBoardIdentity) recordPciWindowWords(description, information, status);
}

// A refused interface takes back the ones registered before it. Each
// handle is cleared as it goes, so that removing the device later does not
// unregister it a second time.
void registerInterfaces(Device& device, nVLAPALS100::tStatus& status) {
  nVLAPAL000::tDeviceInterface** interfaces = device.getDeviceInterfaces();
  for (uint32_t i = 0; interfaces[i] != nullptr && status.isNotFatal(); ++i) {
    const uint64_t handle = nVLZUK240_registerDeviceInterface(
        nVLAPAL000::getDriverRecord(), device.getKernelDeviceHandle(), interfaces[i]->getName(), i, interfaces[i]);
    interfaces[i]->setKernelHandle(handle);
    if (handle != 0) continue;
    for (uint32_t j = i; j-- != 0;) {
      nVLZUK200_unregisterDeviceInterface(interfaces[j]->getKernelHandle());
      interfaces[j]->setKernelHandle(0);
    }
    status.setCode(nVLAPALS100::kStatusOutOfMemory, VL_SITE_AT(kEntrySite, kInterfaceRegistrationLine));
  }
}

}  // namespace

int32_t driverAddDevice(const nVLZUK_tPCIDeviceDescription* description, void*, void** deviceSlot) {
  return addDevice(description, deviceSlot, &tInterfaceTemplate_vl9738k::create);
}

int32_t addDevice(const nVLZUK_tPCIDeviceDescription* description, void** deviceSlot,
                  Device::tInterfaceFactory mainInterface) {
  nVLAPALS100::tStatus status;
  nVLAPAL000::tPCIInformation information;
  describe(*description, reinterpret_cast<uint64_t>(*deviceSlot), information, status);
  Device* device = nullptr;
  if (status.isNotFatal() && identityOf(information) != kBoardIdentity) {
    status.setCode(nVLAPALS100::kStatusBadSelector, VL_SITE_AT(kEntrySite, kWrongIdentityLine));
  }
  if (status.isNotFatal())
    device = new (status, nVLAPAL000::kAllocationKindPlain) Device(information, mainInterface, status);
  if (device != nullptr && status.isNotFatal()) device->startBus(0, status);
  if (device != nullptr && status.isFatal()) {
    delete device;
    device = nullptr;
  }
  if (device != nullptr) {
    *deviceSlot = device;
    nVLAPAL000::tEventDescriptor descriptor{nullptr};
    device->changeState(descriptor, nVLAPAL000::kPnPStateReady, 0, false, status);
    registerInterfaces(*device, status);
  }
  if (device != nullptr && status.isNotFatal()) {
    device->buildProperties();
    device->registerPCIProperties(status);
    device->registerDeviceProperties(status);
    device->registerInterfaceProperties(status);
  }
  // The kernel layer takes every code but 0, a warning too, for a device
  // that was not added: one it keeps nowhere must not stay registered,
  // announced or stored.
  if (device != nullptr && status.getCode() == 0) {
    for (nVLAPAL000::tDeviceInterface** interface = device->getDeviceInterfaces(); *interface != nullptr; ++interface) {
      nVLZUK240_notifyUserspaceAddEvent((*interface)->getKernelHandle());
    }
    return 0;
  }
  if (device != nullptr) {
    nVLAPAL000::tDevice::onRemoveDevice(device);
    nVLAPAL000::tDevice::onDeleteDevice(device);
  }
  *deviceSlot = nullptr;
  return nVLAPALS100::toZUKStatus(status.getCode());
}

void driverUnload(nVLZUK_tDriverRecord* record) {
  nVLZUK200_unregisterDriver(record);
  nVLAPAL000::setDriverRecord(nullptr);
  nVLAPAL000::finalizeCPPRunTime();
}

}  // namespace nVL9738K_24_0
