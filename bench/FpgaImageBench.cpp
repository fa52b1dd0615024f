// Bring-up's image path: the embedded image decompressed into a page list
// and downloaded through the bridge's loader on the board model, against
// plain LZ4 decompression of the same block plus one pass over the result
// (the least any download must do). On the model every register write
// goes through the simulated bus (registry lookup, traffic record, the
// loader's own bookkeeping), which dominates; the free-bus variant shows
// the driver's own share.
#include <benchmark/benchmark.h>
#include <lz4.h>

#include <cstdint>
#include <vector>

#include "Ratio.h"
#include "driver/board/ConfigurationDravoKelvane.h"
#include "driver/fpga/DownloadKmr4.h"
#include "driver/fpga/FpgaImage.h"
#include "driver/platform/zuk/ZukDMA.h"
#include "driver/platform/zuk/ZukMemory.h"
#include "driver/regaccess/IoAccessorMappedPci.h"
#include "sim/board/Board.h"

namespace {

using nVLAPALS100::tStatus;
using vllym::FpgaImage;

void BM_FpgaImageDecompressAndDownload(benchmark::State& state) {
  sim::Board board;
  vllym::IoAccessorMappedPci bar0{sim::Board::kBar0Size, 0xF7E00000, board.bar0().mappedAddress(), 0};
  nVL9738K_24_0::ConfigurationDravoKelvane configuration(&bar0);
  vllym::DownloadKmr4 download(&bar0, &configuration);
  tStatus status;
  const FpgaImage image(FpgaImage::embeddedData(), FpgaImage::embeddedSize(), status);
  const uint64_t pageSize = nVLZUK100_getPageSize();
  const uint64_t pages = (image.getUncompressedSize() + pageSize - 1) / pageSize;
  const uint64_t handle = nVLZUK220_tPageList_createFromAllocation(pages, 7);
  const nVLAPAL000::tPageList list{image.getUncompressedSize(), 0, handle};
  for (auto _ : state) {
    auto* mapped = static_cast<uint8_t*>(nVLZUK220_tPageList_mapToKernel(handle, 0, pages, pageSize));
    image.decompress(mapped, pages * pageSize, status);
    nVLZUK220_tPageList_unmapFromKernel(handle, mapped);
    download.downloadFromPageList(list, status);
  }
  if (status.isFatal() || !board.bridge().fpgaLoader().programmed()) state.SkipWithError("the download failed");
  nVLZUK220_tPageList_destroy(handle);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * image.getUncompressedSize()));
}
BENCHMARK(BM_FpgaImageDecompressAndDownload)->Unit(benchmark::kMillisecond);

// The driver's own share: the same decompression and download into a bus
// that costs nothing (every write taken, the loader always ready and done, IO port 2
// open at once).
class FreeBus : public vllym::kernel::IIoAccessor {
 public:
  uint64_t read64(uint32_t, tStatus&) override { return 0; }
  uint32_t read32(uint32_t offset, tStatus&) override {
    switch (offset) {
      case vllym::DownloadKmr4::kLoadStatus:
        return vllym::DownloadKmr4::kReady | vllym::DownloadKmr4::kDone;
      case vllym::ConfigurationKmr4::kCommand:
        return vllym::ConfigurationKmr4::kReadComplete;
      case vllym::ConfigurationKmr4::kData:
        return vllym::ConfigurationKmr4::kPortOpen;
      default:
        return 0;
    }
  }
  uint16_t read16(uint32_t, tStatus&) override { return 0; }
  uint8_t read8(uint32_t, tStatus&) override { return 0; }
  void write64(uint32_t, uint64_t, tStatus&) override {}
  void write32(uint32_t, uint32_t value, tStatus&) override { sink_ ^= value; }
  void write16(uint32_t, uint16_t, tStatus&) override {}
  void write8(uint32_t, uint8_t value, tStatus&) override { sink_ ^= value; }
  void writeBlock(uint32_t, const uint8_t*, uint32_t, uint32_t, uint32_t, tStatus&) override {}
  void readBlock(uint32_t, uint8_t*, uint32_t, uint32_t, uint32_t, tStatus&) override {}
  uint64_t getSize() override { return 0x100000; }
  uint64_t getBusAddress() override { return 0; }
  uint8_t getFlag() override { return 0; }
  uint32_t sink() const { return sink_; }

 private:
  uint32_t sink_ = 0;
};

void BM_FpgaImageDecompressAndDownloadFreeBus(benchmark::State& state) {
  FreeBus bus;
  vllym::ConfigurationKmr4 configuration(&bus);
  vllym::DownloadKmr4 download(&bus, &configuration);
  tStatus status;
  const FpgaImage image(FpgaImage::embeddedData(), FpgaImage::embeddedSize(), status);
  std::vector<uint8_t> out(image.getUncompressedSize());
  for (auto _ : state) {
    image.decompress(out.data(), out.size(), status);
    download.download(out.data(), static_cast<uint32_t>(out.size()), status);
  }
  benchmark::DoNotOptimize(bus.sink());
  if (status.isFatal()) state.SkipWithError("the download failed");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * out.size()));
}
BENCHMARK(BM_FpgaImageDecompressAndDownloadFreeBus)->Unit(benchmark::kMillisecond);

void BM_Lz4DecompressAndOnePass(benchmark::State& state) {
  tStatus status;
  const FpgaImage image(FpgaImage::embeddedData(), FpgaImage::embeddedSize(), status);
  std::vector<uint8_t> out(image.getUncompressedSize());
  for (auto _ : state) {
    LZ4_decompress_safe(reinterpret_cast<const char*>(image.getBlock()), reinterpret_cast<char*>(out.data()),
                        static_cast<int>(image.getBlockSize()), static_cast<int>(out.size()));
    uint32_t sum = 0;
    for (size_t i = 0; i + 4 <= out.size(); i += 4) {
      uint32_t word;
      __builtin_memcpy(&word, out.data() + i, 4);
      sum ^= word;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * out.size()));
}
BENCHMARK(BM_Lz4DecompressAndOnePass)->Unit(benchmark::kMillisecond);

VL_BENCH_RATIO(BM_FpgaImageDecompressAndDownload, BM_Lz4DecompressAndOnePass);
VL_BENCH_RATIO(BM_FpgaImageDecompressAndDownloadFreeBus, BM_Lz4DecompressAndOnePass);

}  // namespace
