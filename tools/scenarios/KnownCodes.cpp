#include "KnownCodes.h"

#include <algorithm>
#include <iterator>

#include "tools/vl9738k-sim/StatusNames.h"

namespace vlscenario {
namespace {

// The board family's and the register-access dispatcher's codes (negative
// 32-bit words), sorted.
constexpr uint32_t kBoardCodes[] = {
    0xBFFA8180, 0xBFFA8181, 0xBFFA8183, 0xBFFA8184, 0xBFFA8185, 0xBFFA8186, 0xBFFA8187, 0xBFFA8189, 0xBFFA818B,
    0xBFFA818C, 0xBFFA818D, 0xBFFA818E, 0xBFFA818F, 0xBFFA8190, 0xBFFA8235, 0xBFFA8236, 0xBFFA8237, 0xBFFA8238,
    0xBFFA8239, 0xBFFA823A, 0xBFFA823B, 0xBFFA823C, 0xBFFA823D, 0xBFFA823F, 0xBFFA8710, 0xBFFA8711, 0xBFFA8712,
    0xBFFA8713, 0xBFFA875F, 0xBFFA8761, 0xBFFA9010, 0xBFFA9020, 0xBFFA9021, 0xBFFA9023, 0xBFFA9024, 0xBFFA9025,
    0xBFFA902C, 0xBFFA902D, 0xBFFA9046, 0xBFFA9053, 0xBFFA90B0, 0xBFFA90E1, 0xBFFA90E2, 0xBFFA916E, 0xBFFA916F,
    0xBFFA9171, 0xBFFA9174, 0xBFFA9176, 0xBFFA9178, 0xBFFA9179, 0xBFFA9196, 0xBFFF0000, 0xBFFF003A, 0xBFFF004E,
    0xBFFF0070, 0xBFFF0078, 0xBFFF007B, 0xBFFF0083,
};

// The platform's, the kernel layer's and the subsystems' negative codes, sorted.
constexpr int32_t kOtherCodes[] = {
    -89137, -89128, -89127, -89124, -63198, -63196, -63193, -63191, -63151, -63150, -63082, -61499,
    -61252, -61217, -61207, -61141, -61072, -61018, -52031, -52029, -52025, -52024, -52023, -52022,
    -52020, -52019, -52018, -52017, -52016, -52013, -52012, -52010, -52009, -52008, -52007, -52006,
    -52005, -52003, -52002, -52001, -52000, -51550, -51409, -51405, -51401, -51400, -51353, -51352,
    -51300, -51256, -51202, -51152, -51150, -51106, -51104, -51101, -51009, -51001, -51000, -50405,
};

// Warnings of the version and settings readers.
constexpr int32_t kWarnings[] = {52012, 240000, 240008, 240022, 240023, 240024, 240026, 240031, 240046};

}  // namespace

bool isKnownCode(int32_t code) {
  if (code == 0 || vlcli::statusName(code) != nullptr) return true;
  if (std::binary_search(std::begin(kBoardCodes), std::end(kBoardCodes), static_cast<uint32_t>(code))) return true;
  if (std::binary_search(std::begin(kOtherCodes), std::end(kOtherCodes), code)) return true;
  // The version readers' codes come out negated as well.
  const int32_t magnitude = code < 0 ? -code : code;
  return std::find(std::begin(kWarnings), std::end(kWarnings), magnitude) != std::end(kWarnings);
}

}  // namespace vlscenario
