// One device interface a device publishes: the name user mode opens, the
// interface's own properties, and the decoder of its I/O-control requests.
#ifndef VL9738K_PLATFORM_TDEVICEINTERFACE_H
#define VL9738K_PLATFORM_TDEVICEINTERFACE_H

#include <stdint.h>

#include "../status/tStatus.h"
#include "DeviceTypes.h"

namespace nVLAPAL000 {

class tDevice;
struct tProperty;

class tDeviceInterface {
 public:
  tDeviceInterface(tDevice* device, const char* name, tProperty** properties = nullptr);
  virtual ~tDeviceInterface();
  tDeviceInterface(const tDeviceInterface&) = delete;
  tDeviceInterface& operator=(const tDeviceInterface&) = delete;

  // Decodes one request; `in` and `out` are user addresses. Returns the
  // number of output bytes produced. The default hands both blocks to the
  // device's generic I/O control.
  virtual uint64_t decodeIOControl(tEventDescriptor& descriptor, uint32_t code, const void* in, uint64_t inSize,
                                   void* out, uint64_t outSize, nVLAPALS100::tStatus& status);

  tDevice* getDevice() const { return device_; }
  tProperty** getProperties() const { return properties_; }
  const char* getName() const { return name_; }
  // The kernel layer's handle while the interface is registered, else 0.
  uint64_t getKernelHandle() const { return kernelHandle_; }
  void setKernelHandle(uint64_t handle) { kernelHandle_ = handle; }

 private:
  tDevice* device_;
  tProperty** properties_;
  const char* name_;
  uint64_t kernelHandle_;
};

}  // namespace nVLAPAL000

#endif
