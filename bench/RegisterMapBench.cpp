// What a register-map field access costs against storing the same value in
// a plain array: by id (a lookup in the sorted id table, then mask and
// shift on the shadow) and through the nested register class (mask and
// shift only). Neither touches the hardware.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "Ratio.h"
#include "driver/regaccess/IoAccessorMappedPci.h"
#include "driver/regmaps/bridge/tOstervaneWexelCoreRegMap.h"
#include "sim/board/Board.h"

namespace {

using nVL9738K_24_0::nKMR4::tOstervaneWexelCoreRegMap;

constexpr uint32_t kWindowOffsetOfWindow1 = 0x040000C4;  // WindowOffset of configuration-port window 1

struct MapOnBoard {
  sim::Board board;
  vllym::IoAccessorMappedPci accessor{sim::Board::kBar0Size, 0xF7E00000, board.bar0().mappedAddress(), 0};
  tOstervaneWexelCoreRegMap map{&accessor, 0, 0, 0xFFFFFFFF};
  nVLAPALS100::tStatus status;
};

void BM_PlainArrayWrite(benchmark::State& state) {
  uint32_t words[64] = {};
  uint32_t value = 0;
  for (auto _ : state) {
    words[1] = ++value;
    benchmark::DoNotOptimize(words);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_PlainArrayWrite);

void BM_SetById(benchmark::State& state) {
  MapOnBoard m;
  uint32_t value = 0;
  for (auto _ : state) {
    m.map.set(kWindowOffsetOfWindow1, ++value, m.status, 0);
    benchmark::ClobberMemory();
  }
  if (m.status.isFatal()) state.SkipWithError("set failed");
}
BENCHMARK(BM_SetById);

void BM_GetById(benchmark::State& state) {
  MapOnBoard m;
  uint64_t value = 0;
  for (auto _ : state) {
    m.map.get(kWindowOffsetOfWindow1, value, m.status, 0);
    benchmark::DoNotOptimize(value);
  }
  if (m.status.isFatal()) state.SkipWithError("get failed");
}
BENCHMARK(BM_GetById);

void BM_SetByNestedClass(benchmark::State& state) {
  MapOnBoard m;
  uint32_t value = 0;
  for (auto _ : state) {
    m.map.ConfPortWindowBase[1].setWindowOffset(++value, m.status);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_SetByNestedClass);

void BM_GetByNestedClass(benchmark::State& state) {
  MapOnBoard m;
  for (auto _ : state) {
    benchmark::DoNotOptimize(m.map.ConfPortWindowBase[1].getWindowOffset());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_GetByNestedClass);

VL_BENCH_RATIO(BM_SetById, BM_PlainArrayWrite);
VL_BENCH_RATIO(BM_GetById, BM_PlainArrayWrite);
VL_BENCH_RATIO(BM_SetByNestedClass, BM_PlainArrayWrite);
VL_BENCH_RATIO(BM_GetByNestedClass, BM_PlainArrayWrite);

}  // namespace
