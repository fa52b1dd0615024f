#include "PolicyCheck.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <string_view>

#include "Family.h"
#include "Scenario.h"
#include "driver/board/ioctl/ArmRequests.h"
#include "driver/board/ioctl/ReservationRequests.h"
#include "driver/board/ioctl/SettingsRequests.h"
#include "sim/kernel/UserMemory.h"

namespace vlscenario {
namespace {

namespace rq = nVL9738K_24_0::requests;

// What a setting leaves on the board, as up to three numbers.
using Image = std::array<uint64_t, 3>;

uint64_t field(const std::vector<uint8_t>& record, size_t at, unsigned bytes) {
  uint64_t value = 0;
  for (unsigned i = 0; i < bytes && at + i < record.size(); ++i) value |= uint64_t{record[at + i]} << (8 * i);
  return value;
}

// Wire offsets, from the record's start (its resource id): the settling
// times come first (two tables of nine words for a frequency, two words
// otherwise).
constexpr size_t kFtwAt = 76, kModulusAt = 84, kDeltaAt = 92;
constexpr size_t kAmplitudeAt = 12, kAttenuatorAt = 14;
constexpr size_t kModeAt = 13;
constexpr size_t kSourceAt = 12, kOscillatorDacAt = 14;

// The reference CPLD's clock path and oscillator DAC words in the
// fixed-logic window: the source as a one-hot code; the DAC's control bits
// (0..3 and 19..21), which a commit leaves running, and its 12-bit tuning
// value in bits 4..15.
constexpr uint64_t kClkPath = 0x4124, kOcxoCtrlDac = 0x4128;
constexpr uint32_t kSourceCodes[] = {1, 2, 4};
constexpr uint32_t kDacMask = 0xFu | 0xFFF0u | (0x7u << 19), kDacRunning = 3u << 19;

uint64_t word(Scenario& scenario, uint64_t address) {
  return scenario.board().fixedLogic().registers().written(address, 4);
}

Image frequencyOf(const std::vector<uint8_t>& r) {
  return {field(r, kFtwAt, 8), field(r, kModulusAt, 8), field(r, kDeltaAt, 8)};
}
Image ncoOf(Scenario& scenario, unsigned lo) {
  const sim::Ad9162::Nco nco = scenario.board().dac(lo).nco();
  return {nco.ftw, nco.accModulus, nco.accDelta};
}
Image powerOf(const std::vector<uint8_t>& r) {
  return {field(r, kAmplitudeAt, 2), field(r, kAttenuatorAt, 1) & 0x7Fu, 0};
}
Image attenuationOf(Scenario& scenario, unsigned lo) {
  sim::Ad9162& dac = scenario.board().dac(lo);
  return {uint64_t{dac.reg(0x14E)} << 8 | dac.reg(0x14F), scenario.board().fixedLogic().loBoardControl(lo, 0) & 0x7Fu,
          0};
}
Image referenceOf(const std::vector<uint8_t>& r) {
  const uint64_t source = field(r, kSourceAt, 1);
  return {source < std::size(kSourceCodes) ? kSourceCodes[source] : 0,
          kDacRunning | (field(r, kOscillatorDacAt, 2) & 0xFFFu) << 4, 0};
}

// The policies, the wire form's resource id, what a value shows and what
// the board holds: the LO paths' NCO words on their DACs, their amplitude
// and attenuator, the cross switch's mode, and the reference's source and
// oscillator DAC.
struct CheckedPolicy {
  const char* name;
  uint32_t resourceId;
  Image (*expected)(const std::vector<uint8_t>&);
  Image (*board)(Scenario&);
};
constexpr CheckedPolicy kPolicies[] = {
    {"9738 Reference Clock Source", 1, referenceOf,
     [](Scenario& s) -> Image {
       return {word(s, kClkPath) & 7u, word(s, kOcxoCtrlDac) & kDacMask, 0};
     }},
    {"9738 Cross Switch Mode", 3,
     [](const std::vector<uint8_t>& r) -> Image {
       return {field(r, kModeAt, 1) & 0x1Fu, 0, 0};
     },
     [](Scenario& s) -> Image {
       return {s.board().fixedLogic().crossSwitch() & 0x1Fu, 0, 0};
     }},
    {"9738 LO0 Frequency", 4, frequencyOf, [](Scenario& s) { return ncoOf(s, 0); }},
    {"9738 LO1 Frequency", 5, frequencyOf, [](Scenario& s) { return ncoOf(s, 1); }},
    {"9738 LO0 Power", 6, powerOf, [](Scenario& s) { return attenuationOf(s, 0); }},
    {"9738 LO1 Power", 7, powerOf, [](Scenario& s) { return attenuationOf(s, 1); }},
};

// Requests that write a register by name, sent or flushed.
constexpr uint32_t kWritesByName[] = {rq::ArmWrite::kCode, rq::ArmWriteEx::kCode, rq::ArmFlushRegister::kCode,
                                      rq::ArmFlushRegisterEx::kCode, rq::ArmFlushRegMap::kCode};

// The maps holding registers the check compares, and the policies (by
// entry of the table above) whose values they hold; a write by name into
// any other map cannot move what is compared.
struct WrittenMap {
  const char* name;
  std::array<int, 2> policies;
};
constexpr WrittenMap kWrittenMaps[] = {
    {"Vl9738RefCpld", {0, -1}},  {"CxSwCtrlRegMap", {1, -1}},    {"Lo0Ad9162RegMap", {2, 4}},
    {"Lo1Ad9162RegMap", {3, 5}}, {"Lo0BoardCtrlRegMap", {2, 4}}, {"Lo1BoardCtrlRegMap", {3, 5}},
};
constexpr std::string_view kUnknownMap = "?";

std::string describe(const Image& image) {
  return hex(static_cast<uint32_t>(image[0] >> 32)) + ":" + hex(static_cast<uint32_t>(image[0])) + " " +
         std::to_string(image[1]) + " " + std::to_string(image[2]);
}

// The user-memory layout of a probe.
constexpr size_t kDescriptorAt = 0x000, kPolicyNameAt = 0x080, kMessageAt = 0x100, kPolicyIdAt = 0x300,
                 kResultAt = 0x380;
constexpr char kDescriptor[] = "policy check";

}  // namespace

void PolicyCheck::noteCommitted(const std::vector<uint8_t>& record) {
  committed_.resize(std::size(kPolicies));
  for (size_t i = 0; i < std::size(kPolicies); ++i) {
    if (field(record, 0, 4) == kPolicies[i].resourceId) committed_[i] = record;
  }
}

bool PolicyCheck::writesByName(uint32_t code) {
  return std::find(std::begin(kWritesByName), std::end(kWritesByName), code) != std::end(kWritesByName);
}

void PolicyCheck::writtenByName(const std::string& map) {
  if (map == kUnknownMap) return forget();
  for (const WrittenMap& written : kWrittenMaps) {
    if (map != written.name) continue;
    for (int policy : written.policies) {
      if (policy >= 0 && static_cast<size_t>(policy) < committed_.size()) committed_[policy].reset();
    }
  }
}

void PolicyCheck::forget() { committed_.clear(); }

void PolicyCheck::check(Scenario& scenario, Session& session) {
  sim::UserBlock user(0x400);
  bool hasClient = false;
  for (size_t i = 0; i < committed_.size(); ++i) {
    if (!committed_[i]) continue;
    const CheckedPolicy& policy = kPolicies[i];
    const std::vector<uint8_t>& record = *committed_[i];
    const Image expected = policy.expected(record);
    const Image shown = policy.board(scenario);
    if (expected == shown) continue;
    if (!hasClient) {
      std::memcpy(user.data() + kDescriptorAt, kDescriptor, sizeof(kDescriptor) - 1);
      if (scenario.call<rq::SetDescriptor>(session, {user.address() + kDescriptorAt, sizeof(kDescriptor) - 1, 0})
              .answer() != 0)
        return;
      hasClient = true;
    }
    const uint32_t length = static_cast<uint32_t>(std::strlen(policy.name));
    std::memcpy(user.data() + kPolicyNameAt, policy.name, length);
    rq::FindReservationPolicyID::Out found{};
    if (scenario.call<rq::FindReservationPolicyID>(session, {user.address() + kPolicyNameAt, length, 0, 0}, &found)
            .answer() != 0)
      continue;
    // A deploy message: a header word, then the record.
    std::memset(user.data() + kMessageAt, 0, 4);
    std::memcpy(user.data() + kMessageAt + 4, record.data(), record.size());
    const uint32_t size = static_cast<uint32_t>(record.size() + 4);
    if (scenario.call<rq::SettingsDeploy>(session, {user.address() + kMessageAt, size, 0}).answer() != 0) continue;
    user.put<uint32_t>(kPolicyIdAt, found.policyId);
    user.put<uint32_t>(kResultAt, 0);
    if (scenario.call<rq::Reserve>(session, {1, user.address() + kPolicyIdAt, user.address() + kResultAt, {}, 0})
            .answer() != 0)
      continue;
    if (user.get<uint32_t>(kResultAt) != 1) continue;
    return scenario.fail(std::string("the policy \"") + policy.name + "\" answers committed and current for " +
                         describe(expected) + " while the board holds " + describe(shown));
  }
}

}  // namespace vlscenario
