#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "driver/rf/settings/FieldBytes.h"
#include "driver/rf/wire/SettingsBlob.h"
#include "driver/rf/wire/SettingsWire.h"
#include "sim/kernel/Memory.h"
#include "tests/support/StatusChecks.h"

namespace {

using namespace vl9738settings;
using nVLAPALS100::tStatus;
using Bytes = std::vector<uint8_t>;

constexpr int64_t kExhausted = 52012;

Bytes toBytes(const nVLAPAL000::tVector<uint8_t>& vector) {
  return Bytes(vector.data(), vector.data() + vector.size());
}

// Reads from either source over the same bytes.
struct Source {
  explicit Source(const Bytes& bytes, bool throughArray, bool swap)
      : array{bytes.data(), bytes.size(), 0},
        reader(throughArray ? tDataReader(array, swap) : tDataReader(bytes.data(), bytes.size(), swap)) {}
  tArrayReader array;
  tDataReader reader;
};

FrequencySettings sampleFrequency() {
  FrequencySettings s = frequencyPreset(0);
  s.settlingTimes0 = SettlingTimes(1, 2, 3, 4, 5, 6, 7, 8, 0xA1B2C3D4);
  s.settlingTimes1.time[4] = 0x01020304;
  s.phaseOffset = 0x1234, s.dllFine = 0x5A, s.suggest = 1, s.dllCtrl = 0xEE;
  return s;
}

// Written in either byte order, read back from either source.
template <typename tRecord>
void expectRoundTrip(const tRecord& record, void (*write)(const tRecord&, tDataWriter&, tStatus&),
                     void (*read)(tRecord&, tDataReader&, tStatus&)) {
  for (const bool swap : {false, true}) {
    for (const bool throughArray : {false, true}) {
      SCOPED_TRACE(testing::Message() << (swap ? "swapped" : "in order") << (throughArray ? ", array" : ""));
      tStatus status;
      nVLAPAL000::tVector<uint8_t> wire;
      tDataWriter writer(wire, swap);
      write(record, writer, status);
      const Bytes bytes = toBytes(wire);
      ASSERT_EQ(bytes.size(), FieldBytes<tRecord>::kSize);
      const FieldBytes<tRecord> fields(record);
      if (!swap) {
        EXPECT_EQ(bytes, Bytes(fields.data(), fields.data() + bytes.size()));
      }
      Source source(bytes, throughArray, swap);
      tRecord back;
      read(back, source.reader, status);
      EXPECT_EQ(std::tuple(back, source.reader.remaining(), status.getCode()), std::tuple(record, 0u, 0));
    }
  }
}

TEST(SettingsWire, EveryRecordComesBackByteExact) {
  expectRoundTrip(sampleFrequency(), writeFrequencySettings, readFrequencySettings);
  expectRoundTrip(PowerSettings(1, 0x11223344, 0x55667788, 0x99AA, 0x7B), writePowerSettings, readPowerSettings);
  expectRoundTrip(CrossSwitchSettings(1, 0xCAFEBABE, 7, 0x1F), writeCrossSwitchSettings, readCrossSwitchSettings);
  expectRoundTrip(RefClockSettings(0xF00D, 0xBEEF, 2, 1, 0x0ABC, 3, 0x1234, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10),
                  writeRefClockSettings, readRefClockSettings);
  expectRoundTrip(SettlingTimes(9, 8, 7, 6, 5, 4, 3, 2, 1), writeSettlingTimes, readSettlingTimes);
}

TEST(SettingsWire, APowerRecordCutAfterTenBytesReadsItsLastFieldsAsZero) {
  for (const bool throughArray : {false, true}) {
    tStatus status(tStatus::kFullSize);
    nVLAPAL000::tVector<uint8_t> wire;
    tDataWriter writer(wire);
    writePowerSettings(PowerSettings(1, 5, 6, 700, 99), writer, status);
    Bytes bytes = toBytes(wire);
    bytes.resize(10);
    Source source(bytes, throughArray, false);
    PowerSettings read(1, 0, 0, 0, 55);
    readPowerSettings(read, source.reader, status);
    EXPECT_EQ(read, PowerSettings(0, 5, 6, 700, 0));
    EXPECT_EQ(vltest::siteOf(status), throughArray ? (vltest::Site{kExhausted, "tArrayReader", 143})
                                                   : (vltest::Site{kExhausted, "tDataReader", 288}));
  }
}

TEST(SettingsWire, ReadersNeverPassTheEndAndTheArrayReaderStopsAtTheWarning) {
  const Bytes bytes = {1, 2, 3, 4, 5, 6, 7};
  tStatus status;
  tDataReader contiguous(bytes.data(), bytes.size());
  EXPECT_EQ(contiguous.readU64(status), 0u);  // a value is taken whole or not at all
  EXPECT_EQ(contiguous.remaining(), 7u);
  EXPECT_EQ(contiguous.readU32(status), 0x04030201u);
  EXPECT_EQ(status.getCode(), kExhausted);
  EXPECT_EQ(tDataReader(bytes.data(), 7, true).readU16(status), 0x0102u);  // swapped: most significant first

  tArrayReader array{bytes.data(), bytes.size(), 0};
  tDataReader throughArray(array);
  EXPECT_EQ(throughArray.readU32(status), 0u);  // entered with the warning: consumes nothing
  EXPECT_EQ(array.position, 0u);
}

TEST(SettingsWire, AReaderEnteredWithAnErrorOnlyClearsSuggestAndTheTables) {
  const Bytes bytes(138, 0x77);
  tStatus status;
  status.setCode(-52008, VL_SITE);
  tDataReader reader(bytes.data(), bytes.size());
  FrequencySettings frequency = sampleFrequency();
  readFrequencySettings(frequency, reader, status);
  FrequencySettings expected = sampleFrequency();
  expected.settlingTimes0 = expected.settlingTimes1 = SettlingTimes();
  expected.suggest = 0;
  EXPECT_EQ(frequency, expected);
  EXPECT_EQ(reader.remaining(), 138u);
}

// After a byte the vector cannot take, wider values stop and single bytes
// still go out.
TEST(SettingsWire, AWriterThatCannotGrowReportsOutOfMemoryAndKeepsWhatItWrote) {
  tStatus status(tStatus::kFullSize);
  nVLAPAL000::tVector<uint8_t> wire;
  tDataWriter writer(wire);
  sim::Memory::allocationFaults().failNth(1, 0);
  writeCrossSwitchSettings(CrossSwitchSettings(1, 0x0A0B0C0D, 9, 4), writer, status);
  sim::Memory::allocationFaults().clear();
  EXPECT_EQ(vltest::siteOf(status), (vltest::Site{-52000, "stlStatus", 34}));
  EXPECT_EQ(toBytes(wire), (Bytes{0x0C, 0x0B, 0x0A, 1, 4}));
}

class RecordingTarget : public iSettingsDeployTarget {
 public:
  void deploySettings(uint32_t id, const RefClockSettings& s, tStatus&) override { add(id, s); }
  void deploySettings(uint32_t id, const CrossSwitchSettings& s, tStatus&) override { add(id, s); }
  void deploySettings(uint32_t id, const FrequencySettings& s, tStatus&) override { add(id, s); }
  void deploySettings(uint32_t id, const PowerSettings& s, tStatus&) override { add(id, s); }
  // Each deployed record as its id and field bytes.
  std::vector<std::pair<uint32_t, Bytes>> deployed;

