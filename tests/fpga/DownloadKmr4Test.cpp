// The FPGA download on the board model: what the loader receives, how the
// bytes travel, the waits' failures, and IO port 2 around the load.
#include <gtest/gtest.h>

#include <algorithm>

#include "driver/board/ConfigurationDravoKelvane.h"
#include "driver/fpga/DownloadKmr4.h"
#include "driver/fpga/FpgaStatusCodes.h"
#include "driver/platform/zuk/ZukDMA.h"
#include "driver/platform/zuk/ZukMemory.h"
#include "sim/kernel/Console.h"
#include "sim/kernel/PageLists.h"
#include "tests/regaccess/RegisterMapFixture.h"
#include "sim/board/SyntheticBitstream.h"

namespace vltest {
namespace {

using sim::FpgaLoader;
using sim::IoPortConfig;
using vllym::DownloadKmr4;

class FpgaDownload : public RegisterMapOnBoard {
 protected:
  FpgaLoader& loader() { return board.bridge().fpgaLoader(); }
  IoPortConfig& ports() { return board.bridge().ioPorts(); }

  // A short image the loader accepts.
  std::vector<uint8_t> accepted(std::vector<uint8_t> image) {
    loader().expect(image);
    return image;
  }

  std::vector<BusAccess> dataWrites() {
    std::vector<BusAccess> data;
    for (const BusAccess& access : writesIn(board.bar0().traffic())) {
      if (access.offset == DownloadKmr4::kLoadingData) data.push_back(access);
    }
    return data;
  }

  // Writes of IO port 2's state register, in order.
  std::vector<uint32_t> portStateWrites() {
    std::vector<uint32_t> values;
    for (const IoPortConfig::Command& command : ports().commands()) {
      if (command.write && command.port == 2 && command.address == 0) values.push_back(command.data);
    }
    return values;
  }

