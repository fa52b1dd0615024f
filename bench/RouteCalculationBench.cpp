// Route calculation on a topography of the board's shape (266 terminals,
// 6,816 edges: a reset source feeding the 128 terminals that have inputs,
// 173 terminals driving them at costs 68, 98 and 164) against a binary-heap
// Dijkstra search over the same tables with the host's containers, which
// also returns its paths.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <queue>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "Ratio.h"
#include "driver/board/routing/TopSerapinReferenceFpgaRoutingResources.h"
#include "tests/routing/TopographyTables.h"

namespace {

using vltest::routing::TopographyTables;
using vltest::routing::TopographyUnderTest;

constexpr uint32_t kTerminals = 266;
constexpr uint32_t kFirstDriven = 2;  // ids 2..129 have inputs
constexpr uint32_t kLastDriven = 129;
constexpr uint32_t kFirstSource = 130;  // ids 130..266 only drive
constexpr uint32_t kLastHub = 37;       // ids 2..37 both drive and are driven

// The board's shape as table text (see the tests' table notation).
std::string boardShapedTopography() {
  std::mt19937 random(9738);
  std::ostringstream text;
  text << 'n' << kTerminals << ' ';
  for (uint32_t id = kFirstSource; id < kFirstSource + 62; ++id) text << 'e' << id << ' ';
  for (uint32_t id = kFirstDriven; id <= kLastDriven; ++id) text << "1>" << id << ":0d ";
  std::vector<uint32_t> sources;
  for (uint32_t id = kFirstDriven; id <= kLastHub; ++id) sources.push_back(id);
  for (uint32_t id = kFirstSource; id <= kTerminals; ++id) sources.push_back(id);
  std::discrete_distribution<int> costClass({1024, 3072, 2592});
  const uint32_t costs[] = {68, 98, 164};
  for (uint32_t id = kFirstDriven; id <= kLastDriven; ++id) {
    // 32 terminals with 33 inputs, 64 with 49 and 32 with 82, reset included.
    const uint32_t inputs = id < 34 ? 32 : id < 98 ? 48 : 81;
    std::shuffle(sources.begin(), sources.end(), random);
    for (uint32_t k = 0, taken = 0; taken < inputs; ++k) {
      if (sources[k] == id) continue;
      text << sources[k] << '>' << id << ':' << costs[costClass(random)] << ' ';
      ++taken;
    }
  }
  return text.str();
}

const std::vector<vlark::RouteCalculationSeedBase> kSeeds = {{240, 0, 0, {}}, {20, 30, 0, {}}};
const std::vector<uint32_t> kDestinations = {60, 90, 120, 129, 5};

// A reused grow-only arena: one block, rewound after every calculation.
struct Arena {
  std::vector<std::max_align_t> block = std::vector<std::max_align_t>(8192);
  size_t used = 0;
  static void* resize(void*, uint64_t size, void* context) {
    auto& self = *static_cast<Arena*>(context);
    if (size == 0) return nullptr;
    const size_t units = (size + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t);
    if (self.used + units > self.block.size()) return nullptr;
    void* result = &self.block[self.used];
    self.used += units;
    return result;
  }
};

void BM_CalculateRouteBoard(benchmark::State& state) {
  TopographyUnderTest t(boardShapedTopography());
  Arena arena;
  t.topography().setAllocators(&Arena::resize, &arena, &Arena::resize, &arena);
  for (auto _ : state) {
    nVLAPALS100::tStatus status;
    vlark::Route** routes = nullptr;
    uint32_t count = 0;
    t.topography().calculateRoute(1, kSeeds.data(), static_cast<uint32_t>(kSeeds.size()), nullptr, kDestinations.data(),
                                  static_cast<uint32_t>(kDestinations.size()), 0, routes, count, status);
    if (count != kDestinations.size() || status.isFatal()) state.SkipWithError("not every destination was reached");
    benchmark::DoNotOptimize(routes);
    t.topography().destroyRouteArray(routes, count);
    arena.used = 0;
  }
}
BENCHMARK(BM_CalculateRouteBoard);

// The textbook search: distances, predecessors and a lazy-deletion heap in
// host containers, stopping once every destination is settled.
std::vector<std::vector<uint32_t>> heapDijkstra(const vlark::TopographyDescriptor& d,
                                                const std::vector<vlark::RouteCalculationSeedBase>& kSeeds = ::kSeeds,
                                                const std::vector<uint32_t>& kDestinations = ::kDestinations) {
  std::vector<uint64_t> distance(d.terminalCount, UINT64_MAX);
  std::vector<uint32_t> predecessor(d.terminalCount, UINT32_MAX);
  std::vector<bool> wanted(d.terminalCount, false);
  for (uint32_t id : kDestinations) wanted[id - 1] = true;
  using Entry = std::pair<uint64_t, uint32_t>;
  std::priority_queue<Entry, std::vector<Entry>, std::greater<>> open;
  for (const auto& s : kSeeds) {
    distance[s.terminalId - 1] = s.initialCost;
    open.emplace(s.initialCost, s.terminalId - 1);
  }
  size_t left = kDestinations.size();
  while (!open.empty() && left != 0) {
    const auto [cost, at] = open.top();
    open.pop();
    if (cost != distance[at]) continue;
    if (wanted[at]) --left;
    const vlark::Terminal& t = d.terminals[at];
    for (uint32_t e = t.firstOutgoingEdge; e < t.firstOutgoingEdge + t.outgoingEdgeCount; ++e) {
      const vlark::Edge& edge = d.edges[e];
      if (cost + edge.cost < distance[edge.target]) {
        distance[edge.target] = cost + edge.cost;
        predecessor[edge.target] = at;
        open.emplace(distance[edge.target], edge.target);
      }
    }
  }
  std::vector<std::vector<uint32_t>> paths;
  for (uint32_t id : kDestinations) {
    std::vector<uint32_t> path;
    for (uint32_t at = id - 1; at != UINT32_MAX; at = predecessor[at]) path.insert(path.begin(), at);
    paths.push_back(std::move(path));
  }
  return paths;
}

void BM_HeapDijkstraBoard(benchmark::State& state) {
  const TopographyTables tables(boardShapedTopography());
  for (auto _ : state) {
    auto paths = heapDijkstra(*tables.descriptor());
    benchmark::DoNotOptimize(paths.data());
  }
}
BENCHMARK(BM_HeapDijkstraBoard);

VL_BENCH_RATIO(BM_CalculateRouteBoard, BM_HeapDijkstraBoard);

// The same on the board's own generated topography, inside its routing
// resources: a wide source and a middle feeder towards middle and wide
// targets outside the exclusive groups (a group's members would be sought
// as well, which the textbook search does not do).
const std::vector<vlark::RouteCalculationSeedBase> kGeneratedSeeds = {{2, 0, 0, {}}, {59, 30, 0, {}}};
const std::vector<uint32_t> kGeneratedDestinations = {131, 136, 169, 185, 200};

void BM_CalculateRouteGenerated(benchmark::State& state) {
  nVLAPALS100::tStatus status;
  auto resources = std::make_unique<topSerapinReferenceFpga::RoutingResources>(
      nullptr, status, &topSerapinReferenceFpga::RoutingResources::platformResize, nullptr, nullptr);
  auto& topography = resources->topography();
  Arena arena;
  topography.setAllocators(&Arena::resize, &arena, &Arena::resize, &arena);
  for (auto _ : state) {
    vlark::Route** routes = nullptr;
    uint32_t count = 0;
    topography.calculateRoute(1, kGeneratedSeeds.data(), static_cast<uint32_t>(kGeneratedSeeds.size()), nullptr,
                              kGeneratedDestinations.data(), static_cast<uint32_t>(kGeneratedDestinations.size()), 0,
                              routes, count, status);
    if (count != kGeneratedDestinations.size() || status.isFatal()) state.SkipWithError("a destination was missed");
    benchmark::DoNotOptimize(routes);
    topography.destroyRouteArray(routes, count);
    arena.used = 0;
  }
}
BENCHMARK(BM_CalculateRouteGenerated);

void BM_HeapDijkstraGenerated(benchmark::State& state) {
  for (auto _ : state) {
    auto paths = heapDijkstra(topSerapinReferenceFpga::kTopography, kGeneratedSeeds, kGeneratedDestinations);
    benchmark::DoNotOptimize(paths.data());
  }
}
BENCHMARK(BM_HeapDijkstraGenerated);

VL_BENCH_RATIO(BM_CalculateRouteGenerated, BM_HeapDijkstraGenerated);

}  // namespace
