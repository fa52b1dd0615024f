// What a register-map field access costs: by id (the generated hash, then
// mask and shift on the shadow), for one id and for ids in random order,
// against the nested register class of the same register (mask and shift
// only), against a std::unordered_map from id to field that a user might
// build instead, and against storing into a plain array for reference.
// Nothing touches the hardware.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <unordered_map>
#include <vector>

#include "Ratio.h"
#include "driver/regaccess/IoAccessorMappedPci.h"
#include "driver/regaccess/RegisterIds.h"
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

// Every id the map's set accepts, in a fixed random order.
std::vector<uint32_t> settableIdsInRandomOrder(const arm::tMapDescriptor& d) {
  std::vector<uint32_t> ids;
  for (uint32_t i = 0; i < d.itemCount; ++i) {
    if (d.items[i].id != arm::kNoItem && (d.items[i].accepts & arm::kAcceptsSet) != 0) ids.push_back(d.items[i].id);
  }
  std::vector<uint32_t> order;
  std::mt19937 random(12345);
  for (int i = 0; i < 4096; ++i) order.push_back(ids[random() % ids.size()]);
  return order;
}

const std::vector<uint32_t>& randomIds() {
  static const std::vector<uint32_t> ids = settableIdsInRandomOrder(tOstervaneWexelCoreRegMap::kDescriptor);
  return ids;
}

// What a user would build without the map's ids: id -> (word, mask, shift).
struct HashedField {
  uint32_t* word;
  uint32_t mask;
  uint32_t lowestBit;
};

struct HashedFields {
  HashedFields() {
    for (uint32_t id : randomIds()) {
      const uint32_t bit = arm::ids::kRegisterBit;
      fields[id] = HashedField{&words[id % 64], (id & bit) != 0 ? 0xFFFFFFFFu : 0xFFu << (id % 24), id % 24};
    }
    fields[kWindowOffsetOfWindow1] = HashedField{&words[1], 0xFFFFFF00u, 8};
  }
  void set(uint32_t id, uint64_t value) {
    const auto found = fields.find(id);
    if (found == fields.end()) return;
    HashedField& f = found->second;
    *f.word = (*f.word & ~f.mask) | ((static_cast<uint32_t>(value) << f.lowestBit) & f.mask);
  }
  uint32_t words[64] = {};
  std::unordered_map<uint32_t, HashedField> fields;
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

void BM_SetByRandomId(benchmark::State& state) {
  MapOnBoard m;
  const std::vector<uint32_t>& ids = randomIds();
  uint32_t value = 0;
  for (auto _ : state) {
    m.map.set(ids[value & 4095], value, m.status, 0);
    ++value;
    benchmark::ClobberMemory();
  }
  if (m.status.isFatal()) state.SkipWithError("set failed");
}
BENCHMARK(BM_SetByRandomId);

void BM_GetByRandomId(benchmark::State& state) {
  MapOnBoard m;
  const std::vector<uint32_t>& ids = randomIds();
  uint32_t next = 0;
  uint64_t value = 0;
  for (auto _ : state) {
    m.map.get(ids[next++ & 4095], value, m.status, 0);
    benchmark::DoNotOptimize(value);
  }
  if (m.status.isFatal()) state.SkipWithError("get failed");
}
BENCHMARK(BM_GetByRandomId);

void BM_SetThroughUnorderedMap(benchmark::State& state) {
  HashedFields fields;
  uint32_t value = 0;
  for (auto _ : state) {
    fields.set(kWindowOffsetOfWindow1, ++value);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_SetThroughUnorderedMap);

void BM_SetThroughUnorderedMapRandomId(benchmark::State& state) {
  HashedFields fields;
  const std::vector<uint32_t>& ids = randomIds();
  uint32_t value = 0;
  for (auto _ : state) {
    fields.set(ids[value & 4095], value);
    ++value;
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_SetThroughUnorderedMapRandomId);

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

// Goals: set and get by id at most 4x the nested class's setter, at most 6x
// with random ids.
// (One namespace per baseline: a subject names one ratio per scope.)
namespace versusNestedClass {
VL_BENCH_RATIO(BM_SetById, BM_SetByNestedClass);
VL_BENCH_RATIO(BM_GetById, BM_SetByNestedClass);
VL_BENCH_RATIO(BM_SetByRandomId, BM_SetByNestedClass);
VL_BENCH_RATIO(BM_GetByRandomId, BM_SetByNestedClass);
}  // namespace versusNestedClass
namespace versusNestedGetter {  // a getter is one load: for reference
VL_BENCH_RATIO(BM_GetById, BM_GetByNestedClass);
}  // namespace versusNestedGetter
namespace versusUnorderedMap {
VL_BENCH_RATIO(BM_SetById, BM_SetThroughUnorderedMap);
VL_BENCH_RATIO(BM_SetByRandomId, BM_SetThroughUnorderedMapRandomId);
}  // namespace versusUnorderedMap
namespace versusPlainArray {
VL_BENCH_RATIO(BM_SetById, BM_PlainArrayWrite);
VL_BENCH_RATIO(BM_SetByNestedClass, BM_PlainArrayWrite);
}  // namespace versusPlainArray

}  // namespace
