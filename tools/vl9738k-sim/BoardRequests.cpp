#include "BoardRequests.h"

#include <cstring>
#include <memory>

#include "driver/board/ioctl/ArmRequests.h"
#include "driver/board/ioctl/PlatformRequests.h"
#include "sim/host/RequestClient.h"
#include "sim/kernel/FaultSite.h"

namespace vlcli {
namespace {

using namespace nVL9738K_24_0::requests;

// What the driver answered: the call's own failure (framing) first, then
// the operation status.
template <class Reply>
int64_t statusOf(const Reply& reply) {
  return reply.status != 0 ? reply.status : reply.outStatus();
}

// Bytes in the process's memory, as user mode hands the driver a name or
// a buffer.
std::unique_ptr<sim::UserBlock> userBlock(size_t size, const void* bytes = nullptr) {
  sim::SimScope scope;
  auto block = std::make_unique<sim::UserBlock>(size);
  if (bytes != nullptr && size != 0) std::memcpy(block->data(), bytes, size);
  return block;
}

}  // namespace

Answer BoardRequests::serialNumber() {
  const auto reply = sim::RequestClient(file_).call<GetSerialNumber>({});
  return {reply.out.serialNumber, statusOf(reply)};
}

Answer BoardRequests::moduleRevision(uint32_t index) {
  const auto reply = sim::RequestClient(file_).call<GetModuleRev>({.index = index, .status = 0});
  return {reply.out.revision, statusOf(reply)};
}

Answer BoardRequests::firmwareRevisions() {
  const auto reply = sim::RequestClient(file_).call<GetFirmwareRev>({});
  return {reply.out.current | uint64_t{reply.out.oldest} << 32, statusOf(reply)};
}

Answer BoardRequests::driverAttribute(uint32_t attribute, uint32_t selector) {
  const auto reply = sim::RequestClient(file_).call<GetDriverAttributeU32>(
      {.attribute = attribute, .selector = selector, .status = 0});
  return {reply.out.value, statusOf(reply)};
}

int64_t BoardRequests::selfTest() { return statusOf(sim::RequestClient(file_).call<SelfTest>({})); }

TemperatureAnswer BoardRequests::temperature(uint32_t sensor, uint32_t samples) {
  const auto reply =
      sim::RequestClient(file_).call<GetTemperature>({.sensor = sensor, .sampleCount = samples, .status = 0});
  return {reply.out.sum, reply.out.divisor, statusOf(reply)};
}

std::vector<std::string> BoardRequests::registrationNames(int64_t& status) {
  sim::RequestClient client(file_);
  const auto size = client.call<ArmGetSizeOfRegistrationList>({});
  status = statusOf(size);
  if (status < 0 || size.out.size <= 1) return {};
  // The list comes without its terminator: the size counts one.
  const uint64_t length = size.out.size - 1;
  auto buffer = userBlock(length);
  status = statusOf(client.call<ArmGetRegistrationList>({.bufferAddress = buffer->address(), .status = 0}));
  std::vector<std::string> names;
  if (status < 0) return names;
  const std::string list(reinterpret_cast<const char*>(buffer->data()), length);
  for (size_t start = 0;;) {
    const size_t tab = list.find('\t', start);
    names.push_back(list.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  return names;
}

Answer BoardRequests::read(const std::string& map, uint32_t id, uint32_t context) {
  auto name = userBlock(map.size(), map.data());
  const auto reply = sim::RequestClient(file_).call<ArmReadEx>(
      {.nameAddress = name->address(), .nameLength = map.size(), .id = id, .context = context, .status = 0});
  return {reply.out.value, statusOf(reply)};
}

Answer BoardRequests::get(const std::string& map, uint32_t id, uint32_t context) {
  auto name = userBlock(map.size(), map.data());
  const auto reply = sim::RequestClient(file_).call<ArmGetEx>(
      {.nameAddress = name->address(), .nameLength = map.size(), .id = id, .context = context, .status = 0});
  return {reply.out.value, statusOf(reply)};
}

int64_t BoardRequests::write(const std::string& map, uint32_t id, uint32_t context, uint64_t value) {
  auto name = userBlock(map.size(), map.data());
  return statusOf(sim::RequestClient(file_).call<ArmWriteEx>({.nameAddress = name->address(),
                                                              .nameLength = map.size(),
                                                              .id = id,
                                                              .context = context,
                                                              .value = value,
                                                              .force = 0,
                                                              .status = 0}));
}

FormatAnswer BoardRequests::format(const std::string& map, uint32_t id) {
  constexpr uint32_t kCapacity = 64;
  auto name = userBlock(map.size(), map.data());
  auto types = userBlock(kCapacity);
  auto masks = userBlock(kCapacity * 8);
  const auto reply = sim::RequestClient(file_).call<ArmGetRegisterFormat>({.nameAddress = name->address(),
                                                                           .nameLength = map.size(),
                                                                           .id = id,
                                                                           .count = kCapacity,
                                                                           .fieldTypesAddress = types->address(),
                                                                           .masksAddress = masks->address(),
                                                                           .status = 0});
  FormatAnswer answer;
  answer.status = statusOf(reply);
  for (uint32_t i = 0; answer.status >= 0 && i < reply.out.count && i < kCapacity; ++i) {
    answer.masks.push_back(masks->get<uint64_t>(8 * i));
  }
  return answer;
}

}  // namespace vlcli
