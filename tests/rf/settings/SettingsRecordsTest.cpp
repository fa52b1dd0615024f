#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <vector>

#include "driver/rf/settings/CrossSwitchSettings.h"
#include "driver/rf/settings/FieldBytes.h"
#include "driver/rf/settings/RefClockSettings.h"
#include "driver/rf/wire/SettingsWire.h"

namespace {

using namespace vl9738settings;
using nVLAPALS100::tStatus;

template <typename tRecord>
std::vector<uint8_t> bytesOf(const tRecord& record) {
  const FieldBytes<tRecord> bytes(record);
  return std::vector<uint8_t>(bytes.data(), bytes.data() + FieldBytes<tRecord>::kSize);
}

FrequencySettings frequencyFromBytes(const std::vector<uint8_t>& bytes) {
  FrequencySettings record;
  tStatus status;
  tDataReader reader(bytes.data(), bytes.size());
  readFrequencySettings(record, reader, status);
  EXPECT_EQ(status.getCode(), 0);
  return record;
}

TEST(FrequencySettings, ConstructorTakesSuggestAndNcoWordsFirstThenTheByteFieldsInOrder) {
  const SettlingTimes times0(1, 2, 3, 4, 5, 6, 7, 8, 9);
  const SettlingTimes times1(11, 12, 13, 14, 15, 16, 17, 18, 19);
  const FrequencySettings s(200, 0x1122, 0x33, 0x44, 0x55, times0, times1, 0x66, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17,
                            18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41,
                            42, 43, 44, 45);
  const std::vector<uint8_t> bytes = bytesOf(s);
  EXPECT_EQ(s.settlingTimes0, times0);
  EXPECT_EQ(s.settlingTimes1, times1);
  EXPECT_EQ(s.ftw, 0x1122u);
  EXPECT_EQ(s.fullScaleCurrent, 0x66u);
  for (uint32_t field = 8; field <= 45; ++field) {
    EXPECT_EQ(bytes[100 + field - 8], field == 29 ? 200 : field) << "field " << field;
  }
}

TEST(SettingsRecords, SmallRecordConstructorsTakeSuggestFirstAndItTakesPartInEquality) {
  EXPECT_NE(PowerSettings(1, 0, 0, 32767, 127), PowerSettings());
  EXPECT_NE(CrossSwitchSettings(1, 0, 0, 4), CrossSwitchSettings());
  EXPECT_EQ(bytesOf(PowerSettings(1, 0x02030405, 6, 0x0708, 9)),
            (std::vector<uint8_t>{5, 4, 3, 2, 6, 0, 0, 0, 8, 7, 9, 1}));
  EXPECT_EQ(bytesOf(CrossSwitchSettings(1, 2, 3, 4)), (std::vector<uint8_t>{2, 0, 0, 0, 3, 0, 0, 0, 1, 4}));
  EXPECT_EQ(
      bytesOf(RefClockSettings(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17)),
      (std::vector<uint8_t>{1, 0, 0, 0, 2, 0, 0, 0, 3, 4, 5, 0, 6, 0, 7, 0, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17}));
}

// Every field byte of a frequency record takes part in its equality; only
// `dllFine` (byte 115) is left out of the non-strict comparison.
TEST(FrequencySettings, EveryFieldButDllFineDecidesBothComparisons) {
  const FrequencySettings base = frequencyPreset(1);
  const std::vector<uint8_t> bytes = bytesOf(base);
  ASSERT_EQ(bytes.size(), 138u);
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::vector<uint8_t> changed = bytes;
    changed[i] ^= 0x01;
    const FrequencySettings other = frequencyFromBytes(changed);
    EXPECT_NE(other, base) << "byte " << i;
    EXPECT_EQ(compareFrequencySettings(other, base, false), i == 115) << "byte " << i;
    EXPECT_TRUE(compareFrequencySettings(base, base, true));
  }
}

// Padding that differs between two equal records neither splits them
// across buckets nor lets the set keep both.
TEST(SettingsRecords, EqualRecordsHashAlikeWhateverTheirPaddingHolds) {
  static_assert(sizeof(CrossSwitchSettings) == 12, "two bytes of padding");
  alignas(CrossSwitchSettings) unsigned char dirty[sizeof(CrossSwitchSettings)];
  std::memset(dirty, 0xA5, sizeof(dirty));
  const CrossSwitchSettings* a = new (dirty) CrossSwitchSettings(0, 7, 8, 3);
  const CrossSwitchSettings b(0, 7, 8, 3);
  EXPECT_EQ(vlhtl::hasher<CrossSwitchSettings>()(*a), vlhtl::hasher<CrossSwitchSettings>()(b));

  tStatus status;
  vlhtl::HashSet<CrossSwitchSettings> set(status);
  EXPECT_TRUE(set.insert(*a, status));
  EXPECT_FALSE(set.insert(b, status));
  EXPECT_EQ(set.size(), 1u);
  EXPECT_EQ(status.getCode(), 0);
}

}  // namespace
