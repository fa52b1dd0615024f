#include "PlatformRequests.h"

#include "IoctlCollection.h"
#include "RequestTables.h"
#include "driver/board/device/Device.h"
#include "driver/board/status/BoardSites.h"
#include "driver/platform/device/tUserBuffer.h"
#include "driver/platform/memory/Memory.h"
#include "driver/platform/memory/UserBound.h"
#include "driver/platform/zuk/ZukMemory.h"

namespace nVL9738K_24_0::requests {

void GetSerialNumber::handle(RequestContext& context, const In&, Out& out, tStatus&) {
  out.serialNumber = context.collection().getSerialNumber();
}

void GetModuleRev::handle(RequestContext& context, const In& in, Out& out, tStatus& status) {
  out.revision = context.collection().getModuleRev(in.index, status);
}

void GetTemperature::handle(RequestContext& context, const In& in, Out& out, tStatus& status) {
  out.divisor = 1;
  context.collection().checkTemperature(in.sensor, in.sampleCount, out.sum, out.divisor, status);
}

void CheckInitializationStatus::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  context.collection().checkInitializationStatus(in.level, status);
}

// User mode hands the versions of its subsystems in; the board has none to
// compare them with, so the array is read and dropped, a chunk at a time
// through one small buffer: the count is the caller's.
void GetSubSystemVersion::handle(RequestContext& context, const In& in, Out& out, tStatus& status) {
  out.value = 0;
  if (in.count == 0) return;
  const uint64_t bytes = uint64_t{in.count} * 4;
  if (!nVLAPAL000::withinUserBound(bytes, kMaxArrayBytes, nVLAPALS100::kStatusOutOfMemory,
                                   VL_SITE_AT(sites::kMainInterface, __LINE__), status)) {
    return;
  }
  const uint64_t chunk = bytes < kChunkBytes ? bytes : kChunkBytes;
  auto* words = static_cast<uint8_t*>(nVLAPAL000::allocateWithStatus(chunk, status));
  if (words == nullptr) return;
  nVLAPAL000::tUserBuffer user(context.descriptor(), in.arrayAddress, bytes, status);
  for (uint64_t at = 0; at < bytes && status.isNotFatal(); at += chunk) {
    const uint64_t length = bytes - at < chunk ? bytes - at : chunk;
    user.readFromBuffer(at, words, length, status);
  }
  nVLZUK100_free(words);
}

void ResetDevice::handle(RequestContext& context, const In&, Out&, tStatus& status) { context.device().reset(status); }

void GetFlashDevices::handle(RequestContext& context, const In&, Out& out, tStatus&) {
  out.count = context.collection().getFlashDevices();
}

void GetConnectedDevices::handle(RequestContext& context, const In&, Out& out, tStatus&) {
  out.count = context.collection().getConnectedDevices();
}

void SelfTest::handle(RequestContext& context, const In&, Out&, tStatus& status) {
  context.device().verifyBoard(status);
}

void GetFirmwareRev::handle(RequestContext& context, const In&, Out& out, tStatus&) {
  context.collection().getFirmwareRev(out.current, out.oldest);
}

void GetSerialNumberPrefix::handle(RequestContext& context, const In&, Out& out, tStatus&) {
  out.serialNumber = context.collection().getSerialNumberPrefix();
}

void ReserveDeviceForFirmwareUpdate::handle(RequestContext&, const In&, Out&, tStatus& status) {
  status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE_AT(sites::kMainInterface, __LINE__));
}

void UnreserveDeviceAfterFirmwareUpdate::handle(RequestContext&, const In&, Out&, tStatus& status) {
  status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE_AT(sites::kMainInterface, __LINE__));
}

void GetDriverAttributeU32::handle(RequestContext& context, const In& in, Out& out, tStatus& status) {
  out.value = context.device().getDriverAttributeU32(in.attribute, in.selector, status);
}

namespace {

constexpr RequestEntry kEntries[] = {
    makeRequest<GetSerialNumber, 40, 16>(),
    makeRequest<GetModuleRev, 8, 8>(),
    makeRequest<GetTemperature, 12, 12>(),
    makeRequest<GetModulePowerConsumption, 4, 8>(),
    makeRequest<CheckInitializationStatus, 8, 4>(),
    makeRequest<GetSubSystemVersion, 16, 8>(),
    makeRequest<GetModulePartNumber, 12, 8>(),
    makeRequest<ResetDevice, 4, 4>(),
    makeRequest<GetFlashDevices, 16, 8>(),
    makeRequest<GetConnectedDevices, 16, 8>(),
    makeRequest<SelfTest, 40, 4>(),
    makeRequest<GetFirmwareRev, 48, 12>(),
    makeRequest<GetSerialNumberPrefix, 40, 16>(),
    makeRequest<ReserveDeviceForFirmwareUpdate, 4, 4>(),
    makeRequest<UnreserveDeviceAfterFirmwareUpdate, 4, 4>(),
    makeRequest<GetDriverAttributeU32, 12, 8>(),
    makeRequest<GetDriverInterfaceVersion, 4, 8>(),
    makeRequest<GetSiloVariant, 40, 8>(),
};

}  // namespace

const RequestTable kPlatformRequests{kEntries, sizeof(kEntries) / sizeof(kEntries[0])};

}  // namespace nVL9738K_24_0::requests
