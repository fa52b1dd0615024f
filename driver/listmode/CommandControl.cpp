#include "CommandControl.h"

#include "ListModeStatusCodes.h"
#include "driver/platform/poller/Poller.h"
#include "driver/platform/status/StatusCodes.h"
#include "driver/platform/status/StatusSite.h"

namespace listmodek {

namespace {

using nVLAPALS100::tStatus;
using tSpinPoller =
    atut::Poller<nVLAPAL000::tTimeout<nVLAPAL000::tTimeWasterSpin, nVLAPAL000::tTimebasePrecise>, unsigned int>;

}  // namespace

ListTraits CommandControl::traitsOf(uint64_t capabilities) {
  ListTraits traits{};
  traits.word0 = kListTraitsWord0;
  traits.listModeSupported = static_cast<uint32_t>(capabilities & 1);
  traits.pcodeVersion = static_cast<uint8_t>(capabilities >> 16);
  traits.pcodeOldestCompatibleVersion = static_cast<uint8_t>(capabilities >> 24);
  traits.maxListTrigger = static_cast<uint8_t>((capabilities >> 8) & 0xF);
  traits.maxListEvent = static_cast<uint8_t>((capabilities >> 12) & 0xF);
  const uint8_t ticks = static_cast<uint8_t>(capabilities >> 32);
  traits.capability4 = ticks != 0 ? ticks : kDefaultTicksPerUnit;
  return traits;
}

// A refused or failed read leaves the shadow as it was, and the traits are
// built from what the shadow holds.
CommandControl::CommandControl(tMap* map, tStatus& status) : map_(map) {
  if (status.isFatal()) return;
  traits_ = traitsOf(map_->Capabilities.readRegister(status));
}

void CommandControl::getCapabilities(ListTraits& traits, tStatus& status) {
  if (status.isFatal()) return;
  traits = traits_;
}

void CommandControl::setListLocation(const uint64_t (&words)[2], tStatus& status) {
  if (status.isFatal()) return;
  for (uint64_t word : words) {
    if (word > 0xFFFFFFFFu)
      status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE_AT(sites::kCommandControl, __LINE__));
  }
  if (status.isFatal()) return;
  location_[0] = words[0];
  location_[1] = words[1];
}

void CommandControl::commitListLocation(tStatus& status) {
  if (status.isFatal()) return;
  map_->ListLocation.setWord0(static_cast<uint32_t>(location_[0]), status)
      .setWord1(static_cast<uint32_t>(location_[1]), status)
      .flush(status, false);
}

void CommandControl::start(tStatus& status) {
  if (status.isFatal()) return;
  auto& control = map_->Control;
  control.setControlBit1(false, status).setControlBit0(false, status).flush(status, true);
  control.writeControlBit0(true, status, false).writeControlBit0(false, status, false);
  control.writeControlBit4(true, status, false);
  control.writeControlBit1(true, status, false).writeControlBit1(false, status, false);
}

void CommandControl::stop(tStatus& status) {
  auto& control = map_->Control;
  control.writeControlBit2(false, status, false)
      .writeControlBit2(true, status, false)
      .writeControlBit2(false, status, false);
  const tSpinPoller poller(0, 0, nVLAPALS100::kStatusTimeout);
  poller.poll(
      *this, [](CommandControl& self, tStatus& s) -> unsigned int { return self.readListIsDone(s) ? 1u : 0u; }, 1u,
      0xFFFFFFFFu, kStopTimeoutUs, true, tSpinPoller::kConditionEquals, status);
  // The run bit comes down also after a failed pulse or a list that never
  // reported done.
  tStatus child;
  control.writeControlBit4(false, child, false);
  status.merge(child);
}

uint64_t CommandControl::readStepInProgress(tStatus& status) {
  if (status.isFatal()) return 0;
  return map_->Progress.readRegister(status) & 0xFFFFFFFFu;
}

uint64_t CommandControl::readIterationInProgress(tStatus& status) {
  if (status.isFatal()) return 0;
  return map_->Progress.readRegister(status) >> 32;
}

bool CommandControl::readListIsDone(tStatus& status) {
  if (status.isFatal()) return false;
  return map_->Status.readListIsDone(status);
}

bool CommandControl::readIsFifoUnderflow(tStatus& status) {
  if (status.isFatal()) return false;
  return map_->Status.getIsFifoUnderflow();
}

void CommandControl::pulseControlBit3(tStatus& status) {
  if (status.isFatal()) return;
  auto& control = map_->Control;
  control.writeControlBit3(false, status, true)
      .writeControlBit3(true, status, true)
      .writeControlBit3(false, status, true);
}

void CommandControl::readDeviceStatus(uint32_t& errorCount, uint64_t& info0, uint64_t& info1, tStatus& status) {
  if (status.isFatal()) return;
  errorCount = static_cast<uint32_t>(map_->ErrorCount.readRegister(status));
  info0 = 0;
  info1 = 0;
  if (errorCount == 0) return;
  const uint64_t info = map_->ErrorInfo.readRegister(status);
  info0 = info & 0xFFFFFFFFu;
  info1 = info >> 32;
}

}  // namespace listmodek
