// The Ref CPLD composite over the board model's CPLD space: the order of its
// whole-map passes, the two views of PllHmc703 and the bits a refresh keeps,
// which ids its by-id operations take, and the seven accessors a commit
// snooper swaps.
#include <vector>

#include "FixedLogicFixture.h"
#include "driver/regmaps/board/cpld/tVl9738RefCpld.h"
#include "tests/support/StatusChecks.h"

namespace {

using namespace vltest;
using namespace nVLAPALS100;
using sim::RefCpldSpace;

constexpr uint32_t kPllWrite = 0x8081015D, kPllRead = 0xC081015D;

class RefCpld : public FixedLogicOnBoard {
 protected:
  std::vector<arm::tRegisterMapEngine*> children() {
    return {&cpld.TemperatureRegMap, &cpld.Lo0RefClkToLoRegMap, &cpld.Lo1RefClkToLoRegMap,
            &cpld.Ad9512RegMap,      &cpld.Hmc703RegMap,        &cpld.AuxInterfaceRegMap};
  }
  // The words each child's own pass writes, in its order.
  std::vector<uint64_t> childWrites(arm::tRegisterMapEngine& child) {
    const arm::tMapDescriptor& d = child.getDescriptor();
    std::vector<uint64_t> found;
    for (uint16_t i = 0; i < d.flushStepCount; ++i)
      found.push_back(child.getBase() + d.records[d.flushOrder[i]].offset);
    return found;
  }
  void hardware(uint64_t offset, uint32_t value) { model().registers().setReadable(0x4000 + offset, 4, value); }

