#include "tDeviceInterface.h"

#include "tDevice.h"
#include "tUserBuffer.h"

namespace nVLAPAL000 {

tDeviceInterface::tDeviceInterface(tDevice* device, const char* name, tProperty** properties)
    : device_(device), properties_(properties), name_(name), kernelHandle_(0) {}

tDeviceInterface::~tDeviceInterface() = default;

uint64_t tDeviceInterface::decodeIOControl(tEventDescriptor& descriptor, uint32_t code, const void* in, uint64_t inSize,
                                           void* out, uint64_t outSize, nVLAPALS100::tStatus& status) {
  tUserBuffer inBuffer(descriptor, in, inSize, status);
  tUserBuffer outBuffer(descriptor, out, outSize, status);
  return device_->ioControl(descriptor, code, inBuffer, outBuffer, status);
}

}  // namespace nVLAPAL000
