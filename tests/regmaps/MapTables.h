// Reading a generated map's tables the way its datasheet states facts:
// records in order with offsets and widths, the register ids, what each id
// accepts.
#ifndef VL9738K_TESTS_REGMAPS_MAP_TABLES_H
#define VL9738K_TESTS_REGMAPS_MAP_TABLES_H

#include <cstdint>
#include <string>
#include <vector>

#include "driver/regaccess/RegisterMapDescriptor.h"

namespace vltest {

struct RecordFact {
  uint32_t offset;
  unsigned widthBits;
  uint32_t registerId;
  std::string access;  // "R", "W" or "RW", from what the id accepts
  uint64_t reset;
};

inline std::string accessOf(uint8_t accepts) {
  const bool readable = (accepts & arm::kAcceptsRefresh) != 0;
  const bool writable = (accepts & arm::kAcceptsFlush) != 0;
  return std::string(readable ? "R" : "") + (writable ? "W" : "");
}

inline std::vector<RecordFact> recordFacts(const arm::tMapDescriptor& d) {
  std::vector<RecordFact> facts;
  for (uint16_t r = 0; r < d.recordCount; ++r) {
    for (uint16_t v = 0; v < d.viewCount; ++v) {
      if (d.views[v].record != r) continue;
      facts.push_back({d.records[r].offset, d.records[r].width * 8u, d.views[v].id, accessOf(d.views[v].accepts),
                       d.records[r].resetValue});
    }
  }
  return facts;
}

inline std::vector<uint32_t> passOffsets(const arm::tMapDescriptor& d, const uint16_t* steps, uint16_t count) {
  std::vector<uint32_t> offsets;
  for (uint16_t i = 0; i < count; ++i) offsets.push_back(d.records[steps[i]].offset);
  return offsets;
}

}  // namespace vltest

#endif