  nVL9738K_24_0::ConfigurationDravoKelvane configuration{&bar0};
  DownloadKmr4 download{&bar0, &configuration};
};

TEST_F(FpgaDownload, TheSyntheticBitstreamLoadsAndOpensIoPort2) {
  const std::vector<uint8_t> bitstream = vlimage::makeSyntheticBitstream();
  // The programmed flag sits where the active-port register points.
  board.bridge().configPort().setReadable(DownloadKmr4::kActivePort - 0x400, 4, 5u << 8);
  download.download(bitstream.data(), static_cast<uint32_t>(bitstream.size()), status);

  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(loader().received(), bitstream);
  EXPECT_EQ(loader().status(), FpgaLoader::kDone);
  EXPECT_EQ(bar0.read32(DownloadKmr4::kMonitor, status), 1u << 5);
  EXPECT_TRUE(download.isFpgaProgrammed(status));
  // Nothing ran on the port before, so it is not closed first; the board's
  // own opening sets two registers, then opens in mode 0.
  EXPECT_EQ(portStateWrites(), (std::vector<uint32_t>{2}));
  EXPECT_EQ(ports().internalRegister(2, 8), 0x04010070u);
  EXPECT_EQ(ports().internalRegister(2, 12), 2u);
  EXPECT_TRUE(ports().port2Open());
}

TEST_F(FpgaDownload, BytesGoOutReversedAsWordsThenTheTailAsBytes) {
  const std::vector<uint8_t> image = accepted({0x01, 0x02, 0x03, 0x04, 0xF0, 0x01, 0x80});
  download.download(image.data(), static_cast<uint32_t>(image.size()), status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(dataWrites(), (std::vector<BusAccess>{{BusAccess::Kind::Write, 0x460, 4, 0x20C04080},
                                                  {BusAccess::Kind::Write, 0x460, 1, 0x0F},
                                                  {BusAccess::Kind::Write, 0x460, 1, 0x80},
                                                  {BusAccess::Kind::Write, 0x460, 1, 0x01}}));
  EXPECT_EQ(written(DownloadKmr4::kByteCount, 4), 7u);
  EXPECT_TRUE(loader().programmed());
}

class FpgaDownloadLength : public FpgaDownload, public testing::WithParamInterface<uint32_t> {};

TEST_P(FpgaDownloadLength, EveryByteArrivesInOrder) {
  std::vector<uint8_t> image(GetParam());
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 37 + 1);
  accepted(image);
  download.download(image.data(), GetParam(), status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(loader().received(), image);
  EXPECT_EQ(loader().wordWrites(), GetParam() / 4);
  EXPECT_EQ(loader().byteWrites(), GetParam() % 4);
}

INSTANTIATE_TEST_SUITE_P(Lengths, FpgaDownloadLength, testing::Values(1u, 3u, 4u, 5u, 4099u));

struct LoadFault {
  FpgaLoader::Fault fault;
  const char* message;
};

class FpgaDownloadFault : public FpgaDownload, public testing::WithParamInterface<LoadFault> {};

TEST_P(FpgaDownloadFault, FailsAsAHardwareFaultAndLeavesPort2Closed) {
  const std::vector<uint8_t> image = accepted({1, 2, 3, 4, 5, 6, 7, 8});
  loader().setProgrammed(true);
  ports().setPort2State(IoPortConfig::kOpen);
  loader().setFault(GetParam().fault);
  download.download(image.data(), static_cast<uint32_t>(image.size()), status);

  EXPECT_EQ(status.getCode(), vllym::kStatusHardwareFault);
  EXPECT_TRUE(sim::Console::contains(std::string("Error -63150 (StatusCode::HardwareFault): ") + GetParam().message));
  // Closed before the load, and not opened again.
  EXPECT_EQ(portStateWrites(), (std::vector<uint32_t>{1}));
  EXPECT_FALSE(ports().port2Open());
  EXPECT_FALSE(loader().programmed());
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FpgaDownloadFault,
    testing::Values(LoadFault{FpgaLoader::Fault::NeverReady, "timed out waiting for the FPGA to be ready to program"},
                    LoadFault{FpgaLoader::Fault::Fails, "fpga programming failed"},
                    LoadFault{FpgaLoader::Fault::FailsWithDone, "fpga programming failed"},
                    LoadFault{FpgaLoader::Fault::NeverEnds, "fpga programming status bit not set"}));

TEST_F(FpgaDownload, ReprogrammingClosesPort2FirstAndOpensItAfter) {
  const std::vector<uint8_t> image = accepted({9, 8, 7, 6});
  loader().setProgrammed(true);
  ports().setPort2State(IoPortConfig::kOpen);
  download.download(image.data(), 4, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(portStateWrites(), (std::vector<uint32_t>{1, 2}));
  // The port was closed before the loader was started.
  const auto traffic = offsetsOf(writesIn(board.bar0().traffic()));
  const auto start = std::find(traffic.begin(), traffic.end(), uint64_t{DownloadKmr4::kLoadingControl});
  EXPECT_NE(std::find(traffic.begin(), start, uint64_t{0x688}), start);
  EXPECT_TRUE(ports().port2Open());
}

TEST_F(FpgaDownload, ANullImageClearsTheFpgaWithoutACount) {
  loader().setProgrammed(true);
  ports().setPort2State(IoPortConfig::kOpen);
  download.download(nullptr, 0, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_FALSE(loader().programmed());
  EXPECT_EQ(loader().starts(), 1u);
  for (const BusAccess& access : writesIn(board.bar0().traffic())) EXPECT_NE(access.offset, DownloadKmr4::kByteCount);
  EXPECT_FALSE(ports().port2Open());
}

TEST_F(FpgaDownload, APageListImageStartsAtItsOffsetAndIsUnmappedAfter) {
  const uint64_t pageSize = nVLZUK100_getPageSize();
  std::vector<uint8_t> image(pageSize);
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i ^ 0x5A);
  accepted(image);
  // The image starts 12 bytes in, so its end lies on the second page.
  const uint64_t handle = nVLZUK220_tPageList_createFromAllocation(2, 0);
  ASSERT_NE(handle, 0u);
  std::copy(image.begin(), image.end(), sim::PageLists::find(handle)->host + 12);
  download.downloadFromPageList(nVLAPAL000::tPageList{pageSize, 12, handle}, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(loader().received(), image);
  EXPECT_EQ(sim::PageLists::kernelMappings(), 0u);

  sim::PageLists::kernelMappingFaults().failNth(1, 0);
  tStatus mappingFailure(tStatus::kFullSize);
  download.downloadFromPageList(nVLAPAL000::tPageList{pageSize, 12, handle}, mappingFailure);
  EXPECT_EQ(mappingFailure.getCode(), nVLAPALS100::kStatusOutOfMemory);
  nVLZUK220_tPageList_destroy(handle);
}

TEST_F(FpgaDownload, AnOffsetThatPushesTheEndOverAPageBoundaryMapsOneMorePage) {
  const uint64_t pageSize = nVLZUK100_getPageSize();
  const uint64_t handle = nVLZUK220_tPageList_createFromAllocation(1, nVLZUK_kPageListZeroed);
  accepted(std::vector<uint8_t>(pageSize - 12, 0));
  // Fits the one page: mapped and loaded.
  download.downloadFromPageList(nVLAPAL000::tPageList{pageSize - 12, 12, handle}, status);
  EXPECT_EQ(status.getCode(), 0);
  // One byte more needs a second page, which this list does not have.
  tStatus overThePage(tStatus::kFullSize);
  download.downloadFromPageList(nVLAPAL000::tPageList{pageSize - 11, 12, handle}, overThePage);
  EXPECT_EQ(overThePage.getCode(), nVLAPALS100::kStatusOutOfMemory);
  EXPECT_EQ(sim::PageLists::kernelMappings(), 0u);

  // The loader counts in 32 bits: a longer image is refused, not cut short.
  tStatus tooLong(tStatus::kFullSize);
  download.downloadFromPageList(nVLAPAL000::tPageList{uint64_t{1} << 32, 0, handle}, tooLong);
  EXPECT_EQ(tooLong.getCode(), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_EQ(loader().starts(), 1u);
  nVLZUK220_tPageList_destroy(handle);
}

}  // namespace
}  // namespace vltest
