// The kernel FPGA object over the board object and the board model: the
// download with its reset wait and host-buffer re-apply, reset and abort of
// the design, attributes, and checked, chunked block transfers.
#include <gtest/gtest.h>

#include <memory>

#include "driver/fpga/FpgaStatusCodes.h"
#include "driver/fpgasession/Fpga.h"
#include "sim/board/HostMemoryBufferBlock.h"
#include "sim/kernel/UserMaps.h"
#include "tests/board/BoardOnPciFixture.h"
#include "tests/fpga/FpgaFifoDouble.h"
#include "tests/fpgasession/ImagePages.h"
#include "tests/regaccess/RegisterMapFixture.h"

namespace vltest {
namespace {

using Kind = BusAccess::Kind;
constexpr uint32_t kBlock = 0x4000, kData = 0x1000;
constexpr uint64_t kWindow = sim::FpgaWindow::kBarOffset;

class FpgaObject : public BoardOnPci {
 protected:
  void SetUp() override {
    board = build();
    signature = std::make_unique<vllym::SignatureRegisterCommon>(board->getFpgaIoAccessor());
    fpga = std::make_unique<vllym::kernel::Fpga>(board.get(), signature.get(), &refusal, status);
    EXPECT_EQ(fpga->setCommonRegisterSet(registers(kReset), status), kBlock);
    EXPECT_EQ(signature->getOffset(), kSignature);
    ASSERT_EQ(status.getCode(), 0);
  }
  void download(tStatus& result) { fpga->download(image.list(), result); }
  static vllym::CommonRegisterSet registers(uint32_t reset) {
    vllym::CommonRegisterSet set = designRegisters();
    set.resetRegister = reset;
    set.hostMemoryBufferBlock = kBlock;
    return set;
  }
  std::vector<BusAccess> windowTraffic() {
    std::vector<BusAccess> found;
    for (const BusAccess& a : model().bar0().traffic()) {
      if (a.offset >= kWindow && a.offset < kWindow + sim::FpgaWindow::kSize) found.push_back(a);
    }
    return found;
  }

