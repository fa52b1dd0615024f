// The generic settings message: one message type run over a list of
// resource ids (1 and 2 the reference-clock paths, 3 the cross switch,
// 4 and 5 the LO frequencies, 6 and 7 the LO powers), with an input and an
// output byte area. The ids are walked in order; an id outside 1 to 7
// records -52005, and the ids after it then do nothing.
#ifndef VL9738K_BOARD_RESOURCES_SETTINGSMESSAGES_H
#define VL9738K_BOARD_RESOURCES_SETTINGSMESSAGES_H

#include <stdint.h>

#include "RecordedMaps.h"
#include "RfResources.h"

namespace nVL9738K_24_0 {

enum ConfigV1_MessageType : uint32_t {
  // Programs what the policies chose.
  kMessageCommit = 1,
  // Applies only the parts of the chosen LO power that lower the output.
  kMessagePowerReductions = 6,
  kMessageSelectReferencePath = 7,
  kMessageResetToDefaults = 8,
  // Input: u32 time-out in ms, u32 timer selector (0 the first timer).
  kMessageWaitForSettling = 11,
  // Output: u32 lock flags, then the lock report.
  kMessageQueryLockStatus = 12,
};

class SettingsMessages {
 public:
  using tStatus = nVLAPALS100::tStatus;

  // A settling wait that ran out of time.
  static constexpr int32_t kSettlingTimedOut = static_cast<int32_t>(0xBFFA875Fu);

  // With `recorded`, a message whose resources a list records, and which is
  // not itself recorded, is refused before its first id is acted on.
  explicit SettingsMessages(RfResources& rf, const RecordedMaps* recorded = nullptr) : rf_(rf), recorded_(recorded) {}

  void process(const uint32_t* ids, uint32_t count, uint32_t type, const uint8_t* input, uint32_t inputSize,
               uint8_t* output, uint32_t outputCapacity, tStatus& status);

 private:
  // The recorded maps the message would touch for `id` (RecordedMaps).
  static uint32_t touchesOf(uint32_t type, uint32_t id);
  void refuseUnrecorded(const uint32_t* ids, uint32_t count, uint32_t type, tStatus& status) const;
  bool isRecorded(uint32_t touches) const { return recorded_ != nullptr && recorded_->recordsAny(touches); }
  void commit(uint32_t id, tStatus& status);
  void applyPowerReductions(uint32_t id, tStatus& status);
  void selectReferencePath(uint32_t id, tStatus& status);
  void resetToDefaults(uint32_t id, bool& refClockReset, tStatus& status);
  void waitForSettling(const uint32_t* ids, uint32_t count, const uint8_t* input, uint32_t inputSize, tStatus& status);
  void queryLockStatus(const uint32_t* ids, uint32_t count, uint8_t* output, uint32_t outputCapacity, tStatus& status);

  RfResources& rf_;
  const RecordedMaps* recorded_;
};

}  // namespace nVL9738K_24_0

#endif
