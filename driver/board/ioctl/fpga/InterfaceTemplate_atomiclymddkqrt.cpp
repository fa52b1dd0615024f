#include "InterfaceTemplate_atomiclymddkqrt.h"

#include "FpgaSessionRequests.h"
#include "driver/board/device/Device.h"
#include "driver/fpgasession/AtomicLymSession.h"
#include "driver/platform/device/IoctlCodegen.h"
#include "driver/platform/sync/tWaitQueue.h"
#include "driver/platform/zuk/ZukMemory.h"
#include "driver/platform/zuk/ZukUserMemory.h"

namespace nVL9738K_24_0 {

using lymrequests::kFpgaSessionRequests;
using lymrequests::kMaxLymBlock;
using lymrequests::ReleasePersonality;

tInterfaceTemplate_atomiclymddkqrt::tInterfaceTemplate_atomiclymddkqrt(Device* device, const char* name)
    : tDeviceInterface(device, name), collection_(device), device_(*device) {}

tInterfaceTemplate_atomiclymddkqrt::~tInterfaceTemplate_atomiclymddkqrt() = default;

const RequestEntry* tInterfaceTemplate_atomiclymddkqrt::find(uint32_t code) {
  for (uint32_t i = 0; i < kFpgaSessionRequests.count; ++i) {
    if (kFpgaSessionRequests.entries[i].code == code) return &kFpgaSessionRequests.entries[i];
  }
  return nullptr;
}

uint64_t tInterfaceTemplate_atomiclymddkqrt::decodeIOControl(nVLAPAL000::tEventDescriptor& descriptor, uint32_t code,
                                                             const void* in, uint64_t inSize, void* out,
                                                             uint64_t outSize, nVLAPALS100::tStatus& status) {
  // Every open of this interface has its session; a request without one
  // is refused before any block is read.
  if (descriptor.session == nullptr) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
    return 0;
  }
  if (code == ReleasePersonality::kCode) return releasePersonality(descriptor, in, inSize, outSize, status);
  const RequestEntry* entry = find(code);
  if (entry == nullptr) return tDeviceInterface::decodeIOControl(descriptor, code, in, inSize, out, outSize, status);
  return run(*entry, descriptor, in, inSize, out, outSize, status);
}

bool tInterfaceTemplate_atomiclymddkqrt::checkSizes(uint64_t inSize, uint64_t expectedIn, uint64_t outSize,
                                                    uint64_t expectedOut, nVLAPALS100::tStatus& status) {
  if (inSize == expectedIn && outSize == expectedOut) return true;
  status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
  return false;
}

uint64_t tInterfaceTemplate_atomiclymddkqrt::run(const RequestEntry& entry, nVLAPAL000::tEventDescriptor& descriptor,
                                                 const void* in, uint64_t inSize, void* out, uint64_t outSize,
                                                 nVLAPALS100::tStatus& status) {
  if (!checkSizes(inSize, entry.inSize, outSize, entry.outSize, status)) return 0;
  alignas(8) uint8_t input[kMaxLymBlock];
  alignas(8) uint8_t output[kMaxLymBlock];
  const int32_t copied = nVLZUK100_replicateInboundIOControlBuffer(input, in, entry.inSize);
  if (copied < 0) {
    nVLAPALS100::setStatusFromZUKStatus(copied, status, __FILE__, __LINE__);
    return 0;
  }
  __builtin_memset(output, 0, entry.outSize);
  int32_t inStatus;
  __builtin_memcpy(&inStatus, input + entry.inStatusAt, sizeof(inStatus));
  nVLAPALS100::tStatus operation;
  if (inStatus != 0) operation.setCode(inStatus, VL_SITE);
  RequestContext context(collection_, descriptor);
  nVLAPAL000::tSession* session = descriptor.session;
  if (entry.guard.kind == RequestGuard::kInHandler) {
    entry.handle(context, input, output, operation);
  } else {
    device_.refreshLymSessionValidity(session);
    const bool admitted = device_.beginIO(session, operation, nVLAPAL000::kWaitForever);
    if (entry.guard.kind != RequestGuard::kGate || operation.isNotFatal()) {
      entry.handle(context, input, output, operation);
    }
    if (admitted) device_.endIO(session);
  }
  const int32_t outStatus = static_cast<int32_t>(operation.getCode());
  __builtin_memcpy(output + entry.outStatusAt, &outStatus, sizeof(outStatus));
  nVLAPAL200_copyIoctlOutBufferForCodegen(out, output, entry.outSize, &status);
  return entry.outSize;
}

// No status travels either way: the outcome of a release is not reported.
uint64_t tInterfaceTemplate_atomiclymddkqrt::releasePersonality(nVLAPAL000::tEventDescriptor& descriptor,
                                                                const void* in, uint64_t inSize, uint64_t outSize,
                                                                nVLAPALS100::tStatus& status) {
  if (!checkSizes(inSize, sizeof(ReleasePersonality::In), outSize, 0, status)) return 0;
  ReleasePersonality::In input;
  const int32_t copied = nVLZUK100_replicateInboundIOControlBuffer(&input, in, sizeof(input));
  if (copied < 0) {
    nVLAPALS100::setStatusFromZUKStatus(copied, status, __FILE__, __LINE__);
    return 0;
  }
  nVLAPALS100::tStatus operation;
  nVLAPAL000::tSession* session = descriptor.session;
  device_.refreshLymSessionValidity(session);
  const bool admitted = device_.beginIO(session, operation, nVLAPAL000::kWaitForever);
  if (operation.isNotFatal()) {
    static_cast<qrtlym::AtomicLymSession*>(session)->getKernelSession().releasePersonality(input.ownerId,
                                                                                           input.resetWhenLast != 0);
  }
  if (admitted) device_.endIO(session);
  return 0;
}

}  // namespace nVL9738K_24_0
