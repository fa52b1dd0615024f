// The kernel layer's entries into a device: open, close, read, write,
// ioctl, remove, map, unmap and delete. Each works on its own code-only
// status and answers with the kernel layer's translation of it.
#include "../entry/EntryPoints.h"
#include "../memory/Memory.h"
#include "../status/tStatus.h"
#include "../zuk/ZukUserMemory.h"
#include "DeviceSites.h"
#include "tDevice.h"
#include "tDeviceInterface.h"
#include "tSession.h"
#include "tUserBuffer.h"
#include "tUserMemoryMap.h"

namespace nVLAPAL000 {
namespace {

using nVLAPALS100::tStatus;

constexpr uint32_t kCreateNotifierCommand = 0x4010FF00;
constexpr uint32_t kDestroyNotifierCommand = 0xFF01;
constexpr uint32_t kRegionMask = 0xFFFF;

// The header of every other command, as user mode lays it out.
struct tIoctlHeader {
  uint64_t inAddress;
  uint64_t outAddress;
  uint32_t inSize;
  uint32_t outSize;
  int32_t result;
  uint32_t reserved;
};
static_assert(sizeof(tIoctlHeader) == 32, "the request header is 32 bytes");
constexpr uint64_t kResultOffset = 24;

struct tNotifierBlock {
  uint64_t id;
  uint32_t port;
  uint32_t kind;
};
static_assert(sizeof(tNotifierBlock) == 16, "the notifier block is 16 bytes");

int32_t answer(const tStatus& status) { return nVLAPALS100::toZUKStatus(status.getCode()); }

const void* userPointer(uint64_t address) { return reinterpret_cast<const void*>(address); }

// The copy's own code goes into the status too, so that a device that
// serves notifiers sees the failure and does nothing.
int32_t createNotifier(tSession* session, uint64_t argument) {
  tStatus status;
  tNotifierBlock block{};
  const int32_t copied = nVLZUK100_replicateInboundIOControlBuffer(&block, userPointer(argument), sizeof block);
  nVLAPALS100::setStatusFromZUKStatus(copied, status, sites::kDevice, sites::lines::kNotifierBlockCopy);
  tIONotifierParams params{block.id, block.port};
  tEventDescriptor descriptor{session};
  session->getDevice()->createIONotifier(descriptor, block.kind, params, status);
  return answer(status);
}

// The decoder's result (the number of output bytes) goes back in the
// header's result field; a result of 0 leaves the caller's field alone.
int32_t frameRequest(tSession* session, uint32_t command, uint64_t argument) {
  tIoctlHeader header{};
  const int32_t copied = nVLZUK100_replicateInboundIOControlBuffer(&header, userPointer(argument), sizeof header);
  if (copied < 0) return copied;
  header.result = 0;
  tStatus status;
  tEventDescriptor descriptor{session};
  const uint64_t produced =
      session->getInterface()->decodeIOControl(descriptor, command, userPointer(header.inAddress), header.inSize,
                                               reinterpret_cast<void*>(header.outAddress), header.outSize, status);
  header.result = static_cast<int32_t>(static_cast<uint32_t>(produced));
  if (header.result != 0) {
    nVLZUK100_replicateOutboundIOControlBuffer(reinterpret_cast<void*>(argument + kResultOffset), &header.result,
                                               sizeof header.result);
  }
  return answer(status);
}

}  // namespace

int32_t kernelOpen(void*, void** context) {
  auto* interface = static_cast<tDeviceInterface*>(*context);
  tStatus status;
  tEventDescriptor descriptor{nullptr};
  tSession* session = interface->getDevice()->openDeviceInterface(descriptor, interface, status);
  // A device that answers without a session and without a reason cannot
  // be opened: the kernel layer would hand the interface back as a session.
  if (status.isNotFatal() && session == nullptr) status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE);
  if (status.isNotFatal()) *context = session;
  return answer(status);
}

void kernelClose(void* context) {
  auto* session = static_cast<tSession*>(context);
  tDevice* device = session->getDevice();
  tEventDescriptor descriptor{session};
  device->beginSessionClose(descriptor);
  device->closeDeviceInterface(descriptor, session);
}

int32_t kernelRead(void* context, uint64_t userAddress, uint64_t size, uint64_t, uint64_t* count) {
  auto* session = static_cast<tSession*>(context);
  tStatus status;
  tEventDescriptor descriptor{session};
  tUserBuffer buffer(descriptor, userAddress, size, status);
  *count = session->getDevice()->read(descriptor, buffer, status);
  return answer(status);
}

int32_t kernelWrite(void* context, uint64_t userAddress, uint64_t size, uint64_t, uint64_t* count) {
  auto* session = static_cast<tSession*>(context);
  tStatus status;
  tEventDescriptor descriptor{session};
  tUserBuffer buffer(descriptor, userAddress, size, status);
  *count = session->getDevice()->write(descriptor, buffer, status);
  return answer(status);
}

int32_t kernelIoctl(void* context, uint32_t command, uint64_t argument) {
  auto* session = static_cast<tSession*>(context);
  if (command == kDestroyNotifierCommand) {
    tEventDescriptor descriptor{session};
    session->getDevice()->destroyIONotifier(descriptor, static_cast<uint32_t>(argument));
    return 0;
  }
  if (command == kCreateNotifierCommand) return createNotifier(session, argument);
  return frameRequest(session, command, argument);
}

void kernelRemoveDevice(void* device) { tDevice::onRemoveDevice(static_cast<tDevice*>(device)); }

// Without a map record there is nothing to hand back as the mapping: the
// allocation's own failure is the answer.
int32_t kernelMapMemory(void* context, uint64_t region, uint64_t userMapHandle, uint32_t* mapped, void** mapContext) {
  auto* session = static_cast<tSession*>(context);
  tStatus status;
  auto* map = new (status, kAllocationKindPlain)
      tUserMemoryMap(session, userMapHandle, static_cast<uint32_t>(region & kRegionMask));
  if (map == nullptr) return answer(status);
  tEventDescriptor descriptor{session};
  session->getDevice()->mapMemory(descriptor, map, status);
  if (status.isFatal()) {
    delete map;
    return answer(status);
  }
  *mapContext = map;
  *mapped = 1;
  return answer(status);
}

// Runs unadmitted, at a process's exit too, and may come after the device
// was reset: whatever a device's unmap reaches must outlive every reset
// while a map is open. The board device refuses maps of its FPGA sessions;
// wired, their unmap would reach the FPGA state a reset deletes, and would
// have to be counted as a close is (the reset waits for it) or admitted
// and checked against the state's epoch as a request is.
void kernelUnmapMemory(void* context) {
  auto* map = static_cast<tUserMemoryMap*>(context);
  tEventDescriptor descriptor{map->getSession()};
  map->getSession()->getDevice()->unmapMemory(descriptor, map);
  delete map;
}

void kernelDeleteDevice(void* device) { tDevice::onDeleteDevice(static_cast<tDevice*>(device)); }

}  // namespace nVLAPAL000
