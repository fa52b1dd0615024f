#include "BoardRequests.h"

// Until the request client is in place every request answers "not supported".
namespace vlcli {
namespace {
constexpr int64_t kNotYet = -52002;
}
Answer BoardRequests::serialNumber() { return {0, kNotYet}; }
Answer BoardRequests::moduleRevision(uint32_t) { return {0, kNotYet}; }
Answer BoardRequests::firmwareRevisions() { return {0, kNotYet}; }
Answer BoardRequests::driverAttribute(uint32_t, uint32_t) { return {0, kNotYet}; }
int64_t BoardRequests::initializationStatus(uint32_t) { return kNotYet; }
int64_t BoardRequests::selfTest() { return kNotYet; }
TemperatureAnswer BoardRequests::temperature(uint32_t, uint32_t) { return {0, 1, kNotYet}; }
std::vector<std::string> BoardRequests::registrationNames(int64_t& status) {
  status = kNotYet;
  return {};
}
Answer BoardRequests::read(const std::string&, uint32_t, uint32_t) { return {0, kNotYet}; }
Answer BoardRequests::get(const std::string&, uint32_t, uint32_t) { return {0, kNotYet}; }
int64_t BoardRequests::write(const std::string&, uint32_t, uint32_t, uint64_t) { return kNotYet; }
FormatAnswer BoardRequests::format(const std::string&, uint32_t) { return {{}, kNotYet}; }
}  // namespace vlcli
