#include "SettingsBlob.h"

#include "../../platform/containers/tVector.h"
#include "../../platform/text/TextRoutines.h"
#include "ResourceIds.h"
#include "SettingsWire.h"
#include "WireStatus.h"

namespace vl9738settings {

using nVLAPALS100::tStatus;

namespace {

template <typename tRecord, void (*kRead)(tRecord&, tDataReader&, tStatus&)>
void deployOne(uint32_t id, tDataReader& reader, iSettingsDeployTarget& target, tStatus& status) {
  tRecord record;
  kRead(record, reader, status);
  target.deploySettings(id, record, status);
}

}  // namespace

void iSettingsDeployTarget::deploySettings(uint32_t, const RefClockSettings&, tStatus& status) {
  if (status.isNotFatal()) status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE);
}
void iSettingsDeployTarget::deploySettings(uint32_t, const CrossSwitchSettings&, tStatus& status) {
  if (status.isNotFatal()) status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE);
}
void iSettingsDeployTarget::deploySettings(uint32_t, const FrequencySettings&, tStatus& status) {
  if (status.isNotFatal()) status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE);
}
void iSettingsDeployTarget::deploySettings(uint32_t, const PowerSettings&, tStatus& status) {
  if (status.isNotFatal()) status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE);
}

void deploySettingsBlob(const uint8_t* blob, uint64_t size, iSettingsDeployTarget& target, tStatus& status) {
  if (status.isFatal()) return;
  tArrayReader bytes{blob, blob != nullptr ? size : 0, 0};
  tDataReader reader(bytes);
  uint32_t leading = 0;
  readU32(leading, reader, status);
  while (reader.remaining() != 0 && status.isNotFatal()) {
    uint32_t id = 0;
    readU32(id, reader, status);
    switch (id) {
      case kResourceRefClockPath0:
      case kResourceRefClockPath1:
        deployOne<RefClockSettings, readRefClockSettings>(id, reader, target, status);
        break;
      case kResourceCrossSwitch:
        deployOne<CrossSwitchSettings, readCrossSwitchSettings>(id, reader, target, status);
        break;
      case kResourceLo0Frequency:
      case kResourceLo1Frequency:
        deployOne<FrequencySettings, readFrequencySettings>(id, reader, target, status);
        break;
      case kResourceLo0Power:
      case kResourceLo1Power:
        deployOne<PowerSettings, readPowerSettings>(id, reader, target, status);
        break;
      default:
        status.setCode(nVLAPALS100::kStatusInvalidParameter,
                       VL_SITE_AT(sites::kDeviceResources, sites::kUnknownResourceLine));
        break;
    }
  }
}

uint64_t writeLockQueryReply(uint32_t lockFlags, const RefClockLockReport& report, uint8_t* output, uint64_t capacity,
                             tStatus& status) {
  if (status.isFatal()) return 0;
  if (output == nullptr) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE_AT(sites::kDeviceResources, sites::kNoReplyAreaLine));
    return 0;
  }
  nVLAPAL000::tVector<uint8_t> reply;
  tDataWriter writer(reply);
  writeU32(lockFlags, writer, status);
  writeResultRecord(report, writer, status);
  if (status.isFatal()) return 0;
  if (reply.size() > capacity) {
    status.setCode(nVLAPALS100::kStatusLookupFailure, VL_SITE_AT(sites::kDeviceResources, sites::kReplyTooLargeLine));
    return 0;
  }
  nVLAPAL000::memoryCopy(output, reply.data(), reply.size());
  return reply.size();
}

}  // namespace vl9738settings
