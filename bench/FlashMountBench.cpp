// Mounting the partition store: the manager reads a table of 64 entries
// through the controller and the bridge's paged window, checks its CRC and
// builds its partitions. Baseline: copying the same table record out of
// memory and checking its CRC, which is the least any mount must do.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "Ratio.h"
#include "driver/flash/FlashPartitionManager.h"
#include "driver/flash/OVCalEEPROMController.h"
#include "driver/platform/crc/Crc32.h"
#include "driver/regaccess/IoAccessorMappedPci.h"
#include "driver/regmaps/bridge/tOstervaneWexelCoreRegMap.h"
#include "sim/board/Board.h"
#include "sim/board/FlashImage.h"

namespace {

constexpr uint32_t kEntries = 64;

void append32(std::vector<uint8_t>& bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// The table record: 64 partitions of 100 bytes, one sector each.
std::vector<uint8_t> tableRecord() {
  std::vector<uint8_t> bytes = {1, 1};
  append32(bytes, 14);
  append32(bytes, 17);
  append32(bytes, kEntries);
  for (uint32_t i = 0; i < kEntries; ++i) {
    for (uint32_t word : {100 + i, i * 0x10000, 100u, 104u}) append32(bytes, word);
    bytes.push_back(0);
  }
  append32(bytes, nVLAPAL000::crc32(bytes.data(), bytes.size()));
  return bytes;
}

void BM_FlashMount64Partitions(benchmark::State& state) {
  sim::Board board;
  const std::vector<uint8_t> record = tableRecord();
  board.flash().load(sim::FlashLayout::kPartitionTableA, record.data(), record.size());
  vllym::IoAccessorMappedPci bar0(sim::Board::kBar0Size, 0xF7E00000, board.bar0().mappedAddress(), 0);
  nVL9738K_24_0::nKMR4::tOstervaneWexelCoreRegMap core(&bar0, 0, 0, 0xFFFFFFFF);
  nVLAPALS100::tStatus status;
  const uint32_t base = bar0.read32(0xC0, status);
  const nVL9738K_24_0::BoardWindow window{0xF7E00000, board.bar0().mappedAddress(), base & ~0xFFu, 1u << (base & 31)};
  nVL9738K_24_0::OVCalEEPROMController controller(window, core.ConfPortWindowControl[0], status);
  const qrtk::FlashPartitionManager::tIdVector noCore;
  for (auto _ : state) {
    qrtk::FlashPartitionManager manager(&controller, noCore, rfplatki::FlashId{}, false, status);
    benchmark::DoNotOptimize(manager.isMounted());
  }
  if (status.isFatal()) state.SkipWithError("mount failed");
}
BENCHMARK(BM_FlashMount64Partitions);

void BM_TableRecordCopyAndCrc(benchmark::State& state) {
  const std::vector<uint8_t> record = tableRecord();
  std::vector<uint8_t> copy(record.size());
  for (auto _ : state) {
    std::memcpy(copy.data(), record.data(), record.size());
    benchmark::DoNotOptimize(nVLAPAL000::crc32(copy.data(), copy.size() - 4));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_TableRecordCopyAndCrc);

VL_BENCH_RATIO(BM_FlashMount64Partitions, BM_TableRecordCopyAndCrc);

}  // namespace
