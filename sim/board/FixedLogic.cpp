#include "FixedLogic.h"

#include <cstdio>
#include <cstdlib>

#include "sim/kernel/Clock.h"

namespace sim {
namespace {

// Card power: the control fields read back in the status word, and each
// enabled rail reports good one bit above its enable.
constexpr uint32_t kRefPowerFields = 0x4773;
constexpr uint32_t kRefRailEnable = 1u << 10;
constexpr uint32_t kRefRailGood = 1u << 11;
constexpr uint32_t kLoPowerFields = 0x77777;
constexpr unsigned kLoRails = 5;
// With all five LO rails good, the card reports its two supplies good.
constexpr uint32_t kLoCardGood = (1u << 23) | (1u << 27);

uint32_t refPowerStatus(uint32_t control) {
  return (control & kRefPowerFields) | ((control & kRefRailEnable) != 0 ? kRefRailGood : 0);
}

uint32_t loPowerStatus(uint32_t control, bool heldDown) {
  uint32_t status = control & kLoPowerFields;
  unsigned good = 0;
  for (unsigned rail = 0; rail < kLoRails && !heldDown; ++rail) {
    if ((control >> (4 * rail + 2) & 1u) != 0) {
      status |= 1u << (4 * rail + 3);
      ++good;
    }
  }
  return good == kLoRails ? status | kLoCardGood : status;
}

// The link to a CPLD comes up when the CPLD is strobed after its endpoint
// was enabled with the auxiliary lines (bits 0, 2, 8), and stays up until
// bit 0 is cleared.
constexpr uint32_t kLinkBringUp = (1u << 0) | (1u << 2) | (1u << 8);
constexpr uint32_t kLinkEnable = 1u << 0;

}  // namespace

FixedLogic::FixedLogic(Bar& bar0) : registers_(bar0.data() + kBarOffset, kSize), cplds_(registers_) {
  // Read-only registers, and addresses where control and status meet.
  for (uint64_t offset :
       {kCoreBoard + 0x0, kCoreBoard + 0x4, kCoreBoard + 0x8, kJtag + 0x0, kJtag + 0x4, kPrivate + 0x0, kThermalStatus,
        kRefCardPower, kLoCardPower, kRefCardSS, kLoCardSS, kRefOutAlignment, kLockDetector, kLo0TemperatureReadback}) {
    registers_.split(offset, 4);
  }
  for (uint64_t block : kCpldConfig) {
    for (uint64_t offset : {kEndpointSetup, kAuxSetup, uint64_t{0x20}, uint64_t{0x2C}}) {
      registers_.split(block + offset, 4);
    }
    strobes_[block + kMutex] = 1u << 4;
    strobes_[block + kAuxSetup] = 1u << 12;
  }
  strobes_[kRefOutAlignment] = (1u << 8) | (1u << 31);
  strobes_[kLockDetector] = 1u << 0;
  strobes_[kJtagControl] = 1u << 8;
  strobes_[kThermalSetup] = (1u << 0) | (1u << 5) | (1u << 9);

  registers_.setReadable(kCoreBoard, 4, kBoardSignature);
  registers_.setReadable(kRefCardPower, 4, refPowerStatus(0x333));
  registers_.setReadable(kLoCardPower, 4, loPowerStatus(0x33333, false));
  // The board sensor reads room temperature until a test heats the board.
  setLo0TemperatureCode(kRoomTemperatureCode);
  bar0.attach(kBarOffset, kSize, *this);
}

uint32_t FixedLogic::read(uint64_t offset, unsigned width) { return registers_.read(offset, width); }

std::vector<FixedLogic::TimedWrite> FixedLogic::timedWrites() const {
  if (!timedWrites_.whole()) {
    std::fprintf(stderr, "sim: the fixed logic's writes are read after the oldest were dropped\n");
    std::abort();
  }
  return timedWrites_.kept();
}

void FixedLogic::write(uint64_t offset, unsigned width, uint32_t value) {
  if (width == 4) timedWrites_.push({offset, value, Clock::instance().nowNs()});
  registers_.write(offset, width, value);
  if (width != 4) return;
  bool strobed = false;
  const unsigned cpld = CpldAuxModel::cpldAt(offset);
  if (cplds_.write(offset, value, strobed) && strobed && linkArmed_[cpld] && !linkHeldDown_[cpld]) {
    const uint64_t address = kCpldConfig[cpld] + kAuxSetup;
    registers_.setReadable(address, 4, registers_.readable(address, 4) | kAuxLinkUp);
  }
  if (RefCpldSpace::contains(offset)) {
    refCpld_.written(offset, value);
    return;
  }
  applyStrobes(offset, value);
  updateStatus(offset, value);
}

void FixedLogic::applyStrobes(uint64_t offset, uint32_t value) {
  const auto strobe = strobes_.find(offset);
  if (strobe == strobes_.end() || (value & strobe->second) == 0) return;
  for (unsigned bit = 0; bit < 32; ++bit) {
    if ((value & strobe->second & (1u << bit)) != 0) ++pulses_[{offset, bit}];
  }
  // The pulse is over: the register holds the value without its strobes.
  registers_.write(offset, 4, value & ~strobe->second);
}

void FixedLogic::updateStatus(uint64_t offset, uint32_t value) {
  switch (offset) {
    case kRefCardPower:
      registers_.setReadable(offset, 4, refPowerStatus(value));
      return;
    case kLoCardPower:
      registers_.setReadable(offset, 4, loPowerStatus(value, loPowerHeldDown_));
      return;
    case kRefCardSS:
      registers_.setReadable(offset, 4, value & 0x7u);
      return;
    case kLoCardSS:
      registers_.setReadable(offset, 4, value & 0x1Fu);
      return;
    case kRefOutAlignment:
      if ((value & (1u << 31)) != 0) {
        const uint32_t source = value & 0x7u;
        const uint32_t aligned = source == 4 ? 0xE00u : source == 2 ? 0xA00u : 0u;
        registers_.setReadable(offset, 4, aligned & alignmentBits_);
      }
      return;
    default:
      break;
  }
  for (unsigned cpld = 0; cpld < 3; ++cpld) {
    if (offset >= kCpldConfig[cpld] && offset < kCpldConfig[cpld] + 0x20) {
      updateCpld(cpld, offset - kCpldConfig[cpld], value);
    }
  }
}

void FixedLogic::updateCpld(unsigned cpld, uint64_t offset, uint32_t value) {
  const uint64_t block = kCpldConfig[cpld];
  if (offset == kEndpointSetup) {
    registers_.setReadable(block + kEndpointSetup, 4, value & 1u);
  } else if (offset == kAuxSetup) {
    const uint64_t status = registers_.readable(block + kAuxSetup, 4);
    bool up = (status & kAuxLinkUp) != 0;
    if ((value & kLinkBringUp) == kLinkBringUp) linkArmed_[cpld] = true;
    if ((value & kLinkEnable) == 0) linkArmed_[cpld] = false;
    if ((value & kLinkEnable) == 0 || linkHeldDown_[cpld]) up = false;
    registers_.setReadable(block + kAuxSetup, 4, up ? status | kAuxLinkUp : status & ~uint64_t{kAuxLinkUp});
  }
}

uint64_t FixedLogic::strobePulses(uint64_t offset, unsigned bit) const {
  const auto found = pulses_.find({offset, bit});
  return found == pulses_.end() ? 0 : found->second;
}

void FixedLogic::setOverTemperature(bool hot) {
  const uint64_t status = registers_.readable(kThermalStatus, 4);
  registers_.setReadable(kThermalStatus, 4, hot ? status | kOverTemperature : status & ~uint64_t{kOverTemperature});
}

void FixedLogic::setLo0TemperatureCode(int16_t code) {
  registers_.setReadable(kLo0TemperatureReadback, 4, (static_cast<uint32_t>(code) & 0x3FFFu) << 2);
}

void FixedLogic::holdCpldLinkDown(unsigned cpld, bool down) {
  linkHeldDown_[cpld] = down;
  if (down) {
    const uint64_t address = kCpldConfig[cpld] + kAuxSetup;
    registers_.setReadable(address, 4, registers_.readable(address, 4) & ~uint64_t{kAuxLinkUp});
  }
}

void FixedLogic::holdLoPowerDown(bool down) {
  loPowerHeldDown_ = down;
  const auto control = static_cast<uint32_t>(registers_.readable(kLoCardPower, 4)) & kLoPowerFields;
  registers_.setReadable(kLoCardPower, 4, loPowerStatus(control, down));
}

bool FixedLogic::cpldLinkUp(unsigned cpld) const {
  return (registers_.readable(kCpldConfig[cpld] + kAuxSetup, 4) & kAuxLinkUp) != 0;
}

}  // namespace sim