  nVl9738RefCpld::tVl9738RefCpld cpld{&fixedLogic, 0x4000, 0, 0x4000};
  uint64_t value = 0;
  uint32_t count = 0;
  arm::FieldType types[8];
  uint64_t masks[8];
};

TEST_F(RefCpld, FirstFlushWritesTheOwnRegistersThenEveryChildInMemberOrderAndNeverTheRevision) {
  cpld.flushRegMap(false, status);
  std::vector<uint64_t> expected = {0x4120, 0x4124, 0x4128, 0x412C, 0x4138};
  for (arm::tRegisterMapEngine* child : children()) {
    const std::vector<uint64_t> words = childWrites(*child);
    expected.insert(expected.end(), words.begin(), words.end());
  }
  EXPECT_EQ(writtenAddresses(), expected);
  EXPECT_EQ(model().refCpld().word(RefCpldSpace::kClkPath), 1u);
  EXPECT_EQ(status.getCode(), 0);
  clearTraffic();
  cpld.flushRegMap(false, status);
  EXPECT_EQ(writes(), 0u);

  // Refresh: PllHmc703, the revision, then the readable words of the children.
  cpld.refreshRegMap(status);
  const std::vector<uint64_t> reads = readAddresses();
  ASSERT_GE(reads.size(), 3u);
  EXPECT_EQ((std::vector<uint64_t>(reads.begin(), reads.begin() + 3)), (std::vector<uint64_t>{0x412C, 0x413C, 0x4104}));
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(RefCpld, PllRefreshKeepsTheCommandBitsTheHardwareCannotReport) {
  hardware(RefCpldSpace::kPllHmc703, 0xFFFFFFFF);
  cpld.refresh(kPllWrite, status, 0);
  cpld.get(kPllWrite, value, status, 0);
  EXPECT_EQ(value, 0xFFFFFBF8u);
  cpld.set(kPllRead, 0x407, status, 0);
  hardware(RefCpldSpace::kPllHmc703, 0);
  cpld.refreshRegMap(status);
  cpld.get(kPllRead, value, status, 0);
  EXPECT_EQ(value, 0x407u);

  // The model reports each enabled loop beside its enable.
  cpld.write(kPllWrite, 0x10507, false, status, 0);
  EXPECT_EQ(model().refCpld().word(RefCpldSpace::kPllHmc703), 0x10507u);
  cpld.read(kPllRead, value, status, 0);
  EXPECT_EQ(value, 0x30707u);
  cpld.read(0x6281015D, value, status, 0);
  EXPECT_EQ(value, 1u);
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(RefCpld, ByIdOperationsReachOnlyTheOwnRegistersAsTheirAccessAllows) {
  EXPECT_EQ(codeAfter([&](tStatus& s) { cpld.set(0x6481015D, 1, s, 0); }), kStatusInvalidParameter);
  cpld.set(0x0481015D, 5, status, 0);
  cpld.set(0x082BA453, 0x1FFF, status, 0);
  cpld.get(kPllWrite, value, status, 0);
  EXPECT_EQ(value, 0x100u);
  cpld.get(0x802BA453, value, status, 0);
  EXPECT_EQ(value, 0xFFF0u);
  cpld.flushRegMap(false, status);
  clearTraffic();
  cpld.flush(0x6481015D, true, status, 0);
  EXPECT_EQ(writtenAddresses(), (std::vector<uint64_t>{0x412C}));

  value = 7;
  EXPECT_EQ(codeAfter([&](tStatus& s) { cpld.read(0x0081015D, value, s, 0); }), kStatusInvalidParameter);
  EXPECT_EQ(value, 0u);
  EXPECT_EQ(codeAfter([&](tStatus& s) { cpld.read(0x800A855A, value, s, 0); }), kStatusInvalidParameter);
  EXPECT_EQ(codeAfter([&](tStatus& s) { cpld.refresh(0x403DF51D, s, 0); }), kStatusInvalidParameter);
  model().refCpld().setBoardRevision(0xAB);
  cpld.read(0x403DF51D, value, status, 0);
  EXPECT_EQ(value, 0xBu);
  EXPECT_EQ(codeAfter([&](tStatus& s) { cpld.set(0x803DF51D, 1, s, 0); }), kStatusInvalidParameter);
  EXPECT_EQ(codeAfter([&](tStatus& s) { cpld.get(0x804C7A52, value, s, 0); }), kStatusInvalidParameter);
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(RefCpld, EachPllViewHasItsOwnFormat) {
  count = 4;
  cpld.getRegisterFormat(kPllRead, count, types, masks, status);
  EXPECT_EQ(std::vector<uint64_t>(masks, masks + count), (std::vector<uint64_t>{0x100, 0x200, 0x10000, 0x20000}));
  count = 6;
  cpld.getRegisterFormat(0x1481015D, count, types, masks, status);
  EXPECT_EQ(std::vector<uint64_t>(masks, masks + count), (std::vector<uint64_t>{0x1, 0x2, 0x4, 0x100, 0x400, 0x10000}));
  EXPECT_EQ(status.getCode(), 0);
  count = 3;
  EXPECT_EQ(codeAfter([&](tStatus& s) { cpld.getRegisterFormat(kPllRead, count, types, masks, s); }),
            kStatusLookupFailure);
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(codeAfter([&](tStatus& s) { cpld.getRegisterFormat(0x804C7A52, count, types, masks, s); }),
            kStatusNotSupported);
  EXPECT_EQ(count, 0u);
}

TEST_F(RefCpld, SwappedAccessorsRedirectExactlyTheRegistersOfTheirMaps) {
  // A second path to the same window, 0x8000 further up: where a write
  // lands tells which accessor carried it.
  vllym::IoAccessorMappedPci elsewhere{0x10000, kBar0BusAddress + kWindow + 0x8000,
                                       board.bar0().mappedAddress() + kWindow + 0x8000, 0};
  const auto swap = [&](vllym::kernel::IIoAccessor* accessor, bool all) {
    cpld.setAccessor(accessor);
    if (!all) return;
    cpld.TemperatureRegMap.setAccessor(accessor);
    cpld.Lo0RefClkToLoRegMap.setAccessor(accessor);
    cpld.Lo1RefClkToLoRegMap.setAccessor(accessor);
    cpld.Ad9512RegMap.setAccessor(accessor);
    cpld.Hmc703RegMap.setAccessor(accessor);
    cpld.AuxInterfaceRegMap.setAccessor(accessor);
  };
  const auto landed = [&](uint64_t from, uint64_t to) {
    size_t n = 0;
    for (uint64_t offset : writtenAddresses()) n += offset >= from && offset < to;
    return n;
  };
  swap(&elsewhere, true);
  cpld.flushRegMap(false, status);
  const size_t total = writes();
  EXPECT_EQ(landed(0xC000, 0x10000), total);

  swap(&fixedLogic, true);
  swap(&elsewhere, false);
  clearTraffic();
  cpld.flushRegMap(true, status);
  EXPECT_EQ(landed(0xC000, 0x10000), 5u);
  EXPECT_EQ(landed(0x4000, 0x8000), total - 5);
  EXPECT_EQ(status.getCode(), 0);
}

}  // namespace
