// The two fixed tables between platform codes and kernel-layer codes. They
// are deliberately not inverses: a platform timeout leaves as -51550, while
// the kernel layer's own timeout (-51400) arrives as a platform timeout.
#include "tStatus.h"

namespace nVLAPALS100 {
namespace {

struct tCodePair {
  int64_t platform;
  int32_t kernel;
};

constexpr tCodePair kOutbound[] = {
    {0, 0},           {-52000, -51352}, {-52001, -51353}, {-52002, -51256}, {-52003, -51150}, {-52005, -51009},
    {-52006, -51101}, {-52007, -51550}, {-52008, -51202}, {-52010, -51104}, {-52013, -51000}, {-52018, -51152},
    {-52019, -51409}, {-52020, -51300}, {-52023, -51405}, {-52024, -51401}, {-52031, -51106},
};

constexpr tCodePair kInbound[] = {
    {0, 0},           {-52000, -51352}, {-52001, -51353}, {-52002, -51256}, {-52003, -51150}, {-52005, -51009},
    {-52006, -51101}, {-52007, -51400}, {-52008, -51202}, {-52010, -51104}, {-52013, -51000}, {-52018, -51152},
    {-52019, -51409}, {-52020, -51300}, {-52023, -51405}, {-52024, -51401}, {-52031, -51106},
};

constexpr int32_t kUnlistedOutbound = -51001;
constexpr int64_t kUnlistedInbound = kStatusPlatformFailure;

}  // namespace

int32_t toZUKStatus(int64_t code) {
  for (const tCodePair& pair : kOutbound) {
    if (pair.platform == code) return pair.kernel;
  }
  return kUnlistedOutbound;
}

int64_t fromZUKStatus(int32_t zukCode) {
  for (const tCodePair& pair : kInbound) {
    if (pair.kernel == zukCode) return pair.platform;
  }
  return kUnlistedInbound;
}

void setStatusFromZUKStatus(int32_t zukCode, tStatus& status, const char* file, uint64_t line) {
  status.setCode(fromZUKStatus(zukCode), VL_COMPONENT, file, line);
}

}  // namespace nVLAPALS100
