// The CDCE18005 map on the board object's clock-buffer path: every register
// it sends is one 32-bit SPI word that the board model's chip takes; the
// map starts clean, never reads, and its one-bit fields follow their rules.
#include <gtest/gtest.h>

#include <memory>
#include <tuple>
#include <vector>

#include "driver/regmaps/board/tTICDCE18005RegMap.h"
#include "tests/board/BoardOnPciFixture.h"
#include "tests/support/StatusChecks.h"

namespace vltest {
namespace {

using namespace nVLAPALS100;
using nVL9738K_24_0::nKMR4::tTICDCE18005RegMap;

class ClockBufferMap : public BoardOnPci {
 protected:
  sim::Cdce18005& chip() { return pci.board().bridge().clockBuffer(); }
  // The register numbers of the words the chip took since the test began.
  std::vector<uint32_t> sent() {
    std::vector<uint32_t> numbers;
    const auto& shifts = pci.board().bridge().spi().shifts();
    for (size_t i = before; i < shifts.size(); ++i) numbers.push_back(sim::Cdce18005::reverse(shifts[i].word) & 0xF);
    return numbers;
  }

  std::unique_ptr<Board> board = build();
  tTICDCE18005RegMap map{board->getTICDCE18005Accessor(status), 0, 0, 0xFFFFFFFF};
  size_t before = pci.board().bridge().spi().shifts().size();
  uint64_t value = 0;
};

TEST_F(ClockBufferMap, StartsCleanAndSendsOnlyWhatChanged) {
  map.flushRegMap(false, status);
  EXPECT_TRUE(sent().empty());
  map.set(0x1E000003, 1, status, 0);
  map.get(0x80000003, value, status, 0);
  EXPECT_EQ(value, 0x41400003u);
  map.flushRegMap(false, status);
  EXPECT_EQ(sent(), (std::vector<uint32_t>{3}));
  EXPECT_EQ(chip().reg(3), 0x41400003u);

  map.set(0x0800000F, 0x1234567, status, 0);
  map.get(0x8000000F, value, status, 0);
  EXPECT_EQ(value, 0x12345670u);
  map.DividerNControl2.writePhaseAdjust(0xFF, status, false);
  EXPECT_EQ(map.DividerNControl2.getPhaseAdjust(), 0x7F);
  EXPECT_EQ(chip().reg(2), 0x81400002u | 0x7Fu << 10);

  before = pci.board().bridge().spi().shifts().size();
  map.flush(0x14000001, false, status, 0);
  EXPECT_TRUE(sent().empty());
  map.flush(0x14000001, true, status, 0);
  map.reinitialize();
  map.flushRegMap(false, status);
  EXPECT_EQ(sent(), (std::vector<uint32_t>{1})) << "clean after reinitialize";
  map.markDirtyRegMap();
  map.flushRegMap(false, status);
  // Register 15 goes out as it is: its low bits are its value's.
  EXPECT_EQ(sent(), (std::vector<uint32_t>{1, 0, 1, 2, 3, 4, 5, 6, 0}));
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(ClockBufferMap, NothingIsReadUnknownRegistersAreRefusedAndOneBitFieldsFollowTheirRule) {
  value = 9;
  EXPECT_EQ(codeAfter([&](tStatus& s) { map.read(0x80000000, value, s, 0); }), kStatusInvalidParameter);
  EXPECT_EQ(value, 0u);
  EXPECT_EQ(codeAfter([&](tStatus& s) { map.refresh(0x80000000, s, 0); }), kStatusInvalidParameter);
  EXPECT_EQ(codeAfter([&](tStatus& s) { map.get(0x80000007, value, s, 0); }), kStatusInvalidParameter);
  EXPECT_EQ(codeAfter([&](tStatus& s) { map.flush(0x80000010, false, s, 0); }), kStatusInvalidParameter);
  // Bit 10 of register 5 and bit 29 of register 6 take bit 0 of the value;
  // other one-bit fields take any non-zero value, all 64 bits of it.
  for (const auto& [id, input, stored] :
       {std::tuple{0x14000005u, 2ull, 0ull}, std::tuple{0x2E000006u, 2ull, 0ull}, std::tuple{0x34000005u, 2ull, 1ull},
        std::tuple{0x0E000006u, 1ull << 32, 1ull}}) {
    map.set(id, 1, status, 0);
    map.set(id, input, status, 0);
    map.get(id, value, status, 0);
    EXPECT_EQ(value, stored) << std::hex << id;
  }
  EXPECT_TRUE(sent().empty());
  EXPECT_EQ(status.getCode(), 0);
}

}  // namespace
}  // namespace vltest
