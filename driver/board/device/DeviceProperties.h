// The six properties a device publishes about its board, in this order:
// "serialNumber" (text, upper-case hexadecimal without leading zeros),
// "pxiGeographicAddress" (u32), "manufacturerName", "modelName",
// "lymProductName" and "lymFpgaTargetClass" (text).
#ifndef VL9738K_BOARD_DEVICE_DEVICEPROPERTIES_H
#define VL9738K_BOARD_DEVICE_DEVICEPROPERTIES_H

#include <stdint.h>

#include "driver/platform/device/tProperty.h"
#include "driver/platform/pci/tPCIDevice.h"

namespace nVL9738K_24_0 {

class DeviceProperties {
 public:
  using tStatus = nVLAPALS100::tStatus;

  static constexpr uint32_t kCount = 6;
  static constexpr uint16_t kVendorId = 0x1E7B;
  static constexpr uint16_t kDeviceId = 0xB6B6;
  static constexpr uint16_t kSubsystemId = 0x5B31;
  // What the serial number and the slot read as when they cannot be read.
  static constexpr uint64_t kUnreadableSerialNumber = 0xFFFFFFFF;
  static constexpr uint32_t kUnreadableSlot = 0xFFFFFFFF;

  DeviceProperties();
  DeviceProperties(const DeviceProperties&) = delete;
  DeviceProperties& operator=(const DeviceProperties&) = delete;

  // Reads the serial number and the slot through the bridge's capability
  // list and fills the list; the serial number read is left in
  // `serialNumber`. -52005 for a board of another identity, and no list.
  void build(nVLAPAL000::tPCIDevice& device, uint64_t& serialNumber, tStatus& status);
  // Sets the serial number's text, as the list shows it.
  void setSerialNumber(uint64_t serialNumber);

  // The null-terminated list, empty until built.
  nVLAPAL000::tProperty** getList() { return list_; }
  uint32_t getCount() const { return count_; }
  const char* getSerialNumberText() const { return serialText_; }

 private:
  void reset();
  void add(const char* name, uint64_t type, const char* text, uint32_t value);

  char serialText_[17];
  nVLAPAL000::tProperty entries_[kCount];
  nVLAPAL000::tProperty* list_[kCount + 1];
  uint32_t count_;
};

}  // namespace nVL9738K_24_0

#endif
