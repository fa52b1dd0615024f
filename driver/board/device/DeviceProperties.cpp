#include "DeviceProperties.h"

#include "driver/platform/pci/tVLCapabilities.h"

namespace nVL9738K_24_0 {

namespace {

constexpr const char kProductName[] = "VL PXIe-9738";
constexpr const char kTargetClass[] = "PXIe-9738";
constexpr const char kManufacturer[] = "Velmora";
constexpr const char kUnknownModel[] = "Unknown device";

// Where the property-list failure of a board of another identity is
// published.
constexpr const char kPropertiesSite[] = "source/vl9738k/DeviceAttributeWexelCodegen";
constexpr uint64_t kWrongIdentityLine = 181;

template <typename tCapability>
bool readCapability(nVLAPAL000::tPCIDevice& device, tCapability& capability) {
  nVLAPALS100::tStatus local;
  nVLAPAL000::tWexel wexel(&device, local);
  nVLAPAL000::tVLCapabilityPCIAccessor<nVLAPAL000::tWexel> walker(wexel);
  walker.getCapability(capability, local);
  return local.isNotFatal();
}

}  // namespace

DeviceProperties::DeviceProperties() : serialText_{}, entries_{}, list_{}, count_(0) { setSerialNumber(~uint64_t{0}); }

// The registration handles stay: the list is registered once, at add
// device, and every bring-up rebuilds it in the same order, so that removal
// unregisters what was registered however many resets came between.
void DeviceProperties::reset() {
  for (nVLAPAL000::tProperty& entry : entries_) {
    const uint64_t handle = entry.handle;
    entry = nVLAPAL000::tProperty{};
    entry.handle = handle;
  }
  for (nVLAPAL000::tProperty*& slot : list_) slot = nullptr;
  count_ = 0;
}

void DeviceProperties::setSerialNumber(uint64_t serialNumber) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  char reversed[16];
  uint32_t length = 0;
  do {
    reversed[length++] = kDigits[serialNumber & 0xF];
    serialNumber >>= 4;
  } while (serialNumber != 0);
  for (uint32_t i = 0; i < length; ++i) serialText_[i] = reversed[length - 1 - i];
  serialText_[length] = '\0';
}

void DeviceProperties::add(const char* name, uint64_t type, const char* text, uint32_t value) {
  nVLAPAL000::tProperty& entry = entries_[count_];
  entry.name = name;
  entry.type = type;
  if (type == nVLAPAL000::tProperty::kTypeString) {
    entry.value.text = text;
  } else {
    entry.value.u32 = value;
  }
  list_[count_++] = &entry;
}

void DeviceProperties::build(nVLAPAL000::tPCIDevice& device, uint64_t& serialNumber, tStatus& status) {
  if (status.isFatal()) return;
  reset();
  const nVLAPAL000::tPCIInformation& information = device.getPCIInformation();
  if (information.deviceId != kDeviceId || information.subsystemId != kSubsystemId) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE_AT(kPropertiesSite, kWrongIdentityLine));
    return;
  }
  nVLAPAL000::tSerialNumber<nVLAPAL000::tWexel> serial;
  serialNumber = readCapability(device, serial) ? serial.getSerialNumber() : kUnreadableSerialNumber;
  setSerialNumber(serialNumber);
  nVLAPAL000::tGeographicAddress<nVLAPAL000::tWexel> geographic;
  const uint32_t slot = readCapability(device, geographic) ? geographic.getSlot() : kUnreadableSlot;
  const bool known =
      information.vendorId == kVendorId && information.deviceId == kDeviceId && information.subsystemId == kSubsystemId;
  constexpr uint64_t kText = nVLAPAL000::tProperty::kTypeString;
  add("serialNumber", kText, serialText_, 0);
  add("pxiGeographicAddress", nVLAPAL000::tProperty::kTypeUInt32, nullptr, slot);
  add("manufacturerName", kText, kManufacturer, 0);
  add("modelName", kText, known ? kProductName : kUnknownModel, 0);
  add("lymProductName", kText, kProductName, 0);
  add("lymFpgaTargetClass", kText, kTargetClass, 0);
}

}  // namespace nVL9738K_24_0
