#include "UserGenControl.h"

#include "ShadowedRegisterWrites.h"
#include "driver/platform/poller/Poller.h"

namespace qrtifwprim {

namespace {

using tUserStatus = UserGenControl::tMap::tGenerationUserStatusRegType;

constexpr uint64_t kStart = 1u << 0;
constexpr uint64_t kStop = 1u << 1;
constexpr uint64_t kFlush = 1u << 2;
// Spin between reads of the FIFO flag.
constexpr uint64_t kPollIntervalUs = 10;

}  // namespace

UserGenControl::UserGenControl(tMap* map, tStatus& status) : map_(map) {
  map_->GenerationUserStatusRegType.refresh(status);
}

void UserGenControl::beginUserGeneration(tStatus& status) {
  map_->GenerationUserControlRegType.writeBit3(true, status, false);
  shadowed::pulse(map_->GenerationUserControlRegType, kStart, status);
}

void UserGenControl::endUserGeneration(tStatus& status) {
  shadowed::pulse(map_->GenerationUserControlRegType, kStop, status);
  shadowed::pulse(map_->GenerationUserControlRegType, kFlush, status);
  atut::SpinningPoller(kPollIntervalUs, kPollIntervalUs)
      .poll(map_->GenerationUserStatusRegType, &tUserStatus::readUserfifoIsEmpty, 1, 1, kFifoDrainTimeoutUs, true,
            atut::SpinningPoller::kConditionBit0Set, status);
}

void UserGenControl::getUserGenerationStatus(uint32_t& flag10, uint32_t& flag70, tStatus& status) {
  if (status.isFatal()) return;
  flag10 = 0;
  flag70 = 0;
  if (!map_->GenerationUserStatusRegType.getBit0()) return;
  flag70 = map_->ReadableLowerBit70.readBit0(status);
  flag10 = map_->GenerationUserStatusRegType.readBit10(status);
}

}  // namespace qrtifwprim
