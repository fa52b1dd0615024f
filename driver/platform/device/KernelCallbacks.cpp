// Kernel-layer callbacks. Until devices exist nothing can be opened, so
// every callback refuses with "not supported".
#include "../entry/EntryPoints.h"
#include "../status/tStatus.h"

namespace nVLAPAL000 {
namespace {

int32_t notSupported() { return nVLAPALS100::toZUKStatus(nVLAPALS100::kStatusNotSupported); }

}  // namespace

int32_t kernelOpen(void*, void**) { return notSupported(); }
void kernelClose(void*) {}
int32_t kernelRead(void*, uint64_t, uint64_t, uint64_t, uint64_t* count) {
  *count = 0;
  return notSupported();
}
int32_t kernelWrite(void*, uint64_t, uint64_t, uint64_t, uint64_t* count) {
  *count = 0;
  return notSupported();
}
int32_t kernelIoctl(void*, uint32_t, uint64_t) { return notSupported(); }
void kernelRemoveDevice(void*) {}
int32_t kernelMapMemory(void*, uint64_t, uint64_t, uint32_t* mapped, void**) {
  *mapped = 0;
  return notSupported();
}
void kernelUnmapMemory(void*) {}
void kernelDeleteDevice(void*) {}

}  // namespace nVLAPAL000
