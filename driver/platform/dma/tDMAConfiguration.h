// What the device core knows of a device's DMA addressing. Set once at
// bring-up by the device's configureDMA operation; the DMA buffer
// allocation built on it lives with the DMA maps.
#ifndef VL9738K_PLATFORM_TDMACONFIGURATION_H
#define VL9738K_PLATFORM_TDMACONFIGURATION_H

#include <stdint.h>

namespace nVLAPAL000 {

class tDMAConfiguration {
 public:
  enum tDMAType : uint32_t {
    kDMATypeNotConfigured = 0,
    kDMAType32Bit = 1,
    kDMAType64Bit = 2,
  };

  tDMAConfiguration() : type_(kDMATypeNotConfigured), deviceInformation_(nullptr) {}

  tDMAType getType() const { return type_; }
  // The PCI device's information record (it carries the NUMA node), or
  // null when the device did not provide one.
  const void* getDeviceInformation() const { return deviceInformation_; }
  void configure(tDMAType type, const void* deviceInformation) {
    type_ = type;
    deviceInformation_ = deviceInformation;
  }

 private:
  tDMAType type_;
  const void* deviceInformation_;
};

}  // namespace nVLAPAL000

#endif
