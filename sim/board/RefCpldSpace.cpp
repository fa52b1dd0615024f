#include "RefCpldSpace.h"

namespace sim {
namespace {

// Auxiliary interface: signature, revision and read word are read-only;
// setup commands (SlaveSetup bits 0-1, AuxLiteSetup bit 0) clear themselves.
constexpr uint64_t kSignature = 0x00;
constexpr uint64_t kRevision = 0x04;
constexpr uint64_t kReadWord = 0x08;
constexpr uint32_t kRefCpldSignature = 0x97380001;
constexpr uint32_t kSlaveCommands = 0x3;
constexpr uint32_t kAuxLiteCommands = 0x1;
// HMC703 status words (lock detect state, BIST, lock timer) are read-only.
constexpr uint64_t kHmc703Status[] = {0x48, 0x4C, 0x50};
// 25 degrees C, in the readback's bits 2-15.
constexpr int16_t kRoomTemperature = 25 * 32;

}  // namespace

RefCpldSpace::RefCpldSpace(RegisterFile& registers) : registers_(registers) {
  for (uint64_t offset : {kSignature, kRevision, kReadWord, kSlaveSetup, kAuxLiteSetup, kTemperatureReadback,
                          kPllHmc703, kBoardRevision, kHmc703ChipId}) {
    registers_.split(kBase + offset, 4);
  }
  for (uint64_t offset : kHmc703Status) registers_.split(kBase + kHmc703 + offset, 4);
  setReadable(kSignature, kRefCpldSignature);
  updatePll();
  setReady(true);
  setTemperatureCode(kRoomTemperature);
}

void RefCpldSpace::written(uint64_t fixedLogicOffset, uint32_t value) {
  const uint64_t offset = fixedLogicOffset - kBase;
  switch (offset) {
    case kSlaveSetup:
      takeStrobes(offset, value, kSlaveCommands);
      return;
    case kAuxLiteSetup:
      takeStrobes(offset, value, kAuxLiteCommands);
      return;
    case kPllHmc703:
      pllWritten(value);
      return;
    case kHmc703FrequencyFractional:
      pllProgrammed_ = true;
      updatePll();
      return;
    case kAd9512UpdateRegs:
      if (takeStrobes(offset, value, 1)) ++ad9512Updates_;
      return;
    case kHmc703ChipId:
      if (takeStrobes(offset, value, kHmc703SoftReset)) {
        ++hmc703Resets_;
        pllProgrammed_ = false;
        updatePll();
      }
      return;
    default:
      return;
  }
}

void RefCpldSpace::pllWritten(uint32_t value) {
  const bool reset = (pllControl_ & kPllRun) != 0 && (value & kPllRun) == 0;
  pllControl_ = value;
  if (reset) {
    // Held in reset, the chip forgets its programming and no path runs.
    pllProgrammed_ = false;
    selectLatches_ = 0;
  }
  selectLatches_ |= value & kPllEnables;
  updatePll();
}

void RefCpldSpace::updatePll() {
  const bool running = (pllControl_ & (kPllPower | kPllRun)) == (kPllPower | kPllRun);
  pllLocked_ = running && pllProgrammed_ && !pllNeverLocks_;
  const uint32_t other = pllControl_ & ~(kPllCommands | kPllEnables | kPllLock | (kPllEnables << 1));
  setReadable(kPllHmc703, other | selectLatches_ | ((selectLatches_ & (1u << 16)) << 1) | (pllLocked_ ? kPllLock : 0));
  setReadable(kHmc703ChipId, running ? (chipIdWrong_ ? kChipId ^ 0x2 : kChipId) : 0);
}

void RefCpldSpace::setPllNeverLocks(bool never) {
  pllNeverLocks_ = never;
  updatePll();
}

void RefCpldSpace::setHmc703ChipIdWrong(bool wrong) {
  chipIdWrong_ = wrong;
  updatePll();
}

bool RefCpldSpace::takeStrobes(uint64_t offset, uint32_t value, uint32_t strobes) {
  if ((value & strobes) == 0) return false;
  registers_.write(kBase + offset, 4, value & ~strobes);
  return true;
}

void RefCpldSpace::setReady(bool ready) {
  const uint32_t status = readable(kSlaveSetup);
  setReadable(kSlaveSetup, ready ? status | kSlaveReady : status & ~kSlaveReady);
}

void RefCpldSpace::setBoardRevision(uint32_t revision) { setReadable(kBoardRevision, revision); }

void RefCpldSpace::setTemperatureCode(int16_t code) {
  setReadable(kTemperatureReadback, (static_cast<uint32_t>(code) & 0x3FFFu) << 2);
}

}  // namespace sim
