// The leaf maps of the CPLDs and the chips behind them, placed in the
// fixed-logic window as the CPLD composites place them: the family's rules
// over every map, then each map's own cases as scripts of calls with the
// answer and the exact bus traffic each call must cause.
#include <algorithm>
#include <memory>
#include <span>
#include <string>

#include "FixedLogicFixture.h"
#include "driver/regmaps/board/cpld/tAd9512RegMap.h"
#include "driver/regmaps/board/cpld/tAuxInterfaceRegMap.h"
#include "driver/regmaps/board/cpld/tBoardCtrlRegMap.h"
#include "driver/regmaps/board/cpld/tCxSwCtrlRegMap.h"
#include "driver/regmaps/board/cpld/tHmc703RegMap.h"
#include "driver/regmaps/board/cpld/tRefClkToLoRegMap.h"
#include "driver/regmaps/board/cpld/tTemperatureRegMap.h"
#include "driver/regmaps/dac/tAd9162RegMap.h"
#include "tests/support/StatusChecks.h"

namespace {

using namespace vltest;
using namespace nVLAPALS100;
using Kind = BusAccess::Kind;
using Map = std::unique_ptr<arm::tRegisterMapEngine>;

template <typename M, typename R>  // R: the map's records, whose flags a test may reach past the map
Map make(vllym::kernel::IIoAccessor* accessor, uint32_t base, uint32_t start, uint32_t size, uint8_t** records) {
  auto map = std::make_unique<M>(accessor, base, start, size);
  *records = reinterpret_cast<uint8_t*>(static_cast<R*>(map.get()));
  return map;
}
#define VL_LEAF(ns, name) make<ns::t##name, ns::n##name##Layout::tRecords>

// The chip registers a whole-map flush of a fresh map writes, in the chips'
// own order (each register one word of the CPLD window, at 4x its address).
// The AD9512 passes its table with UpdateRegs (0x5A) last, so the chip
// takes over the settings written before it.
constexpr uint16_t kAd9512Flush[] = {0x00, 0x34, 0x35, 0x36, 0x3D, 0x3E, 0x3F, 0x40, 0x41, 0x45, 0x4A,
                                     0x4B, 0x4C, 0x4D, 0x4E, 0x4F, 0x50, 0x51, 0x52, 0x53, 0x58, 0x5A};
// The AD9162's 167 read-write and write-only registers, ascending.
constexpr uint16_t kAd9162Flush[] = {
    0x000, 0x001, 0x002, 0x020, 0x024, 0x031, 0x032, 0x033, 0x034, 0x035, 0x036, 0x037, 0x038, 0x039, 0x03A, 0x03F,
    0x040, 0x041, 0x042, 0x058, 0x07F, 0x080, 0x082, 0x083, 0x084, 0x088, 0x089, 0x090, 0x091, 0x092, 0x093, 0x094,
    0x095, 0x096, 0x097, 0x098, 0x099, 0x09A, 0x09B, 0x09D, 0x09E, 0x0A0, 0x0D2, 0x0E8, 0x110, 0x111, 0x113, 0x114,
    0x115, 0x116, 0x117, 0x118, 0x119, 0x11C, 0x11D, 0x124, 0x125, 0x126, 0x127, 0x128, 0x129, 0x12A, 0x12B, 0x12C,
    0x12D, 0x12E, 0x12F, 0x132, 0x133, 0x134, 0x135, 0x14B, 0x14C, 0x14D, 0x14E, 0x14F, 0x150, 0x151, 0x152, 0x1DF,
    0x200, 0x201, 0x203, 0x206, 0x230, 0x250, 0x251, 0x252, 0x253, 0x268, 0x280, 0x281, 0x289, 0x2A7, 0x2A8, 0x2AF,
    0x2BB, 0x2BC, 0x2BD, 0x2BE, 0x2BF, 0x2C0, 0x2C1, 0x2C2, 0x308, 0x309, 0x30A, 0x30B, 0x311, 0x312, 0x315, 0x316,
    0x317, 0x318, 0x319, 0x31E, 0x32C, 0x32D, 0x32E, 0x334, 0x450, 0x451, 0x452, 0x453, 0x455, 0x458, 0x459, 0x45B,
    0x45C, 0x45D, 0x475, 0x476, 0x477, 0x478, 0x47C, 0x47D, 0x480, 0x481, 0x482, 0x483, 0x484, 0x485, 0x486, 0x487,
    0x488, 0x489, 0x48A, 0x48B, 0x48C, 0x48D, 0x48E, 0x48F, 0x491, 0x492, 0x493, 0x494, 0x495, 0x496, 0x497, 0x4B8,
    0x4B9, 0x4BA, 0x4BB, 0x604, 0x606, 0x607, 0x800};
static_assert(std::size(kAd9162Flush) == 167);

struct Leaf {
  const char* label;
  uint32_t base, window;  // in the fixed-logic window: Ref CPLD 0x4000, LO0 0x8000, LO1 0xC000
  unsigned fields, ids;
  Map (*make)(vllym::kernel::IIoAccessor*, uint32_t, uint32_t, uint32_t, uint8_t**);
  std::span<const uint16_t> flush = {};  // the chip's literal order, where it has one
};
void PrintTo(const Leaf& leaf, std::ostream* out) { *out << leaf.label; }

const Leaf kLeaves[] = {
    {"Ad9512", 0x4200, 0x200, 68, 90, VL_LEAF(nAd9512RegMap, Ad9512RegMap), kAd9512Flush},
    {"Hmc703", 0x4400, 0x100, 90, 110, VL_LEAF(nHmc703RegMap, Hmc703RegMap)},
    {"Temperature", 0x4100, 0x20, 2, 4, VL_LEAF(nShared::nTemperatureRegMap, TemperatureRegMap)},
    {"AuxInterface", 0x4000, 0x100, 19, 27, VL_LEAF(nShared::nAuxInterfaceRegMap, AuxInterfaceRegMap)},
    {"Lo0RefClkToLo", 0x4160, 0x10, 1, 2, VL_LEAF(nRefClkToLoRegMap, RefClkToLoRegMap)},
    {"Lo1RefClkToLo", 0x4170, 0x10, 1, 2, VL_LEAF(nRefClkToLoRegMap, RefClkToLoRegMap)},
    {"BoardCtrl", 0x8120, 0x20, 8, 12, VL_LEAF(nShared::nBoardCtrlRegMap, BoardCtrlRegMap)},
    {"CxSwCtrl", 0xC140, 0x20, 1, 2, VL_LEAF(nCxSwCtrlRegMap, CxSwCtrlRegMap)},
    {"Ad9162", 0x8200, 0x2004, 525, 797, VL_LEAF(nShared::nAd9162RegMap, Ad9162RegMap), kAd9162Flush},
};

class LeafMap : public FixedLogicOnBoard, public testing::WithParamInterface<Leaf> {
 protected:
  Map build(uint32_t start, uint32_t size) {
    return GetParam().make(&fixedLogic, GetParam().base + start, start, size, &records);
  }
  std::vector<uint64_t> addresses(const uint16_t* steps, uint16_t count, uint32_t from = 0) {
    std::vector<uint64_t> found;
    for (uint16_t i = 0; i < count; ++i) {
      if (d.records[steps[i]].offset >= from) found.push_back(GetParam().base + d.records[steps[i]].offset);
    }
    return found;
  }
  uint8_t* records = nullptr;
  Map map = build(0, GetParam().window);
  const arm::tMapDescriptor& d = map->getDescriptor();
  uint64_t value = 0, again = 0;
};

TEST_P(LeafMap, PassesWriteOnlyDirtyRegistersOnceEachAndFlushesNeverRead) {
  EXPECT_EQ(d.fieldCount, GetParam().fields);
  EXPECT_EQ(
      std::count_if(d.items, d.items + d.itemCount, [](const arm::tItemInfo& item) { return item.id != arm::kNoItem; }),
      GetParam().ids);
  map->flushRegMap(false, status);
  std::vector<uint64_t> order = addresses(d.flushOrder, d.flushStepCount);
  if (!GetParam().flush.empty()) order.clear();
  for (uint16_t chipAddress : GetParam().flush) order.push_back(GetParam().base + 4u * chipAddress);
  EXPECT_EQ(writtenAddresses(), order);
  EXPECT_TRUE(readAddresses().empty());
  startRecording();
  for (const arm::tViewInfo& view : std::span(d.views, d.viewCount)) {
    map->get(view.id, value, status, 0);
    if (view.accepts & arm::kAcceptsSet) map->set(view.id, value, status, 0);  // unchanged: stays clean
  }
  map->flushRegMap(false, status);
  map->refreshRegMap(status);
  EXPECT_EQ(writes(), 0u);
  EXPECT_EQ(readAddresses(), addresses(d.refreshOrder, d.refreshStepCount));  // none in all-write-only maps
  EXPECT_EQ(status.getCode(), 0);
}

TEST_P(LeafMap, RegisterIdsIgnoreBits24To29AndForcedWritesGoOutOnce) {
  map->flushRegMap(true, status);
  for (const arm::tViewInfo& view : std::span(d.views, d.viewCount)) {
    SCOPED_TRACE(testing::Message() << std::hex << view.id);
    map->get(view.id | 0x3F000000u, again, status, 0);
    map->get(view.id, value, status, 0);
    EXPECT_EQ(again, value);
    // No field of these maps starts at bit 31.
    const uint32_t stray = arm::ids::fieldId(view.id, 31, (view.accepts & arm::kAcceptsSet) == 0);
    EXPECT_EQ(codeAfter([&](tStatus& s) { map->get(stray, again, s, 0); }), kStatusInvalidParameter);
    EXPECT_EQ(formatOf(*map, view.id, 0).code, kStatusLookupFailure);
    if ((view.accepts & arm::kAcceptsWrite) == 0) continue;
    startRecording();
    map->write(view.id, value, false, status, 0);
    EXPECT_EQ(writes(), 0u);
    map->write(view.id, value, true, status, 0);
    EXPECT_EQ(writtenAddresses(), (std::vector<uint64_t>{GetParam().base + d.records[view.record].offset}));
  }
  EXPECT_EQ(status.getCode(), 0);
}

TEST_P(LeafMap, OutsideTheWindowFlushesAndRefreshesFailWhileShadowsStayUsable) {
  map = build(0, 0);
  for (const arm::tViewInfo& view : std::span(d.views, d.viewCount)) {
    const bool flushable = view.accepts & arm::kAcceptsFlush, readable = view.accepts & arm::kAcceptsRefresh;
    EXPECT_EQ(codeAfter([&](tStatus& s) { map->flush(view.id, false, s, 0); }),
              flushable ? kStatusNotAccessible : kStatusInvalidParameter);
    EXPECT_EQ(codeAfter([&](tStatus& s) { map->refresh(view.id, s, 0); }),
              readable ? kStatusNotAccessible : kStatusInvalidParameter);
    if (view.accepts & arm::kAcceptsSet) map->set(view.id, 0x5A, status, 0);
    map->get(view.id, value, status, 0);
    EXPECT_EQ(value, view.accepts & arm::kAcceptsSet ? 0x5Au : d.records[view.record].resetValue);
    auto& record = *reinterpret_cast<arm::tShadowedRecord<uint32_t>*>(records + d.records[view.record].recordOffset);
    record.dirty = 0;  // no flush can make it clean; a clean register needs no access
    if (!flushable) continue;
    EXPECT_EQ(codeAfter([&](tStatus& s) { map->flush(view.id, false, s, 0); }), 0);
    EXPECT_EQ(codeAfter([&](tStatus& s) { map->flush(view.id, true, s, 0); }), kStatusNotAccessible);
  }
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_TRUE(board.bar0().traffic().empty());

  // The pass's first register lies just below the window's start; a window
  // reaching round the top of the address space must not take it in.
  const uint32_t first = d.records[d.flushOrder[0]].offset + 2;
  map = build(first, 0xFFFFFFFF);
  map->flushRegMap(true, status);
  EXPECT_EQ(status.getCode(), kStatusNotAccessible);
  EXPECT_EQ(writtenAddresses(), addresses(d.flushOrder, d.flushStepCount, first));
}

INSTANTIATE_TEST_SUITE_P(CpldLeafMaps, LeafMap, testing::ValuesIn(kLeaves),
                         [](const auto& info) { return std::string(info.param.label); });

// Each map's own cases as scripts (see runScript), offsets in the
// fixed-logic window.
struct Script {
  const char* label;
  size_t leaf;
  uint32_t window;
  const char* calls;
};
void PrintTo(const Script& script, std::ostream* out) { *out << script.label; }

const Script kScripts[] = {
    {"Ad9512OneBitFieldTakesAnyNonZeroValueAndTheUpdateGoesLast", 0, 0x200,
     "s 185DC4DC 5; g 805DC4DC =40; g 185DC4DC =1; s 80BDAB51 1; P W@432C:40 W@4368:1"},
    {"Ad9512ShortWindowWritesWhatItReachesAndKeepsTheRest", 0, 0x100,
     "s 80BDAB51 1; Q W@4200:10 W@42D0:1 W@42D4:0 W@42D8:0 W@42F4:8 W@42F8:8 W@42FC:8 !6; g 80BDAB51 =1"},
    {"Hmc703ResetsFirstAndItsChipIdIsKnownWithoutBusAccess", 1, 0x100,
     "i; g 60F76439 =97370; g 80F76439 =12E6E0; P W@4400:0 W@4404:4 W@4408:2 W@440C:32 W@4410:0 W@4414:CA8642 "
     "W@4418:3E3E W@441C:90CA W@4420:2DFFE W@4424:8064C8 W@4428:0 W@442C:3C0C2 W@4430:32 W@4434:0 W@4438:0 "
     "W@443C:2; P; s 80F76439 1 !5; R 80F76439 R@4400:12E6E0"},
    {"Hmc703ResetStrobeGoesOutAndLeavesTheShadowClearAndClean", 1, 0x100,
     "w 18097FA9 1 W@4400:40; g 80097FA9 =0; f 80097FA9; w 18097FA9 1 W@4400:40; r 18097FA9 !5"},
    {"AuxSetupStrobesClearWhileOtherBitsStay", 3, 0x100,
     "w 80C07279 1113 W@4010:1113; g 80C07279 =1110; w 801AA956 11 W@4014:11; g 801AA956 =10; r 80C07279 !5"},
    {"AuxStatusRefreshLeavesTheSetupAtItsAddress", 3, 0x100,
     "s 80C07279 1110; R 80C7410C R@4010:101; g 80C07279 =1110; g 44C7410C =1; g 80C86962; g 8085DBC0 !5"},
    {"TemperatureReadsTheCodeFromBits2To15", 2, 0x20, "r 5030A622 =48D R@4104:FFFF1234; r 8009BE21 !5"},
    {"RefClkToLoFieldKeepsTheRestOfTheWord", 4, 0x10,
     "s 0009DD65 6; g 8009DD65 =2; s 8009DD65 FFFFFFFF; W 0009DD65 0 W@4160:FFFFFFFC; r 8009DD65 !5"},
    {"BoardCtrlFieldsAreMaskedAndTheRevisionIsReadOnly", 6, 0x20,
     "s 00E95C1E 80; g 80E95C1E =0; s 06864146 7F; g 80864146 =3F000138; s 803DF51D 1 !5; "
     "r 403DF51D =B R@812C:AB; R 403DF51D !5"},
    {"CxSwModeIsMaskedAndWrittenOnlyWhenChanged", 7, 0x20,
     "s 00F0FB2F 25; g 80F0FB2F =5; w 00F0FB2F 5 W@C140:5; w 00F0FB2F 5; r 80F0FB2F !5"},
    // The DAC's reads reach the board model's chip, which holds what the
    // script's first forced pass wrote and reports its identity.
    {"Ad9162FlagFieldReadsAnyOfItsBitsAndStoresOne", 8, 0x2004,
     "s 00C30099 6; g 80C30099 =81; g 00C30099 =1; s 00C30099 0; g 80C30099 =80; r 00C30099 =1 R@8B40:88; "
     "s 0849B5DB 1F; g 8049B5DB =F8"},
    {"Ad9162NarrowFieldsAndRegisterIdsCutTheValue", 8, 0x2004,
     "s 3840C9F1 2; g 8040C9F1 =80; s 00C3952B 9; g 80C3952B =1; s 081F8E01 FF; g 801F8E01 =70; "
     "s BF095BB8 1000000AB; g 80095BB8 =AB"},
    {"Ad9162ReadOnlyItemsAreReadButNeverWritten", 8, 0x2004,
     "g 4098E674 =0; s 4098E674 1 !5; w 8098E674 1 !5; f 8098E674 !5; R 4098E674 !5; r 0098E674 !5; "
     "s 00232248 1 !5; r 4098E674 =4 R@820C:4; R 80A5BF8F R@8210:62; g 40A5BF8F =62"},
    {"Ad9162WriteOnlyRegistersAreSetAndWrittenButNeverRead", 8, 0x2004,
     "s 80D01F31 5A; g 00D01F31 =5A; r 80D01F31 !5; R 00D01F31 !5; w 00D01F31 5A W@9A18:5A; s 802A73F2 5; "
     "f 002A73F2 W@944C:5"},
    {"Ad9162ReinitializeRestoresTheResetValues", 8, 0x2004,
     "s 80095BB8 0; s 806F181C 0; i; g 80095BB8 =C0; g 806F181C =81; g 80C30099 =88; g 80135713 =FF"},
    {"Ad9162HopControlLiesOutsideEightKiB", 8, 0x2000,
     "s 801136B2 C0; W 181136B2 3 !6; g 801136B2 =C0; R 801136B2 !6; w 8040C9F1 1 W@8200:1"},
};

class LeafMapScript : public FixedLogicOnBoard, public testing::WithParamInterface<Script> {};

TEST_P(LeafMapScript, EachCallAnswersAndCausesExactlyItsTraffic) {
  const Leaf& leaf = kLeaves[GetParam().leaf];
  uint8_t* records = nullptr;
  Map map = leaf.make(&fixedLogic, leaf.base, 0, GetParam().window, &records);
  map->flushRegMap(true, status);  // fails where the window is short
  runScript(*map, GetParam().calls, kWindow);
}

INSTANTIATE_TEST_SUITE_P(CpldLeafMaps, LeafMapScript, testing::ValuesIn(kScripts),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(FixedLogicOnBoard, DistributorDividerWriterKeepsTheOtherHalfAndWritesOnce) {
  nAd9512RegMap::tAd9512RegMap distributor{&fixedLogic, 0x4200, 0, 0x200};
  distributor.flushRegMap(true, status);
  startRecording();
  distributor.DividerOut2.setDividerHigh(5, status).writeDividerLow(0x12, status, false);
  distributor.DividerOut2.writeDividerLow(2, status, false);
  EXPECT_EQ(board.bar0().traffic(), (std::vector<BusAccess>{{Kind::Write, at(0x4338), 4, 0x25}}));
  EXPECT_EQ(status.getCode(), 0);
}

}  // namespace
