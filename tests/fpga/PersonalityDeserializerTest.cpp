// The configure request's personality from its user blocks: the packed
// format, short blocks and bad records, and the bitfile's pages, locked
// exactly as long as the record lives.
#include <gtest/gtest.h>

#include "SessionWire.h"
#include "driver/fpga/session/ConfigurePersonalityCommonDeserializer.h"
#include "driver/fpga/session/SessionStatusCodes.h"
#include "sim/kernel/PageLists.h"

namespace vltest {
namespace {

using nVLAPALS100::tStatus;
using Personality = vllym::ConfigurePersonalityCommonDeserializer;
constexpr uint64_t kPage = 4096;

class PersonalityFromUser : public testing::Test {
 protected:
  std::unique_ptr<Personality> read(const std::vector<uint8_t>& common, const std::vector<uint8_t>& fifos = {}) {
    blocks[0] = userCopyOf(common);
    blocks[1] = userCopyOf(fifos);
    return std::make_unique<Personality>(event, blocks[0]->address(), common.size(), blocks[1]->address(), fifos.size(),
                                         status);
  }
  // A required bitfile of `size` bytes starting `offset` bytes into a page.
  std::unique_ptr<Personality> withBitfile(uint64_t offset, uint64_t size) {
    blocks[0] = userCopyOf(personalityBlock());
    blocks[1] = std::make_unique<sim::UserBlock>(2 * kPage + (size & 0xFFFF));
    const uint64_t start = (blocks[1]->address() + kPage - 1) / kPage * kPage + offset;
    return std::make_unique<Personality>(event, blocks[0]->address(), 48, 0, 0, start, size, status, true);
  }

  nVLAPAL000::tEventDescriptor event{nullptr};
  tStatus status{tStatus::kFullSize};
  std::unique_ptr<sim::UserBlock> blocks[2];
};

// 48 bytes and more read whole; at 47 the last signature word does not fit,
// at 44 it is the first that does not: it reads 0, the others keep theirs.
TEST_F(PersonalityFromUser, TheCommonBlockIsReadUpTo48BytesAndAShortOneFailsAtItsFirstMissingWord) {
  for (size_t size : {49, 48, 47, 44}) {
    status.clear();
    std::vector<uint8_t> bytes = personalityBlock(0x02000000, 5);
    bytes.resize(size);
    const auto personality = read(bytes);
    EXPECT_EQ(status.getCode(), size >= 48 ? int64_t{0} : nVLAPALS100::kStatusBadSelector) << size;
    const vllym::Signature& signature = personality->getSignature();
    EXPECT_EQ(std::vector<uint32_t>(signature.begin(), signature.end()),
              (std::vector<uint32_t>{0xA1, 0xB2, 0xC3, size >= 48 ? 0xD4u : 0u}));
    EXPECT_EQ(std::tuple(personality->getCommonRegisterSet().signatureRegister, personality->getAttributes(),
                         personality->getDownloadRefusalCode()),
              std::tuple(0x20u, 0x02000000u, 5));
  }
}

TEST_F(PersonalityFromUser, FifoRecordsArePackedAndACutOneFailsAfterTheWholeOnes) {
  std::vector<uint8_t> list = fifoList({FifoRecord{}, FifoRecord{1, 2, 0, 0x500}});
  ASSERT_EQ(list.size(), 74u);
  list.push_back(1);
  const auto personality = read(personalityBlock(), list);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusBadSelector);
  const vlhtl::Vector<vllym::FifoInfo>& fifos = personality->getFifos();
  ASSERT_EQ(fifos.size(), 2u);
  EXPECT_EQ(fifos[0].getDescriptor().type.word1, 0xCAFEF00Du);  // a u32 at offset 3
  const vllym::FifoInfo& second = fifos[1];
  EXPECT_EQ(std::tuple(second.getDescriptor().type.word3, second.getFifoNumber(), second.getControlOffset(),
                       second.getSecondOffset(), second.getFifoWord2(), second.isValid()),
            std::tuple(0x99AABBCCu, 1u, 0x500u, 0x600u, 0xF2F0u, true));
}

TEST_F(PersonalityFromUser, ARecordOfAnotherResourceKindIsRefusedAfterItsType) {
  const std::vector<uint8_t> list = fifoList({FifoRecord{3, 0, 1, 0x400, 2}});
  vllym::Deserializer in(list.data(), list.size());
  vllym::FifoInfo fifo;
  fifo.deserialize(in, status);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_EQ(std::tuple(fifo.getDescriptor().type.word3, fifo.getFifoNumber(), in.bytesLeft()),
            std::tuple(0x99AABBCCu, 0u, 37u - 16u));
}

TEST_F(PersonalityFromUser, OneBitfilePageStartingInsideAPageIsLockedAsTwoUntilTheRecordGoes) {
  auto personality = withBitfile(100, kPage);
  ASSERT_EQ(status.getCode(), 0);
  const auto locked = sim::PageLists::find(personality->getBitfile().handle);
  ASSERT_TRUE(locked.has_value());
  EXPECT_EQ(std::tuple(locked->pageCount, locked->flags, personality->getBitfile().offset), std::tuple(2u, 8u, 100u));
  personality.reset();
  EXPECT_EQ(sim::PageLists::userLists(), 0u);
}

// No bitfile, pages that cannot be locked, a size that wraps the address space.
TEST_F(PersonalityFromUser, ABitfileThatCannotBeLockedLeavesNoPagesLocked) {
  EXPECT_EQ(withBitfile(0, 0)->getCommonRegisterSet().controlRegister, 0xFFFFFFFFu);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusBadSelector);
  status.clear();
  sim::PageLists::userLockFaults().failNth(1, 0);
  EXPECT_EQ(withBitfile(0, 3 * kPage)->getBitfile().handle, 0u);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusMemoryHandling);
  status.clear();
  withBitfile(100, UINT64_MAX - 50);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_EQ(sim::PageLists::userLists(), 0u);
}

// Each field still takes its place on the wire, as 0xFF bytes: a 37-byte
// record for 37 bytes of fields.
TEST(SessionSerializer, EveryWriteFailsAsNotProvidedAndLeavesItsBytesAs0xFF) {
  vlhtl::Vector<uint8_t> output;
  vllym::Serializer out(output);
  tStatus status;
  vllym::FifoInfo().serialize(out, status);
  EXPECT_EQ(status.getCode(), vllym::kStatusNotProvided);
  EXPECT_EQ(std::vector<uint8_t>(output.begin(), output.end()), std::vector<uint8_t>(37, 0xFF));
}

}  // namespace
}  // namespace vltest
