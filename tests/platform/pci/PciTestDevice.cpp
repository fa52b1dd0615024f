#include "PciTestDevice.h"

#include <cstring>

#include "driver/platform/memory/Memory.h"

namespace vltest {

using nVLAPAL000::tPCIInformation;

tPCIInformation pciInformationFor(const nVLZUK_tPCIDeviceDescription& description) {
  tPCIInformation information{};
  information.busType = tPCIInformation::kBusTypePCI;
  information.bus = static_cast<uint8_t>(description.bus);
  information.device = static_cast<uint8_t>(description.device);
  information.function = static_cast<uint8_t>(description.function);
  information.vendorId = description.vendorId;
  information.deviceId = description.deviceId;
  information.subsystemVendorId = description.subsystemVendorId;
  information.subsystemId = description.subsystemId;
  information.revision = static_cast<uint8_t>(description.revision);
  information.numaNode = static_cast<uint32_t>(nVLZUK1_getDeviceNUMANode(description.deviceHandle));
  for (size_t i = 0; i < tPCIInformation::kWindowCount; ++i) {
    const nVLZUK_tPCIResourceWindow& window = description.windows[i];
    information.rawWindows[i] = {static_cast<uint32_t>(window.start), static_cast<uint32_t>(window.size)};
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
  std::strcpy(information.componentName, "vl9738k");
  return information;
}

PciTestBoard::PciTestBoard(const sim::BoardOptions& options) : board_(options), device_(nullptr), plugStatus_(0) {
  // Plugging in makes a few dozen configuration accesses; tests check them.
  board_.config().startRecording();
  tStatus status;
  const tPCIInformation information = pciInformationFor(board_.description());
  device_ = new (status, nVLAPAL000::kAllocationKindPlain) PciTestDevice(information, status);
  if (device_ == nullptr) {
    plugStatus_ = status.getCode();
    return;
  }
  device_->startBus(0, status);
  nVLAPAL000::tEventDescriptor descriptor{nullptr};
  device_->changeState(descriptor, nVLAPAL000::kPnPStateReady, 0, false, status);
  if (status.isNotFatal()) {
    device_->buildProperties();
    device_->registerPCIProperties(status);
  }
  plugStatus_ = status.getCode();
}

// Remove and delete, as the kernel layer does when the board goes.
PciTestBoard::~PciTestBoard() {
  if (device_ == nullptr) return;
  nVLAPAL000::tDevice::onRemoveDevice(device_);
  nVLAPAL000::tDevice::onDeleteDevice(device_);
}

std::optional<sim::DeviceRegistry::Property> PciTestBoard::property(const std::string& name) const {
  return sim::DeviceRegistry::findProperty(board_.pciHandle(), name);
}

size_t PciTestBoard::publishedPropertyCount() const {
  size_t count = 0;
  for (const sim::DeviceRegistry::Property& property : sim::DeviceRegistry::properties()) {
    count += property.owner == board_.pciHandle() && property.kind == nVLAPAL000::kPropertyKindPCI;
  }
  return count;
}

uint32_t propertyU32(const sim::DeviceRegistry::Property& property) {
  uint32_t value = 0;
  if (property.value.size() == sizeof value) std::memcpy(&value, property.value.data(), sizeof value);
  return value;
}

std::string propertyText(const sim::DeviceRegistry::Property& property) {
  if (property.value.empty() || property.value.back() != 0) return "<unterminated>";
  return std::string(reinterpret_cast<const char*>(property.value.data()));
}

}  // namespace vltest
