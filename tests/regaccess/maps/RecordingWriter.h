// A write-only register path that records what it is sent, for the sample
// map on a register writer.
#ifndef VL9738K_TESTS_REGACCESS_MAPS_RECORDING_WRITER_H
#define VL9738K_TESTS_REGACCESS_MAPS_RECORDING_WRITER_H

#include <stdint.h>

#include <utility>
#include <vector>

#include "driver/platform/status/StatusCodes.h"
#include "driver/platform/status/StatusSite.h"
#include "driver/platform/status/tStatus.h"

namespace vltest {

class RecordingWriter {
 public:
  void writeRegister(uint32_t registerNumber, uint32_t value, nVLAPALS100::tStatus& status) {
    if (status.isFatal()) return;
    if (failing) {
      status.setCode(nVLAPALS100::kStatusTimeout, VL_SITE);
      return;
    }
    sent.emplace_back(registerNumber, value);
  }
  std::vector<std::pair<uint32_t, uint32_t>> sent;
  bool failing = false;
};

}  // namespace vltest

#endif
