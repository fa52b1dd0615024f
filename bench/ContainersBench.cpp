// The container library against the host's standard containers on the
// same work (both allocate through the kernel layer here): growing a
// vector by appends, and filling an ordered map in scattered key order.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <vector>

#include "Ratio.h"
#include "driver/platform/containers/Vector.h"
#include "driver/platform/containers/VlhtlMap.h"

namespace {

constexpr uint32_t kCount = 1000;

uint32_t scattered(uint32_t i) { return (i * 2654435761u) >> 8; }

void BM_VlhtlVectorAppend1000(benchmark::State& state) {
  for (auto _ : state) {
    nVLAPALS100::tStatus status;
    vlhtl::Vector<uint32_t> vector;
    for (uint32_t i = 0; i < kCount; ++i) vector.push_back(i, status);
    benchmark::DoNotOptimize(vector.data());
  }
}
BENCHMARK(BM_VlhtlVectorAppend1000);

void BM_StdVectorAppend1000(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<uint32_t> vector;
    for (uint32_t i = 0; i < kCount; ++i) vector.push_back(i);
    benchmark::DoNotOptimize(vector.data());
  }
}
BENCHMARK(BM_StdVectorAppend1000);

void BM_VlhtlMapInsert1000(benchmark::State& state) {
  for (auto _ : state) {
    nVLAPALS100::tStatus status;
    vlhtl::Map<uint32_t, uint32_t> map;
    for (uint32_t i = 0; i < kCount; ++i) map.insert(scattered(i), i, status);
    benchmark::DoNotOptimize(map.size());
  }
}
BENCHMARK(BM_VlhtlMapInsert1000);

void BM_StdMapInsert1000(benchmark::State& state) {
  for (auto _ : state) {
    std::map<uint32_t, uint32_t> map;
    for (uint32_t i = 0; i < kCount; ++i) map.emplace(scattered(i), i);
    benchmark::DoNotOptimize(map.size());
  }
}
BENCHMARK(BM_StdMapInsert1000);

VL_BENCH_RATIO(BM_VlhtlVectorAppend1000, BM_StdVectorAppend1000);
VL_BENCH_RATIO(BM_VlhtlMapInsert1000, BM_StdMapInsert1000);

}  // namespace
