// The device capabilities record: read the whole road from the board's
// device-specific capability, and parsed and re-serialised from blocks the
// factory (or a damaged EEPROM) could hold.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "driver/board/capabilities/DeviceCapabilities.h"
#include "driver/board/capabilities/ReadDeviceCapabilities.h"
#include "driver/board/status/BoardSites.h"
#include "driver/board/status/DeviceStatusCodes.h"
#include "sim/board/CapabilitiesBlock.h"
#include "tests/platform/pci/PciTestDevice.h"
#include "tests/support/StatusChecks.h"

namespace {

using nVL9738K_24_0::DeviceCapabilities;
using nVLAPALS100::tStatus;
using sim::CapabilitiesBlock;
using vltest::Site;
using vltest::siteOf;
namespace codes = nVL9738K_24_0::codes;
namespace lines = nVL9738K_24_0::sites::lines;

using Words = std::array<uint32_t, DeviceCapabilities::kWordCount>;
constexpr Words kDefaults = {0, 0, 0, 0, 0, 0, 0, 82};
constexpr Words kFactory = {0x21, 0x20, 0x44, 0x0100C000, 0x01004000, 0x77, 0x88, 70};
const std::vector<uint8_t> kOddRecord = {0xA1, 0xB2, 0xC3};

Words wordsOf(const DeviceCapabilities& record) {
  Words words;
  for (uint32_t i = 0; i < words.size(); ++i) words[i] = record.words[i];
  return words;
}

// Every value record in tag order, with a tag-12 record of odd length
// after the fourth.
CapabilitiesBlock factoryBlock() {
  CapabilitiesBlock block;
  for (uint32_t i = 0; i < kFactory.size(); ++i) {
    block.word(i + 2, kFactory[i]);
    if (i == 3) block.record(12, kOddRecord);
  }
  return block;
}

DeviceCapabilities garbage() {
  DeviceCapabilities record;
  for (uint32_t& word : record.words) word = 0xDEAD;
  return record;
}

Site at(int64_t code, uint64_t line) { return Site{code, nVL9738K_24_0::sites::kDeviceCapabilities, line}; }

// Reads the record from a board whose EEPROM holds `block`.
tStatus readFromBoard(const std::vector<uint8_t>& block, DeviceCapabilities& record) {
  sim::BoardOptions options;
  options.flash.deviceSpecific = block;
  vltest::PciTestBoard plugged(options);
  tStatus status(tStatus::kFullSize);
  nVL9738K_24_0::readDeviceCapabilities(plugged.device(), record, status);
  return status;
}

// An intact block fills every word; an empty one, or one whose CRC is
// wrong, leaves the defaults; a last value cut short leaves its default
// (a limit of 0 degrees would shut the board down at every reading) and
// the warning.
TEST(DeviceCapabilitiesFromBoard, AnIntactBlockFillsEveryWordOtherwiseTheDefaultsStand) {
  DeviceCapabilities record = garbage();
  EXPECT_EQ(readFromBoard(factoryBlock().crc().bytes(), record).getCode(), 0);
  EXPECT_EQ(wordsOf(record), kFactory);
  EXPECT_EQ(record.temperatureLimit(), 70);
  EXPECT_EQ(readFromBoard({}, record).getCode(), 0);
  EXPECT_EQ(wordsOf(record), kDefaults);
  record = garbage();
  const tStatus status = readFromBoard(factoryBlock().crc(0x12345678).bytes(), record);
  EXPECT_EQ(siteOf(status), at(codes::kBoardVerificationFailed, lines::kCapabilitiesCrc));
  EXPECT_EQ(wordsOf(record), kDefaults);
  record = garbage();
  EXPECT_EQ(readFromBoard(CapabilitiesBlock().header(9, 4).raw({70}).bytes(), record).getCode(),
            codes::kWarningReadPastEnd);
  EXPECT_EQ(record.temperatureLimit(), 82);
}

struct Block {
  const char* name;
  std::vector<uint8_t> bytes;
  Site site;
  Words words;
};

class CapabilitiesBlocks : public testing::TestWithParam<Block> {};

TEST_P(CapabilitiesBlocks, ParseToTheirRecordOrFailAtTheirSiteWithTheDefaults) {
  DeviceCapabilities record = garbage();
  const std::vector<uint8_t>& bytes = GetParam().bytes;
  tStatus status(tStatus::kFullSize);
  DeviceCapabilities::parse(record, bytes.data(), static_cast<uint32_t>(bytes.size()), false, 0, 0, nullptr, status);
  EXPECT_EQ(status.getCode(), GetParam().site.code);
  if (status.isFatal()) {
    EXPECT_EQ(siteOf(status), GetParam().site);
  }
  EXPECT_EQ(wordsOf(record), GetParam().words);
}

constexpr int64_t kFailed = codes::kBoardVerificationFailed;
constexpr Words kOnlyWord1 = {0xDEAD, 9, 0xDEAD, 0xDEAD, 0xDEAD, 0xDEAD, 0xDEAD, 0xDEAD};
INSTANTIATE_TEST_SUITE_P(
    Blocks, CapabilitiesBlocks,
    testing::Values(Block{"OneTrailingByte", CapabilitiesBlock().word(2, 1).raw({0}).bytes(),
                          at(kFailed, lines::kCapabilitiesTrailingBytes), kDefaults},
                    Block{"ValueOfLengthThree", CapabilitiesBlock().word(2, 1).record(5, {1, 2, 3}).bytes(),
                          at(kFailed, lines::kCapabilitiesRecordLength), kDefaults},
                    Block{"CrcFirstIsNotCompared", CapabilitiesBlock().crc(0x1234).word(3, 9).bytes(), Site{0, "", 0},
                          kOnlyWord1},
                    Block{"NoCrcIsNotCompared", CapabilitiesBlock().word(3, 9).bytes(), Site{0, "", 0}, kOnlyWord1},
                    Block{"ValueCutShortKeepsItsWord", CapabilitiesBlock().word(3, 9).header(9, 4).raw({1, 2}).bytes(),
                          Site{codes::kWarningReadPastEnd, "", 0}, kOnlyWord1}),
    [](const testing::TestParamInfo<Block>& info) { return info.param.name; });

TEST(DeviceCapabilitiesWrite, ReplacesTheFirmwareRevisionsCopiesTheRestAndRecomputesTheCrc) {
  const std::vector<uint8_t> input = factoryBlock().crc().word(8, 0x99).bytes();
  DeviceCapabilities record = garbage();
  vlhtl::Vector<uint8_t> output;
  tStatus status;
  DeviceCapabilities::parse(record, input.data(), static_cast<uint32_t>(input.size()), true, 0x02000000, 0x01008000,
                            &output, status);
  ASSERT_EQ(status.getCode(), 0);
  const std::vector<uint8_t> written(output.begin(), output.end());
  ASSERT_EQ(written.size(), input.size() + 4);
  EXPECT_EQ(written[0] | written[1] << 8 | written[2] << 16 | written[3] << 24, static_cast<int>(input.size()));
  // The odd record follows the size word and four value records.
  const size_t odd = 4 + 4 * 12;
  EXPECT_EQ(std::vector<uint8_t>(written.begin() + odd, written.begin() + odd + 11),
            CapabilitiesBlock().record(12, kOddRecord).bytes());

  Words expected = kFactory;
  expected[DeviceCapabilities::kFirmwareRevision] = 0x02000000;
  expected[DeviceCapabilities::kOldestFirmwareRevision] = 0x01008000;
  expected[6] = 0x99;
  EXPECT_EQ(wordsOf(record), expected);
  DeviceCapabilities reread = garbage();
  DeviceCapabilities::parse(reread, written.data() + 4, static_cast<uint32_t>(input.size()), false, 0, 0, nullptr,
                            status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(wordsOf(reread), expected);
}

TEST(DeviceCapabilitiesWrite, ABlockCutShortCannotBeWrittenBack) {
  const std::vector<uint8_t> input = CapabilitiesBlock().word(2, 1).header(5, 4).raw({1}).bytes();
  DeviceCapabilities record;
  vlhtl::Vector<uint8_t> output;
  tStatus status(tStatus::kFullSize);
  DeviceCapabilities::parse(record, input.data(), static_cast<uint32_t>(input.size()), true, 7, 7, &output, status);
  EXPECT_EQ(siteOf(status), at(codes::kInvalidArgument, lines::kCapabilitiesOutputLength));
}

}  // namespace
