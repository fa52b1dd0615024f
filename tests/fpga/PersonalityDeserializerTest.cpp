// The configure request's personality from its user blocks: the packed
// wire format, short blocks and bad records, and the bitfile's pages,
// which stay locked exactly as long as the record lives.
#include <gtest/gtest.h>

#include "SessionWire.h"
#include "driver/fpga/session/ConfigurePersonalityCommonDeserializer.h"
#include "driver/fpga/session/SessionStatusCodes.h"
#include "driver/fpga/wire/Serializer.h"
#include "sim/kernel/PageLists.h"

namespace vltest {
namespace {

using nVLAPALS100::tStatus;
using vllym::ConfigurePersonalityCommonDeserializer;

constexpr uint64_t kPage = 4096;

class PersonalityFromUser : public testing::Test {
 protected:
  std::unique_ptr<ConfigurePersonalityCommonDeserializer> read(const std::vector<uint8_t>& common,
                                                               const std::vector<uint8_t>& fifos = {}) {
    commonBlock = userCopyOf(common);
    fifoBlock = userCopyOf(fifos);
    return std::make_unique<ConfigurePersonalityCommonDeserializer>(event, commonBlock->address(), common.size(),
                                                                    fifoBlock->address(), fifos.size(), status);
  }
  // A bitfile of `size` bytes starting `offset` bytes into a page.
  std::unique_ptr<ConfigurePersonalityCommonDeserializer> readWithBitfile(uint64_t offset, uint64_t size,
                                                                          bool required = true) {
    commonBlock = userCopyOf(PersonalityBlock{}.bytes());
    bitfileBlock = std::make_unique<sim::UserBlock>(size + 2 * kPage);
    const uint64_t start = (bitfileBlock->address() + kPage - 1) / kPage * kPage + offset;
    return std::make_unique<ConfigurePersonalityCommonDeserializer>(event, commonBlock->address(), 48, 0, 0, start,
                                                                    size, status, required);
  }

  nVLAPAL000::tEventDescriptor event{nullptr};
  tStatus status{tStatus::kFullSize};
  std::unique_ptr<sim::UserBlock> commonBlock, fifoBlock, bitfileBlock;
};

TEST_F(PersonalityFromUser, ReadsEveryFieldOfTheCommonBlockAndIgnoresWhatFollows) {
  PersonalityBlock block;
  block.attributes = 0x02000000;
  block.refusalCode = 5;
  std::vector<uint8_t> bytes = block.bytes();
  bytes.push_back(0xEE);
  const auto personality = read(bytes);
  ASSERT_EQ(status.getCode(), 0);
  const vllym::CommonRegisterSet& registers = personality->getCommonRegisterSet();
  EXPECT_EQ(registers.controlRegister, 0x10u);
  EXPECT_EQ(registers.resetRegister, 0x14u);
  EXPECT_EQ(registers.irqBase, 0x100u);
  EXPECT_EQ(registers.signatureRegister, 0x20u);
  EXPECT_EQ(registers.hostMemoryBufferBlock, 0xFFFFFFFFu);
  EXPECT_EQ(personality->getPersonalityWord(), 0x1234u);
  EXPECT_EQ(personality->getAttributes(), 0x02000000u);
  EXPECT_EQ(personality->getDownloadRefusalCode(), 5);
  const vllym::Signature& signature = personality->getSignature();
  EXPECT_EQ(std::vector<uint32_t>(signature.begin(), signature.end()), (std::vector<uint32_t>{0xA1, 0xB2, 0xC3, 0xD4}));
  EXPECT_TRUE(personality->getFifos().empty());
  EXPECT_EQ(personality->getBitfile().handle, 0u);
}

// 47 bytes: the last signature word does not fit; 44: it is the first one
// that does not. Either way the failed word reads 0 and the others keep
// what the block gave.
class ShortCommonBlock : public PersonalityFromUser, public testing::WithParamInterface<size_t> {};

TEST_P(ShortCommonBlock, FailsWithBadSelectorAndTheLastSignatureWordReadsZero) {
  std::vector<uint8_t> bytes = PersonalityBlock{}.bytes();
  bytes.resize(GetParam());
  const auto personality = read(bytes);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusBadSelector);
  const vllym::Signature& signature = personality->getSignature();
  ASSERT_EQ(signature.size(), 4u);
  EXPECT_EQ(signature[0], 0xA1u);
  EXPECT_EQ(signature[2], 0xC3u);
  EXPECT_EQ(signature[3], 0u);
  EXPECT_EQ(personality->getDownloadRefusalCode(), -61141);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ShortCommonBlock, testing::Values(size_t{47}, size_t{44}));

TEST_F(PersonalityFromUser, FifoRecordsArePackedAndTheirWordsMayStartAtAnyByte) {
  FifoRecord first;
  first.typeWord1 = 0xCAFEF00D;  // at offset 3 of the record
  FifoRecord second;
  second.number = 1;
  second.direction = 2;
  second.control = 0x500;
  second.second = 0x600;
  second.dma = 0;
  const auto personality = read(PersonalityBlock{}.bytes(), fifoList({first, second}));
  ASSERT_EQ(status.getCode(), 0);
  const vlhtl::Vector<vllym::FifoInfo>& fifos = personality->getFifos();
  ASSERT_EQ(fifos.size(), 2u);
  EXPECT_EQ(fifos[0].getDescriptor().type.word1, 0xCAFEF00Du);
  EXPECT_EQ(fifos[0].getDescriptor().type.word3, 0x99AABBCCu);
  EXPECT_EQ(fifos[0].getControlOffset(), 0x400u);
  EXPECT_EQ(fifos[0].getFifoWord(), 0xF1F0u);
  EXPECT_EQ(fifos[0].getDmaFlag(), 1u);
  EXPECT_TRUE(fifos[0].isValid());
  EXPECT_EQ(fifos[1].getFifoNumber(), 1u);
  EXPECT_EQ(fifos[1].getDirection(), 2u);
  EXPECT_EQ(fifos[1].getSecondOffset(), 0x600u);
  EXPECT_EQ(fifos[1].getFifoWord2(), 0xF2F0u);
  EXPECT_TRUE(fifos[1].isValid());
}

TEST_F(PersonalityFromUser, AListCutShortKeepsTheWholeRecordsAndFailsWithBadSelector) {
  std::vector<uint8_t> list = fifoList({FifoRecord{}, FifoRecord{}});
  ASSERT_EQ(list.size(), 74u);
  list.push_back(1);
  const auto personality = read(PersonalityBlock{}.bytes(), list);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusBadSelector);
  EXPECT_EQ(personality->getFifos().size(), 2u);
}

