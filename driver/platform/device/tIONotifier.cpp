#include "tIONotifier.h"

#include "../zuk/ZukSocket.h"
#include "DeviceSites.h"

namespace nVLAPAL000 {
namespace {

using nVLAPALS100::tStatus;

// Messages are little-endian whatever the processor, and every byte the
// fields do not use is zero.
struct tMessage {
  uint8_t bytes[tIONotifier::kMessageSize] = {};

  void putU64(uint32_t offset, uint64_t value) {
    for (uint32_t i = 0; i < 8; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
  }
  void putU32(uint32_t offset, uint32_t value) {
    for (uint32_t i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
  }
};

constexpr uint32_t kIdOffset = 0;
constexpr uint32_t kLengthOffset = 8;
constexpr uint32_t kPayloadOffset = 12;

}  // namespace

tIONotifier::tIONotifier() : id_(0), socketBuffer_(0), port_(0) {}

// A buffer still held here was never handed to the kernel layer: give it
// back rather than lose it.
tIONotifier::~tIONotifier() {
  if (socketBuffer_ != 0) nVLZUK250_releaseKernelSocketBuffer(socketBuffer_);
}

// Initialising again replaces the listener; the earlier buffer goes back
// to the kernel layer.
void tIONotifier::initialize(const tIONotifierParams& params, tStatus& status) {
  if (status.isFatal()) return;
  const uint64_t buffer = nVLZUK250_createKernelSocketBuffer(kMessageSize);
  if (buffer == 0) {
    status.setCode(nVLAPALS100::kStatusOutOfMemory, VL_SITE_AT(sites::kIONotifier, sites::lines::kNotifierBuffer));
    return;
  }
  if (socketBuffer_ != 0) nVLZUK250_releaseKernelSocketBuffer(socketBuffer_);
  socketBuffer_ = buffer;
  id_ = params.id;
  port_ = params.port;
}

void tIONotifier::close() {
  if (!isInitialized()) return;
  tMessage message;
  message.putU64(kIdOffset, id_);
  // A refused send leaves the buffer with us; nobody would release it later.
  if (nVLZUK250_kernelSocketSend(socketBuffer_, port_, kTypeClosed, message.bytes, kMessageSize) != 0) {
    nVLZUK250_releaseKernelSocketBuffer(socketBuffer_);
  }
  socketBuffer_ = 0;
  port_ = 0;
}

void tIONotifier::notify(const void* payload, uint32_t length, tStatus& status) {
  if (length > kMaxPayload) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter,
                   VL_SITE_AT(sites::kIONotifier, sites::lines::kNotifierPayload));
  }
  if (status.isFatal()) return;
  const uint64_t buffer = nVLZUK250_createKernelSocketBuffer(kMessageSize);
  if (buffer == 0) {
    status.setCode(nVLAPALS100::kStatusOutOfMemory, VL_SITE_AT(sites::kIONotifier, sites::lines::kNotifierFreshBuffer));
    return;
  }
  tMessage message;
  message.putU64(kIdOffset, id_);
  message.putU32(kLengthOffset, length);
  const auto* bytes = static_cast<const uint8_t*>(payload);
  for (uint32_t i = 0; i < length; ++i) message.bytes[kPayloadOffset + i] = bytes[i];
  const int32_t result = nVLZUK250_kernelSocketSend(buffer, port_, kTypeNotification, message.bytes, kMessageSize);
  nVLAPALS100::setStatusFromZUKStatus(result, status, sites::kIONotifier, sites::lines::kNotifierSend);
  // A successful send hands the buffer to the kernel layer.
  if (status.isFatal()) nVLZUK250_releaseKernelSocketBuffer(buffer);
}

}  // namespace nVLAPAL000
