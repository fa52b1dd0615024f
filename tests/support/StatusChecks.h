// Checks on status records that many tests share: run one call on a fresh
// record and look at what it left, and compare the code with the site
// that recorded it in one assertion.
#ifndef VL9738K_TESTS_SUPPORT_STATUS_CHECKS_H
#define VL9738K_TESTS_SUPPORT_STATUS_CHECKS_H

#include <cstdint>
#include <ostream>
#include <string>

#include "driver/platform/status/tStatus.h"

namespace vltest {

// The record a call leaves when it starts on a fresh full record.
template <typename tCall>
nVLAPALS100::tStatus statusAfter(tCall&& call) {
  nVLAPALS100::tStatus status(nVLAPALS100::tStatus::kFullSize);
  call(status);
  return status;
}

// The code a call leaves when it starts on a fresh record.
template <typename tCall>
int64_t codeAfter(tCall&& call) {
  return statusAfter(call).getCode();
}

// A recorded failure: its code and the file and line that recorded it.
struct Site {
  int64_t code;
  std::string file;
  uint64_t line;
  bool operator==(const Site&) const = default;
};

inline Site siteOf(const nVLAPALS100::tStatus& status) {
  return Site{status.getCode(), status.getFile(), status.getLine()};
}

inline void PrintTo(const Site& site, std::ostream* out) {
  *out << site.code << " at " << site.file << ":" << site.line;
}

}  // namespace vltest

#endif
