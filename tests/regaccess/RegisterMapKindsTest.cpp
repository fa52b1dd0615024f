// The same engine serving maps of other kinds: registers reached by
// register instructions (64-bit, counted by index, some without shadows),
// arrays picked by the element index (the host-memory-buffer block's map)
// and a write-only path. (Composites are the CPLD and host maps' cases.)
#include "RecordingTarget.h"
#include "RegisterMapFixture.h"
#include "driver/regmaps/fpga/tDram2DP.h"
#include "tests/regaccess/maps/tIndexKeyedSampleRegMap.h"
#include "tests/regaccess/maps/tWriterSampleRegMap.h"

namespace {

using namespace vltest;
using arm::FieldType;

using Instruction = RecordingTarget::Instruction;

// --- Instruction-target maps --------------------------------------------------

class IndexKeyedMap : public testing::Test {
 protected:
  RecordingTarget target;
  tStatus status;
  nRegMapSamples::tIndexKeyedSampleRegMap map{&target, 0x40, 0, 0xFFFFFFFF};
};

TEST_F(IndexKeyedMap, SixtyFourBitRegistersGoOutAsOneSixtyFourBitInstruction) {
  map.set(0x00000004, 0x0000123456789ABCull, status, 0);  // Delay, 48 bits
  map.set(0x07000004, 0x1FF, status, 0);                  // Source at bit 56, cut to 8 bits
  map.TriggerControl.setArmed(true, status).writeFire(true, status, false);
  EXPECT_EQ(target.log, (std::vector<Instruction>{{true, 64, 0x44, 0xFF03123456789ABCull}}));
  EXPECT_FALSE(map.TriggerControl.getFire());  // a strobe, gone once written
  map.set(0x03000004, 2, status, 0);           // Armed: one-bit fields take bit 0 in this map
  EXPECT_FALSE(map.TriggerControl.getArmed());

  map.write(0x80000005, 0xFEDCBA9876543210ull, false, status, 0);
  EXPECT_EQ(target.registers[0x45], 0xFEDCBA9876543210ull);
  target.registers[0x45] = 0x0123456789ABCDEFull;
  uint64_t value = 0;
  map.read(0x00000005, value, status, 0);
  EXPECT_EQ(value, 0x0123456789ABCDEFull);
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(IndexKeyedMap, FieldsUpToSixtyFourBitsReportTypeFour) {
  const Format format = formatOf(map, 0x80000004, 4);
  EXPECT_EQ(format.types,
            (std::vector<FieldType>{FieldType::kUpTo64Bits, FieldType::kBit, FieldType::kBit, FieldType::kUpTo8Bits}));
  EXPECT_EQ(format.masks, (std::vector<uint64_t>{0xFFFFFFFFFFFFull, 1ull << 48, 1ull << 49, 0xFF00000000000000ull}));
  const Format whole = formatOf(map, 0x80000005, 1);
  EXPECT_EQ(whole.types, std::vector<FieldType>{FieldType::kUpTo64Bits});
  EXPECT_EQ(whole.masks, std::vector<uint64_t>{~0ull});
}

TEST_F(IndexKeyedMap, RegistersWithoutShadowGoStraightToTheHardware) {
  target.registers[0x41] = 0xFFFFFFFF;
  target.registers[0x42] = 0x12345678;
  uint64_t value = 0;
  map.read(0x40000001, value, status, 0);
  EXPECT_EQ(value, 1u);
  map.read(0xC0000002, value, status, 0);
  EXPECT_EQ(value, 0x12345678u);
  EXPECT_EQ(map.IsSettledReg.readSettled(status), true);
  map.write(0x00000003, 0xAB, true, status, 0);
  map.CounterLoad.writeRegister(0xCD, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(target.log, (std::vector<Instruction>{{false, 32, 0x41, 0},
                                                  {false, 32, 0x42, 0},
                                                  {false, 32, 0x41, 0},
                                                  {true, 32, 0x43, 0xAB},
                                                  {true, 32, 0x43, 0xCD}}));

  // Nothing is held back: flushing succeeds without an access; there is no
  // shadow to get, set or refresh.
  map.flush(0x80000003, true, status, 0);
  map.flushRegMap(true, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(target.log.size(), 5u + 2u);  // the forced flushRegMap writes the shadowed 4 and 5 only
  EXPECT_EQ(codeAfter([&](tStatus& s) { map.get(0xC0000002, value, s, 0); }), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_EQ(codeAfter([&](tStatus& s) { map.set(0x80000003, 1, s, 0); }), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_EQ(codeAfter([&](tStatus& s) { map.refresh(0x80000003, s, 0); }), nVLAPALS100::kStatusInvalidParameter);
}

TEST(IndexKeyedMapWindow, RegistersWithoutShadowOutsideTheWindowReadAllOnes) {
  RecordingTarget target;
  nRegMapSamples::tIndexKeyedSampleRegMap map(&target, 0, 4, 2);  // indices 4 and 5 only
  uint64_t value = 0;
  EXPECT_EQ(codeAfter([&](tStatus& s) { map.read(0x40000001, value, s, 0); }), nVLAPALS100::kStatusNotAccessible);
  EXPECT_EQ(value, 1u);
  EXPECT_EQ(codeAfter([&](tStatus& s) { map.read(0xC0000002, value, s, 0); }), nVLAPALS100::kStatusNotAccessible);
  EXPECT_EQ(value, 0xFFFFFFFFu);
  EXPECT_EQ(codeAfter([&](tStatus& s) { map.write(0x80000003, 1, false, s, 0); }), nVLAPALS100::kStatusNotAccessible);
  EXPECT_EQ(codeAfter([&](tStatus& s) { map.flush(0x80000003, true, s, 0); }), 0);
  EXPECT_EQ(codeAfter([&](tStatus& s) { EXPECT_EQ(map.IsSettledReg.readRegister(s), 0xFFFFFFFFu); }),
            nVLAPALS100::kStatusNotAccessible);
  EXPECT_TRUE(target.log.empty());

  tStatus inside;
  map.write(0x80000004, 7, false, inside, 0);
  EXPECT_EQ(target.log, (std::vector<Instruction>{{true, 64, 0, 7}}));  // base + 4 - windowStart
}

TEST_F(IndexKeyedMap, AFailedInstructionKeepsTheNewShadowDirtyAndTheOldReadValue) {
  map.write(0x80000005, 5, false, status, 0);
  target.failures[0x45] = nVLAPALS100::kStatusTimeout;
  EXPECT_EQ(codeAfter([&](tStatus& s) { map.write(0x80000005, 6, false, s, 0); }), nVLAPALS100::kStatusTimeout);
  EXPECT_TRUE(map.Period.isDirty());
  uint64_t value = 0;
  map.read(0x80000005, value, status, 0);
  EXPECT_EQ(value, 6u);
  target.failures.clear();
  tStatus retry;
  map.flushRegMap(false, retry);
  EXPECT_EQ(target.registers[0x45], 6u);
  EXPECT_FALSE(map.Period.isDirty());
}

// --- Arrays picked by the element index ----------------------------------------

class ArrayMap : public RegisterMapOnBoard {
 protected:
  static constexpr uint32_t kBase = 0x4000;
  nDram2DP::tDram2DP map{&bar0, kBase, 0, 0xFFFFFFFF};
};

// RegionAttributes (0x80000108) and RegionAddressLow (0x80000100) of
// elements 31 and 0, element 32 past the table, and a register of no
// array, for which the index means nothing.
TEST_F(ArrayMap, TheElementIndexPicksTheArrayElement) {
  runScript(map,
            "r 80000108 #31 =42 R@2F8:42; w 80000100 AA #31 W@2F0:AA; w 80000100 BB W@100:BB; r 80000108 #32 !6; "
            "W 80000100 1 #32 !6; f 80000108 #32 !6; f 80000108 #31; f 80000008 #99",
            kBase);
}

// Region1Enable (0x08000014) over a word whose other bits are set, the
// 16-bit register at 0x08, and SizeLog2A (0x44000018, bits 12:8 of Geometry).
TEST_F(ArrayMap, FieldAccessesMoveOnlyTheFieldsBits) {
  board.bar0().data()[kBase + 0x14] = 0xFF;
  runScript(map, "w 08000014 5 W@14:10; w 00000008 12345 W@8:2345; r 44000018 =1D R@18:1D00", kBase);
}

TEST_F(ArrayMap, AControlWordHasAStrobeViewAndAStatusView) {
  EXPECT_EQ(formatOf(map, 0x80000014, 4).masks, (std::vector<uint64_t>{0x1, 0x2, 0x10, 0x20}));
  EXPECT_EQ(formatOf(map, 0xC0000014, 4).masks, (std::vector<uint64_t>{0x4, 0x40}));
  EXPECT_EQ(formatOf(map, 0x80000100, 4).count, 0u);

  // Region1Enabled (0x58000014) reads; the whole word goes out under its
  // second id; a status bit cannot be written, nor Region1Enable read back.
  runScript(map, "r 58000014 =1 R@14:40; w C0000014 21 W@14:21; W 58000014 1 !5; r 08000014 !5", kBase);
}

TEST_F(ArrayMap, WithoutShadowsTheShadowOperationsAndPassesDoNothing) {
  uint64_t value = 9;
  map.get(0xC0000000, value, status, 0);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_EQ(value, 0u);
  tStatus passes;
  map.markDirtyRegMap();
  map.flushRegMap(true, passes);
  map.refreshRegMap(passes);
  EXPECT_EQ(passes.getCode(), 0);
  EXPECT_TRUE(board.bar0().traffic().empty());
}

// --- A write-only path ----------------------------------------------------------

TEST(WriterMap, RegistersGoOutByNumberOnlyWhenChangedAndAreNeverRead) {
  vltest::RecordingWriter writer;
  nRegMapSamples::tWriterSampleRegMap map(&writer, 0, 0, 0xFFFFFFFF);
  tStatus status;
  using Mux = nRegMapSamples::nWriterSampleRegMap::nOutputControlType::nOutMuxSelect::tOutMuxSelect;
  using Type = nRegMapSamples::nWriterSampleRegMap::nOutputControlType::nOutputType::tOutputType;
  map.flushRegMap(false, status);
  EXPECT_TRUE(writer.sent.empty());  // clean after construction
  map.OutputControl1.setOutputType(Type{1}, status).writeOutMuxSelect(Mux::kBypass, status, false);
  map.write(0x80000005, 0x965, false, status, 0);  // unchanged: nothing to send
  map.set(0x14000005, 5, status, 0);               // Hold takes bit 0 of the value
  map.markDirtyRegMap();
  map.flushRegMap(false, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(writer.sent, (std::vector<std::pair<uint32_t, uint32_t>>{
                             {1, 0x41400101}, {5, 0xD65}, {0, 0x81400000}}));  // the flush order
  uint64_t value = 0;
  EXPECT_EQ(codeAfter([&](tStatus& s) { map.read(0x80000000, value, s, 0); }), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_EQ(codeAfter([&](tStatus& s) { map.refresh(0x80000000, s, 0); }), nVLAPALS100::kStatusInvalidParameter);
  writer.failing = true;
  EXPECT_EQ(codeAfter([&](tStatus& s) { map.OutputControl0.writeDivider(0x7F, s, false); }),
            nVLAPALS100::kStatusTimeout);
  EXPECT_TRUE(map.OutputControl0.isDirty());
}

}  // namespace
