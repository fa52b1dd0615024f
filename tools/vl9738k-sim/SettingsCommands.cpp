#include "SettingsCommands.h"

#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "BoardRequests.h"
#include "MapCatalog.h"
#include "StatusNames.h"
#include "driver/board/ioctl/ReservationRequests.h"
#include "driver/board/ioctl/SettingsRequests.h"
#include "sim/host/RequestClient.h"
#include "sim/kernel/FaultSite.h"
#include "sim/kernel/UserMemory.h"

namespace vlcli {
namespace {

using namespace nVL9738K_24_0::requests;

// The resource ids of the settings records and messages.
constexpr uint32_t kRefClockPath0 = 1;
constexpr uint32_t kLo0Frequency = 4;
constexpr uint32_t kLo0Power = 6;
constexpr uint32_t kMessageCommit = 1;
constexpr uint32_t kMessageQueryLockStatus = 12;
// A second descriptor for a session that has its client already.
constexpr int64_t kHasClient = -52031;
constexpr char kClientName[] = "vl9738k-sim";

// The tuning the session asks for: an NCO frequency word with its modulus
// (the DAC's frequency is ftw + delta / modulus over 2^48 of its clock),
// a power as the DAC's amplitude word and the LO board's attenuator, and
// the reference taken from the onboard source.
constexpr uint64_t kFtw = 0x8E38E38E38E3;
constexpr uint64_t kModulus = 9;
constexpr uint64_t kDelta = 5;
constexpr uint16_t kAmplitude = 20000;
constexpr uint8_t kAttenuator = 64;
constexpr uint8_t kOnboardSource = 0;

struct Policy {
  const char* name;
  uint32_t resource;
};
constexpr Policy kPolicies[] = {{"9738 LO0 Frequency", kLo0Frequency},
                                {"9738 LO0 Power", kLo0Power},
                                {"9738 Reference Clock Source", kRefClockPath0}};

template <class Reply>
int64_t statusOf(const Reply& reply) {
  return reply.status != 0 ? reply.status : reply.outStatus();
}

void put(std::vector<uint8_t>& out, uint64_t value, unsigned bytes) {
  for (unsigned i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// The deploy's blob: a word the driver does not read, then {resource id,
// record} for each setting, little-endian, settling times zero.
std::vector<uint8_t> settingsBlob() {
  std::vector<uint8_t> blob(4, 0);
  put(blob, kLo0Frequency, 4);
  blob.insert(blob.end(), 72, 0);  // both settling tables
  put(blob, kFtw, 8);
  put(blob, kModulus, 8);
  put(blob, kDelta, 8);
  put(blob, 0, 2);     // phase offset
  put(blob, 1023, 2);  // full-scale current
  // Reference to LO, the five signal-path fields, the aux flag and the DLL
  // enable; then the DLL and clock overrides and the suggestion flag, zero.
  const uint8_t path[] = {1, 3, 22, 1, 0, 6, 0, 1};
  blob.insert(blob.end(), std::begin(path), std::end(path));
  blob.insert(blob.end(), 30, 0);
  put(blob, kLo0Power, 4);
  put(blob, 0, 8);
  put(blob, kAmplitude, 2);
  blob.push_back(kAttenuator);
  blob.push_back(0);
  put(blob, kRefClockPath0, 4);
  put(blob, 0, 8);
  const uint8_t reference[] = {kOnboardSource, 0, 0x8E, 0x0A, 2, 0, 20, 0, 40, 40, 0, 0, 0, 0, 5, 0, 1, 0};
  blob.insert(blob.end(), std::begin(reference), std::end(reference));
  return blob;
}

std::unique_ptr<sim::UserBlock> userBlock(size_t size, const void* bytes = nullptr) {
  sim::SimScope scope;
  auto block = std::make_unique<sim::UserBlock>(size);
  if (bytes != nullptr && size != 0) std::memcpy(block->data(), bytes, size);
  return block;
}

std::string hex(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
  return text;
}

constexpr char kDacMap[] = "Lo0Ad9162RegMap";
// The frequency word's bytes, lowest first, and the amplitude's, highest
// first.
constexpr const char* kFtwRegisters[] = {"Ftw0", "Ftw1", "Ftw2", "Ftw3", "Ftw4", "Ftw5"};
constexpr const char* kAmplitudeRegisters[] = {"TestDCData1", "TestDCData0"};

}  // namespace

bool SettingsCommands::showDac(const char* when) {
  BoardRequests requests(file_);
  const CatalogMap* map = catalogMapFor(kDacMap);
  const std::string name = requestName(kDacMap);
  int64_t failed = 0;
  auto value = [&](const char* registerName) -> uint64_t {
    const CatalogRegister* found = map == nullptr ? nullptr : findRegister(*map, registerName);
    if (found == nullptr) return 0;
    const Answer answer = requests.read(name, found->id, found->context);
    if (answer.status < 0 && failed == 0) failed = answer.status;
    return answer.value & 0xFF;
  };
  uint64_t ftw = 0, amplitude = 0;
  for (size_t i = 0; i < std::size(kFtwRegisters); ++i) ftw |= value(kFtwRegisters[i]) << (8 * i);
  for (const char* registerName : kAmplitudeRegisters) amplitude = amplitude << 8 | value(registerName);
  out_ << "  " << kDacMap << " " << when << ": ";
  if (failed != 0) {
    out_ << statusText(failed) << "\n";
    return false;
  }
  out_ << "NCO ftw (Ftw5..Ftw0) " << hex(ftw) << ", amplitude (TestDCData1:0) " << amplitude << "\n";
  return true;
}

bool SettingsCommands::ensureClient() {
  if (client_) return true;
  auto name = userBlock(std::strlen(kClientName), kClientName);
  sim::RequestClient client(file_);
  const int64_t set = statusOf(client.call<SetDescriptor>(
      {.descriptorAddress = name->address(), .descriptorLength = std::strlen(kClientName), .status = 0}));
  const auto id = client.call<GetReservationClientID>({});
  out_ << "  reservation client \"" << kClientName << "\": " << statusText(set == kHasClient ? 0 : set) << ", id "
       << id.out.clientId << "\n";
  client_ = set == 0 || set == kHasClient;
  return client_;
}

bool SettingsCommands::findPolicy(const char* name, uint32_t& id) {
  auto text = userBlock(std::strlen(name), name);
  const auto reply = sim::RequestClient(file_).call<FindReservationPolicyID>(
      {text->address(), static_cast<uint32_t>(std::strlen(name)), 0, 0});
  id = reply.out.policyId;
  if (statusOf(reply) != 0) out_ << "  policy \"" << name << "\": " << statusText(statusOf(reply)) << "\n";
  return statusOf(reply) == 0;
}

int64_t SettingsCommands::sendMessage(const uint32_t* ids, uint32_t count, uint32_t type, uint64_t output,
                                      uint32_t outputSize) {
  auto list = userBlock(4 * count, ids);
  return statusOf(
      sim::RequestClient(file_).call<SettingsSendMessage>({list->address(), count, type, 0, 0, output, outputSize, 0}));
}

bool SettingsCommands::tune() {
  if (!ensureClient()) return false;
  const std::vector<uint8_t> blob = settingsBlob();
  auto message = userBlock(blob.size(), blob.data());
  const int64_t deploy = statusOf(
      sim::RequestClient(file_).call<SettingsDeploy>({message->address(), static_cast<uint32_t>(blob.size()), 0}));
  out_ << "  deploy   LO0 frequency ftw " << hex(kFtw) << " + " << kDelta << "/" << kModulus << ", LO0 power amplitude "
       << kAmplitude << " attenuator " << unsigned{kAttenuator} << ", reference path 0 onboard: " << statusText(deploy)
       << "\n";
  if (deploy != 0) return false;
  uint32_t policies[std::size(kPolicies)];
  uint32_t resources[std::size(kPolicies)];
  for (size_t i = 0; i < std::size(kPolicies); ++i) {
    if (!findPolicy(kPolicies[i].name, policies[i])) return false;
    resources[i] = kPolicies[i].resource;
  }
  auto policyList = userBlock(sizeof policies, policies);
  auto results = userBlock(sizeof policies);
  const auto reserved = sim::RequestClient(file_).call<Reserve>(
      {static_cast<uint32_t>(std::size(policies)), policyList->address(), results->address(), {}, 0});
  out_ << "  reserve  policies";
  for (const Policy& policy : kPolicies) out_ << " \"" << policy.name << "\"";
  out_ << ": " << statusText(statusOf(reserved));
  if (statusOf(reserved) != 0) out_ << " (held by client " << reserved.out.errorInfo.conflictingClient << ")";
  out_ << "\n";
  if (statusOf(reserved) != 0) return false;
  const int64_t commit = sendMessage(resources, static_cast<uint32_t>(std::size(resources)), kMessageCommit, 0, 0);
  out_ << "  commit   LO0 frequency, LO0 power, reference path 0: " << statusText(commit) << "\n";
  return commit == 0;
}

bool SettingsCommands::lockQuery() {
  // The lock flags, then the report: a check-failed byte and two words.
  constexpr uint32_t kReplySize = 4 + 1 + 8 + 8;
  auto reply = userBlock(kReplySize);
  const uint32_t path = kRefClockPath0;
  const int64_t status = sendMessage(&path, 1, kMessageQueryLockStatus, reply->address(), kReplySize);
  out_ << "  reference clock lock query: " << statusText(status) << "\n";
  if (status < 0) return false;
  uint64_t first = 0, second = 0;
  std::memcpy(&first, reply->data() + 5, 8);
  std::memcpy(&second, reply->data() + 13, 8);
  out_ << "    lock flags " << hex(reply->get<uint32_t>(0)) << ", check failed " << unsigned{reply->data()[4]}
       << ", error information " << hex(first) << " " << hex(second) << "\n"
       << "    (flags 0: the path is selected and its list-mode check has not failed; 1: not. The query does not\n"
       << "    report the PLL's lock: a commit that waits for it in vain answers 0xBFFA90E2 PLL lock timed out)\n";
  return true;
}

}  // namespace vlcli
