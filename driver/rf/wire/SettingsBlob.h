// The settings blob of a deploy request and the reply of the lock query.
//
// Blob: a leading u32 whose value is not used (the records are counted by
// the blob's length alone), then entries {u32 resource id, the record that
// id selects} until no byte is left, all little-endian. An unknown id
// (0 or above 7) sets -52005 and ends the walk. A record cut short by the
// end of the blob is deployed as read, with the warning 52012.
//
// Reply: the u32 of the lock flags, then the lock report: 21 bytes.
#ifndef VL9738K_RF_WIRE_SETTINGS_BLOB_H
#define VL9738K_RF_WIRE_SETTINGS_BLOB_H

#include <stdint.h>

#include "../../platform/status/tStatus.h"
#include "RefClockLockReport.h"
#include "iSettingsDeployTarget.h"

namespace vl9738settings {

void deploySettingsBlob(const uint8_t* blob, uint64_t size, iSettingsDeployTarget& target,
                        nVLAPALS100::tStatus& status);

inline constexpr uint32_t kLockQueryReplySize = 4 + kRefClockLockReportWireSize;

// Writes the reply to the start of `output`; nothing when it lacks room
// (-52019) or there is no output area (-52005). Returns the bytes written.
uint64_t writeLockQueryReply(uint32_t lockFlags, const RefClockLockReport& report, uint8_t* output, uint64_t capacity,
                             nVLAPALS100::tStatus& status);

}  // namespace vl9738settings

#endif