 private:
  template <typename tRecord>
  void add(uint32_t id, const tRecord& record) {
    const FieldBytes<tRecord> fields(record);
    deployed.emplace_back(id, Bytes(fields.data(), fields.data() + FieldBytes<tRecord>::kSize));
  }
};

class DeployBlob : public testing::Test {
 protected:
  template <typename tRecord>
  void entry(uint32_t id, const tRecord& record, void (*write)(const tRecord&, tDataWriter&, tStatus&)) {
    writeU32(id, writer, status);
    write(record, writer, status);
    const FieldBytes<tRecord> fields(record);
    expected.emplace_back(id, Bytes(fields.data(), fields.data() + FieldBytes<tRecord>::kSize));
  }
  tStatus deploy(uint64_t cut = 0, int64_t seed = 0) {
    tStatus result(tStatus::kFullSize);
    if (seed != 0) result.setCode(seed, VL_SITE);
    deploySettingsBlob(blob.data(), blob.size() - cut, target, result);
    return result;
  }

  tStatus status;
  nVLAPAL000::tVector<uint8_t> blob;
  tDataWriter writer{blob};
  RecordingTarget target;
  std::vector<std::pair<uint32_t, Bytes>> expected;
};

TEST_F(DeployBlob, RecordsFollowTheLeadingWordUntilTheBlobEnds) {
  writeU32(0xFFFFFFFF, writer, status);  // any value: records are counted by length
  EXPECT_EQ(deploy().getCode(), 0);
  EXPECT_TRUE(target.deployed.empty());

  entry(4, sampleFrequency(), writeFrequencySettings);
  entry(6, PowerSettings(1, 2, 3, 4, 5), writePowerSettings);
  entry(2, RefClockSettings(), writeRefClockSettings);
  entry(3, CrossSwitchSettings(0, 1, 2, 3), writeCrossSwitchSettings);
  ASSERT_EQ(blob.size(), 4u + 4 + 138 + 4 + 12 + 4 + 26 + 4 + 10);
  EXPECT_EQ(deploy().getCode(), 0);
  EXPECT_EQ(target.deployed, expected);
}

TEST_F(DeployBlob, AShortLastRecordIsDeployedAsRead) {
  writeU32(0, writer, status);
  entry(5, sampleFrequency(), writeFrequencySettings);
  EXPECT_EQ(deploy(1).getCode(), kExhausted);
  ASSERT_EQ(target.deployed.size(), 1u);
  expected[0].second.back() = 0;  // dllCtrl, the byte that was cut
  EXPECT_EQ(target.deployed, expected);
}

TEST_F(DeployBlob, AWalkEnteredWithTheShortReadWarningEndsOnIdZero) {
  writeU32(0, writer, status);
  entry(3, CrossSwitchSettings(), writeCrossSwitchSettings);
  EXPECT_EQ(deploy(0, kExhausted).getCode(), -52005);
  EXPECT_TRUE(target.deployed.empty());
}

TEST(LockQueryReply, NeedsTwentyOneBytesOfRoom) {
  uint8_t output[32];
  std::memset(output, 0xCC, sizeof(output));
  const RefClockLockReport report{1, 0x0102030405060708, 0x1112131415161718};
  EXPECT_EQ(vltest::codeAfter([&](tStatus& s) { writeLockQueryReply(3, report, nullptr, 32, s); }), -52005);

  tStatus status;
  EXPECT_EQ(writeLockQueryReply(3, report, output, 21, status), 21u);
  EXPECT_EQ(Bytes(output, output + 22),
            (Bytes{3, 0, 0, 0, 1, 8, 7, 6, 5, 4, 3, 2, 1, 0x18, 0x17, 0x16, 0x15, 0x14, 0x13, 0x12, 0x11, 0xCC}));
  EXPECT_EQ(status.getCode(), 0);
}

}  // namespace
