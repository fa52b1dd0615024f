// List-mode assembly: register writes appended to a compiled list against
// copying the same 16-byte records into a buffer with memcpy, the floor of
// any assembler. Each run compiles one list of 2000 writes (a list that fits
// the reserved buffer).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "Ratio.h"
#include "driver/listmode/CommandControl.h"
#include "driver/listmode/pcode/Assembler.h"

namespace {

using listmodek::pcode::Assembler;
using listmodek::pcode::Instruction;
using nVLAPALS100::tStatus;

constexpr uint32_t kWrites = 2000;

void BM_AssembleListWrites(benchmark::State& state) {
  tStatus status;
  Assembler assembler{status};
  assembler.setCapabilities(listmodek::CommandControl::traitsOf(0x28'00'01'FF'01));
  for (auto _ : state) {
    assembler.open(status);
    for (uint32_t i = 0; i < kWrites; ++i) assembler.emitWrite(3, i, uint64_t{i} * 0x9E3779B97F4A7C15ull, status);
    assembler.close(status);
    benchmark::DoNotOptimize(assembler.getBuffer().data);
  }
  if (status.isFatal()) state.SkipWithError("the list did not compile");
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kWrites));
}
BENCHMARK(BM_AssembleListWrites);

void BM_MemcpyListRecords(benchmark::State& state) {
  std::vector<uint64_t> buffer(Assembler::kReservedWords);
  for (auto _ : state) {
    for (uint32_t i = 0; i < kWrites; ++i) {
      const Instruction record{uint64_t{i} * 0x9E3779B97F4A7C15ull,
                               listmodek::pcode::header(listmodek::pcode::kWriteRegister, 0, 3, i)};
      std::memcpy(buffer.data() + 2 * i, &record, sizeof record);
    }
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kWrites));
}
BENCHMARK(BM_MemcpyListRecords);

VL_BENCH_RATIO(BM_AssembleListWrites, BM_MemcpyListRecords);

}  // namespace
