#include "tDevice.h"

#include "../text/Format.h"
#include "../zuk/ZukDevice.h"
#include "DeviceSites.h"
#include "tDeviceInterface.h"
#include "tProperty.h"

namespace nVLAPAL000 {

using nVLAPALS100::tStatus;

tDevice::tDevice(tStatus& status) : tDeviceCore(status), deviceRecord_(nullptr) {}

tDevice::~tDevice() = default;

uint64_t tDevice::getKernelDeviceHandle() const {
  return deviceRecord_ != nullptr ? deviceRecord_->kernelDeviceHandle : 0;
}

uint64_t tDevice::getPhysicalDevice() const { return deviceRecord_ != nullptr ? deviceRecord_->physicalDevice : 0; }

int64_t tDevice::print(char* buffer, uint64_t size, const char* prefix, const char* suffix) const {
  return formatTextBounded(buffer, size, "%stDevice(%p,zukDev:%p,pdo:%p) (%s from %s)%s", prefix,
                           static_cast<const void*>(this), reinterpret_cast<void*>(getKernelDeviceHandle()),
                           reinterpret_cast<void*>(getPhysicalDevice()), stateName(getState()),
                           stateName(getPreviousState()), suffix);
}

void tDevice::scheduleDPC(const tDPC& dpc) { nVLZUK100_scheduleDPC(dpc.getKernelHandle()); }

void tDevice::registerProperties(uint32_t kind, uint64_t owner, tProperty** list, tStatus& status) {
  if (status.isFatal() || list == nullptr) return;
  for (tProperty** entry = list; *entry != nullptr; ++entry) {
    tProperty& property = **entry;
    property.handle =
        nVLZUK200_registerProperty(kind, owner, property.name, property.valuePointer(), property.valueSize());
    if (property.handle == 0) {
      unregisterProperties(list);
      status.setCode(nVLAPALS100::kStatusBadSelector, VL_SITE_AT(sites::kDevice, sites::lines::kPropertyRefused));
      return;
    }
  }
}

// Handles are cleared as they go: a list taken back after a refused
// registration may be taken back again when the device is removed, and
// the kernel layer must never see one handle twice.
void tDevice::unregisterProperties(tProperty** list) {
  if (list == nullptr) return;
  for (tProperty** entry = list; *entry != nullptr; ++entry) {
    if ((*entry)->handle == 0) continue;
    nVLZUK200_unregisterProperty((*entry)->handle);
    (*entry)->handle = 0;
  }
}

void tDevice::registerDeviceProperties(tStatus& status) {
  registerProperties(kPropertyKindDevice, getKernelDeviceHandle(), getDeviceProperties(), status);
}

void tDevice::registerInterfaceProperties(tStatus& status) {
  tDeviceInterface** interfaces = getDeviceInterfaces();
  if (interfaces == nullptr) return;
  for (tDeviceInterface** entry = interfaces; *entry != nullptr; ++entry) {
    registerProperties(kPropertyKindInterface, (*entry)->getKernelHandle(), (*entry)->getProperties(), status);
  }
}

void tDevice::registerPCIProperties(tStatus& status) {
  registerProperties(kPropertyKindPCI, getKernelDeviceHandle(), getPCIProperties(), status);
}

void tDevice::unregisterDeviceProperties() { unregisterProperties(getDeviceProperties()); }

void tDevice::unregisterInterfaceProperties() {
  tDeviceInterface** interfaces = getDeviceInterfaces();
  if (interfaces == nullptr) return;
  for (tDeviceInterface** entry = interfaces; *entry != nullptr; ++entry) {
    unregisterProperties((*entry)->getProperties());
  }
}

void tDevice::unregisterPCIProperties() { unregisterProperties(getPCIProperties()); }

void tDevice::unregisterInterfaces() {
  tDeviceInterface** interfaces = getDeviceInterfaces();
  if (interfaces == nullptr) return;
  size_t count = 0;
  while (interfaces[count] != nullptr) ++count;
  while (count-- != 0) {
    tDeviceInterface& interface = *interfaces[count];
    if (interface.getKernelHandle() == 0) continue;
    nVLZUK200_unregisterDeviceInterface(interface.getKernelHandle());
    interface.setKernelHandle(0);
  }
}

// User space loses the properties first, so nothing new is looked up
// while the device drains; the interfaces go last, once no request can
// reach the device any more.
void tDevice::onRemoveDevice(tDevice* device) {
  if (device == nullptr || device->getState() == kPnPStateNotPresent) return;
  device->unregisterInterfaceProperties();
  device->unregisterDeviceProperties();
  device->unregisterPCIProperties();
  tEventDescriptor descriptor{nullptr};
  tStatus local;
  device->changeState(descriptor, kPnPStateNotPresent, 1, false, local);
  device->unregisterInterfaces();
}

void tDevice::onDeleteDevice(tDevice* device) { delete device; }

}  // namespace nVLAPAL000