TEST_F(PersonalityFromUser, ARecordOfAnotherResourceKindIsRefusedAfterItsType) {
  FifoRecord record;
  record.resourceKind = 2;
  const std::vector<uint8_t> list = fifoList({record});
  vllym::Deserializer in(list.data(), list.size());
  vllym::FifoInfo fifo;
  fifo.deserialize(in, status);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_EQ(fifo.getDescriptor().type.word3, 0x99AABBCCu);
  EXPECT_EQ(fifo.getControlOffset(), 0u);
  EXPECT_EQ(fifo.getSecondOffset(), 0u);
  // The cursor stopped behind the type.
  EXPECT_EQ(in.bytesLeft(), 37u - 16u);
}

TEST_F(PersonalityFromUser, ARecordWithoutItsOffsetIsNotValid) {
  FifoRecord none;
  none.control = 0xFFFFFFFF;
  FifoRecord bothWaysMissingSecond;
  bothWaysMissingSecond.direction = 2;
  const auto personality = read(PersonalityBlock{}.bytes(), fifoList({none, bothWaysMissingSecond}));
  ASSERT_EQ(personality->getFifos().size(), 2u);
  EXPECT_FALSE(personality->getFifos()[0].isValid());
  EXPECT_FALSE(personality->getFifos()[1].isValid());
}

TEST_F(PersonalityFromUser, ACommonBlockThatCannotBeCopiedLeavesTheDefaults) {
  sim::UserMemory::inboundCopyFaults().failNth(1, sim::UserMemory::kCopyFault);
  const auto personality = read(PersonalityBlock{}.bytes(), fifoList({FifoRecord{}}));
  EXPECT_LT(status.getCode(), 0);
  EXPECT_EQ(personality->getCommonRegisterSet().signatureRegister, 0xFFFFFFFFu);
  EXPECT_TRUE(personality->getFifos().empty());
}

TEST_F(PersonalityFromUser, OneBitfilePageStartingInsideAPageIsLockedAsTwoAndReleasedWithTheRecord) {
  {
    const auto personality = readWithBitfile(100, kPage);
    ASSERT_EQ(status.getCode(), 0);
    const nVLAPAL000::tPageList& bitfile = personality->getBitfile();
    EXPECT_EQ(bitfile.size, kPage);
    EXPECT_EQ(bitfile.offset, 100u);
    const auto locked = sim::PageLists::find(bitfile.handle);
    ASSERT_TRUE(locked.has_value());
    EXPECT_EQ(locked->pageCount, 2u);
    EXPECT_EQ(locked->flags, 8u);
    EXPECT_TRUE(locked->user);
    EXPECT_EQ(reinterpret_cast<uint64_t>(locked->host) % kPage, 0u);
  }
  EXPECT_EQ(sim::PageLists::userLists(), 0u);
}

TEST_F(PersonalityFromUser, ARequiredBitfileOfNoBytesIsRefusedBeforeAnythingIsRead) {
  const auto personality = readWithBitfile(0, 0);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusBadSelector);
  EXPECT_EQ(sim::UserMemory::inboundCopies(), 0u);
  EXPECT_EQ(personality->getCommonRegisterSet().controlRegister, 0xFFFFFFFFu);
}

TEST_F(PersonalityFromUser, BitfilePagesThatCannotBeLockedFailWithMemoryHandling) {
  sim::PageLists::userLockFaults().failNth(1, 0);
  const auto personality = readWithBitfile(0, 3 * kPage);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusMemoryHandling);
  EXPECT_EQ(personality->getBitfile().handle, 0u);
  EXPECT_EQ(sim::PageLists::userLists(), 0u);
}

// The size comes from user mode: one that runs past the end of the
// address space must not become a small page count.
TEST_F(PersonalityFromUser, ABitfileThatWrapsTheAddressSpaceIsRefused) {
  const auto personality = readWithBitfile(100, UINT64_MAX - 50);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_EQ(sim::PageLists::userLists(), 0u);
}

TEST(SessionSerializer, EveryWriteFailsAsNotProvidedAndLeavesTheOutputEmpty) {
  vlhtl::Vector<uint8_t> output;
  vllym::Serializer out(output);
  tStatus status;
  vllym::FifoInfo fifo;
  fifo.serialize(out, status);
  EXPECT_EQ(status.getCode(), vllym::kStatusNotProvided);
  EXPECT_TRUE(output.empty());
}

}  // namespace
}  // namespace vltest