  int32_t refusal = -61141;
  std::unique_ptr<Board> board;
  std::unique_ptr<vllym::SignatureRegisterCommon> signature;
  std::unique_ptr<vllym::kernel::Fpga> fpga;
  sim::FpgaPersonality personality{model().fpga(), kControl, kReset, kSignature};
  ImagePages image;
};

TEST_F(FpgaObject, AnUnprogrammedFpgaReadsZeroAndSkipsTheResetWait) {
  EXPECT_EQ(fpga->getAttribute32(48, status), 0u);
  fpga->setAttribute32(84, 0xBFFA0001, status);
  EXPECT_EQ(refusal, static_cast<int32_t>(0xBFFA0001));
  model().bar0().startRecording();
  fpga->waitForResetDone(status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_TRUE(windowTraffic().empty());
  tStatus unknown;
  EXPECT_EQ(fpga->getAttribute32(7, unknown), 0xFFFFFFFFu);
  EXPECT_EQ(unknown.getCode(), vllym::kStatusUnknownAttribute);
}

TEST_F(FpgaObject, ADownloadWaitsForResetAndWritesLostHostBuffersAgain) {
  sim::HostMemoryBufferBlock block(model().fpga(), kBlock, sim::HostMemoryBufferBlock::kIdentitySingle);
  fpga->configureFifos(recordsOf({{0, 1, 1, 0x2000}}), status);
  fpga->stopFifo(1, 1, 0, status);  // FIFO 0 now belongs to {1, 1}
  tStatus other;
  fpga->startFifo(2, 2, 0, other);
  EXPECT_EQ(other.getCode(), vllym::kStatusFifoOwnedElsewhere);
  ASSERT_NE(fpga->getHMBManager(status), nullptr);
  nVLAPAL000::tEventDescriptor descriptor{nullptr};
  nVLAPAL000::tUserMemoryMap primary{nullptr, sim::UserMaps::create(4096, 0x7F0000000000, 3), 0};
  fpga->getHMBManager(status)->allocateAndMap(descriptor, primary, status);
  const uint32_t address = block.reg(0x00C);
  block.clear();  // a reprogrammed FPGA forgets the buffers
  personality.holdInReset(5);
  download(status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(personality.resetReads(), 7u);  // five busy, the clear one, the read after the wait
  EXPECT_EQ(block.reg(0x00C), address);
  EXPECT_EQ(block.reg(0x004), 1u);

  block.forgetWrites();
  fpga->reset(status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(personality.controlWrites(), (std::vector<uint32_t>{4, 0}));
  EXPECT_EQ(personality.resetWrites(), 1u);
  EXPECT_EQ(block.writes(), (std::vector<std::pair<uint64_t, uint32_t>>{{0x004, 0}, {0x004, 1}}));
  fpga->destroyFifos(status);
  EXPECT_EQ(fpga->getHMBManager(status), nullptr);
}

TEST_F(FpgaObject, AFailedProgrammingIsReportedAsItselfAndAStuckResetTimesOut) {
  personality.setStuckInReset(true);
  bridge().fpgaLoader().setFault(sim::FpgaLoader::Fault::Fails);
  download(status);
  EXPECT_EQ(status.getCode(), vllym::kStatusHardwareFault);
  EXPECT_EQ(personality.resetReads(), 0u);

  bridge().fpgaLoader().setFault(sim::FpgaLoader::Fault::None);
  tStatus afterDownload, afterReset;
  download(afterDownload);
  EXPECT_EQ(afterDownload.getCode(), vllym::kStatusResetTimeout);
  fpga->reset(afterReset);
  EXPECT_EQ(afterReset.getCode(), vllym::kStatusResetTimeout);
}

TEST_F(FpgaObject, ChunkedWritesFlushBetweenChunksAndWalkTheirStride) {
  std::vector<uint8_t> bytes(100);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i + 1);
  for (bool withReset : {true, false}) {
    if (!withReset) fpga->setCommonRegisterSet(registers(0xFFFFFFFF), status);
    model().bar0().startRecording();
    fpga->writeBlock(kData, bytes.data(), 25, 1, 0, status);
    std::vector<uint64_t> expected;
    for (int i = 0; i < 25; ++i) {
      if (withReset && (i == 10 || i == 20)) expected.push_back(kWindow + kReset);
      expected.push_back(kWindow + kData);
    }
    EXPECT_EQ(offsetsOf(windowTraffic()), expected);
  }
  fpga->writeBlock(kData, bytes.data(), 100, 4, 4, status);
  for (uint32_t i = 0; i < 25; ++i) EXPECT_EQ(fpga->read32(kData + 4 * i, status), 0x04030201u + 0x04040404u * i);

  for (uint32_t size : {1u, 2u, 4u, 8u}) {
    for (uint32_t stride : {size, 2 * size, 16u}) {
      std::vector<uint8_t> back(96, 0);
      fpga->writeBlock(0x2000, bytes.data(), 96, size, stride, status);
      fpga->readBlock(0x2000, back.data(), 96, size, stride, status);
      EXPECT_EQ(back, std::vector<uint8_t>(bytes.begin(), bytes.begin() + 96)) << size << "/" << stride;
    }
  }
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(FpgaObject, ARefusedBlockTransfersNothing) {
  struct Case {
    uint32_t offset, byteCount, elementSize, stride;
    int64_t writeCode, readCode;
  };
  constexpr int64_t kInvalid = nVLAPALS100::kStatusInvalidParameter, kSelector = nVLAPALS100::kStatusBadSelector;
  const uint32_t end = sim::FpgaWindow::kSize;
  // A zero element size is an invalid write but, like any other size no
  // access has, a bad selector for a read.
  for (const Case& c : {Case{kData, 8, 0, 0, kInvalid, kSelector}, Case{kData, 9, 3, 3, kSelector, kSelector},
                        Case{kData, 6, 4, 4, kInvalid, kInvalid}, Case{end - 12, 16, 1, 1, kInvalid, kInvalid},
                        Case{kData, 12, 4, 0x80000000, kInvalid, kInvalid}}) {
    uint8_t buffer[16] = {};
    tStatus writing, reading;
    model().bar0().startRecording();
    fpga->writeBlock(c.offset, buffer, c.byteCount, c.elementSize, c.stride, writing);
    fpga->readBlock(c.offset, buffer, c.byteCount, c.elementSize, c.stride, reading);
    EXPECT_EQ(writing.getCode(), c.writeCode) << c.elementSize << "/" << c.byteCount;
    EXPECT_EQ(reading.getCode(), c.readCode) << c.elementSize << "/" << c.byteCount;
    EXPECT_TRUE(windowTraffic().empty());
  }
  EXPECT_EQ(fpga->getMemoryMappedIoWindowSize(status), 0u);
}

}  // namespace
}  // namespace vltest
