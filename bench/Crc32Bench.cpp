// The driver's table-free CRC-32 against zlib's table-driven one over the
// same 64 KiB: the price of carrying no table.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdint>
#include <vector>

#include "Ratio.h"
#include "driver/platform/crc/Crc32.h"

namespace {

const std::vector<uint8_t>& block64KiB() {
  static const std::vector<uint8_t> block = [] {
    std::vector<uint8_t> bytes(64 * 1024);
    uint32_t x = 0x12345678u;
    for (uint8_t& byte : bytes) {
      x = x * 1664525u + 1013904223u;
      byte = static_cast<uint8_t>(x >> 24);
    }
    return bytes;
  }();
  return block;
}

void BM_Crc32_64KiB(benchmark::State& state) {
  const auto& block = block64KiB();
  for (auto _ : state) benchmark::DoNotOptimize(nVLAPAL000::crc32(block.data(), block.size()));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * block.size()));
}
BENCHMARK(BM_Crc32_64KiB);

void BM_ZlibCrc32_64KiB(benchmark::State& state) {
  const auto& block = block64KiB();
  for (auto _ : state) {
    benchmark::DoNotOptimize(crc32(0L, block.data(), static_cast<uInt>(block.size())));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * block.size()));
}
BENCHMARK(BM_ZlibCrc32_64KiB);

VL_BENCH_RATIO(BM_Crc32_64KiB, BM_ZlibCrc32_64KiB);

}  // namespace
