// The requests the front end sends on the main interface, each one typed
// call of the request client; the map name travels in user memory as user
// mode sends it. Every answer carries the status the driver reported: the
// operation status, or the call's own failure when the request never
// reached its handler.
#ifndef VL9738K_TOOLS_CLI_BOARDREQUESTS_H
#define VL9738K_TOOLS_CLI_BOARDREQUESTS_H

#include <cstdint>
#include <string>
#include <vector>

#include "sim/host/DeviceFile.h"

namespace vlcli {

struct Answer {
  uint64_t value = 0;
  int64_t status = 0;
};

struct TemperatureAnswer {
  int32_t sum = 0;
  uint32_t divisor = 1;
  int64_t status = 0;
};

struct FormatAnswer {
  std::vector<uint64_t> masks;
  int64_t status = 0;
};

class BoardRequests {
 public:
  explicit BoardRequests(sim::DeviceFile& file) : file_(file) {}

  Answer serialNumber();
  Answer moduleRevision(uint32_t index);
  // Both words in `value`: the first in bits 0-31, the second above.
  Answer firmwareRevisions();
  Answer driverAttribute(uint32_t attribute, uint32_t selector);
  int64_t selfTest();
  TemperatureAnswer temperature(uint32_t sensor, uint32_t samples);

  // The registered names, in registration order.
  std::vector<std::string> registrationNames(int64_t& status);
  Answer read(const std::string& map, uint32_t id, uint32_t context);
  Answer get(const std::string& map, uint32_t id, uint32_t context);
  int64_t write(const std::string& map, uint32_t id, uint32_t context, uint64_t value);
  FormatAnswer format(const std::string& map, uint32_t id);

 private:
  sim::DeviceFile& file_;
};

}  // namespace vlcli

#endif
