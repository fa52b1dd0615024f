// The Ref CPLD composite over the board model's CPLD space: its pass order,
// PllHmc703's two views and the bits a refresh keeps, the ids it takes, and
// the seven accessors a commit snooper swaps.
#include <algorithm>
#include <vector>

#include "FixedLogicFixture.h"
#include "driver/regmaps/board/cpld/tVl9738RefCpld.h"
#include "tests/support/StatusChecks.h"

namespace {

using namespace vltest;
using namespace nVLAPALS100;

constexpr uint32_t kPllWrite = 0x8081015D, kPllRead = 0xC081015D;

class RefCpld : public FixedLogicOnBoard {
 protected:
  std::vector<arm::tRegisterMapEngine*> children() {
    return {&cpld.TemperatureRegMap, &cpld.Lo0RefClkToLoRegMap, &cpld.Lo1RefClkToLoRegMap,
            &cpld.Ad9512RegMap,      &cpld.Hmc703RegMap,        &cpld.AuxInterfaceRegMap};
  }
  void pll(uint32_t hardware) { model().registers().setReadable(0x412C, 4, hardware); }

  nVl9738RefCpld::tVl9738RefCpld cpld{&fixedLogic, 0x4000, 0, 0x4000};
  uint64_t value = 0;
};

TEST_F(RefCpld, FirstFlushWritesTheOwnRegistersThenEveryChildInMemberOrderAndNeverTheRevision) {
  cpld.flushRegMap(false, status);
  std::vector<uint64_t> expected = {0x4120, 0x4124, 0x4128, 0x412C, 0x4138}, rest = passes(children(), true);
  expected.insert(expected.end(), rest.begin(), rest.end());
  EXPECT_EQ(writtenAddresses(), expected);
  EXPECT_EQ(model().refCpld().word(sim::RefCpldSpace::kClkPath), 1u);
  startRecording();
  cpld.flushRegMap(false, status);
  EXPECT_EQ(writes(), 0u);
  // A refresh reads the own registers, then every child's.
  cpld.refreshRegMap(status);
  const std::vector<uint64_t> read = readAddresses(), childReads = passes(children(), false);
  ASSERT_GT(read.size(), childReads.size());
  EXPECT_EQ(std::vector<uint64_t>(read.end() - childReads.size(), read.end()), childReads);
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(RefCpld, PllRefreshKeepsTheCommandBitsTheHardwareCannotReport) {
  pll(0xFFFFFFFF);
  cpld.refresh(kPllWrite, status, 0);
  cpld.get(kPllWrite, value, status, 0);
  EXPECT_EQ(value, 0xFFFFFBF8u);
  cpld.set(kPllRead, 0x407, status, 0);
  pll(0);
  cpld.refreshRegMap(status);
  cpld.get(kPllRead, value, status, 0);
  EXPECT_EQ(value, 0x407u);
  // The model latches both selects, reports path 1's beside it, and no
  // lock from a PLL that was never programmed.
  cpld.write(kPllWrite, 0x10507, false, status, 0);
  cpld.read(kPllRead, value, status, 0);
  EXPECT_EQ(value, 0x30507u);
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(RefCpld, ByIdOperationsReachOnlyTheOwnRegistersAsTheirAccessAllows) {
  model().refCpld().setBoardRevision(0xAB);
  runScript(cpld,
            "s 6481015D 1 !5; s 803DF51D 1 !5; g 804C7A52 !5; r 800A855A !5; R 403DF51D !5; r 0081015D !5; "
            "r 403DF51D =B R@413C:AB; s 082BA453 1FFF; g 802BA453 =FFF0",
            kWindow);
  cpld.flushRegMap(false, status);
  startRecording();
  cpld.flush(0x6481015D, true, status, 0);
  EXPECT_EQ(writtenAddresses(), (std::vector<uint64_t>{0x412C}));

  EXPECT_EQ(formatOf(cpld, kPllRead, 4).masks, (std::vector<uint64_t>{0x100, 0x200, 0x10000, 0x20000}));
  EXPECT_EQ(formatOf(cpld, kPllRead, 3).code, kStatusLookupFailure);
  EXPECT_EQ(formatOf(cpld, 0x804C7A52, 3).code, kStatusNotSupported);
}

TEST_F(RefCpld, SwappedAccessorsRedirectExactlyTheRegistersOfTheirMaps) {
  // A second path to the window, 0x8000 further up: where a write lands
  // tells which accessor carried it.
  vllym::IoAccessorMappedPci elsewhere{0x10000, kBar0BusAddress + kWindow + 0x8000,
                                       board.bar0().mappedAddress() + kWindow + 0x8000, 0};
  const auto swap = [&](vllym::kernel::IIoAccessor* accessor) {
    cpld.setAccessor(accessor);
    cpld.TemperatureRegMap.setAccessor(accessor);
    cpld.Lo0RefClkToLoRegMap.setAccessor(accessor);
    cpld.Lo1RefClkToLoRegMap.setAccessor(accessor);
    cpld.Ad9512RegMap.setAccessor(accessor);
    cpld.Hmc703RegMap.setAccessor(accessor);
    cpld.AuxInterfaceRegMap.setAccessor(accessor);
  };
  const auto above = [&](uint64_t from) {
    const std::vector<uint64_t> written = writtenAddresses();
    return std::count_if(written.begin(), written.end(), [&](uint64_t at) { return at >= from; });
  };
  swap(&elsewhere);
  cpld.flushRegMap(false, status);
  const auto total = static_cast<ptrdiff_t>(writes());
  EXPECT_EQ(above(0xC000), total);
  swap(&fixedLogic);
  cpld.setAccessor(&elsewhere);
  startRecording();
  cpld.flushRegMap(true, status);
  EXPECT_EQ(above(0xC000), 5);
  EXPECT_EQ(static_cast<ptrdiff_t>(writes()), total);
  EXPECT_EQ(status.getCode(), 0);
}

}  // namespace
