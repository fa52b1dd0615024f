// Routing resources over small text tables, with a logging programmer and
// a caller-buffer allocator that hands out poisoned (never zeroed) blocks
// without copying, as the device's own does.
#ifndef VL9738K_TESTS_ROUTING_ROUTINGRESOURCESFIXTURE_H
#define VL9738K_TESTS_ROUTING_ROUTINGRESOURCESFIXTURE_H

#include <memory>
#include <string>
#include <vector>

#include "LoggingProgrammer.h"
#include "TopographyTables.h"
#include "driver/routing/RoutingResources.h"

namespace vltest::routing {

class ResourcesUnderTest {
 public:
  explicit ResourcesUnderTest(const std::string& text)
      : tables_(text),
        nodes_(tables_.descriptor()->terminalCount),
        edges_(tables_.descriptor()->edgeCount),
        slots_(nodes_.size()) {
    nVLAPALS100::tStatus status;
    resources_ = std::make_unique<vlark::RoutingResources<vlark::Terminal*, vlark::Edge*>>(
        tables_.descriptor(), nodes_.data(), edges_.data(), slots_.data(), &programmer, &HostAllocator::resize,
        &callerBuffers, nullptr, status);
    EXPECT_EQ(status.getCode(), 0);
  }

  vlark::RoutingResources<vlark::Terminal*, vlark::Edge*>& operator*() { return *resources_; }
  vlark::RoutingResources<vlark::Terminal*, vlark::Edge*>* operator->() { return resources_.get(); }
  void destroy() { resources_.reset(); }
  vlark::EdgeState& edge(uint32_t row) { return edges_[tables_.edgeIndex(row)]; }

  // Calculates from plain seeds and returns the result records.
  std::vector<vlark::RoutePossibilityBase> calculate(const std::vector<vlark::RouteCalculationSeedBase>& seeds,
                                                     const std::vector<uint32_t>& destinations,
                                                     nVLAPALS100::tStatus& status, uint32_t* result = nullptr,
                                                     uint64_t owner = 7) {
    vlark::RoutePossibilityBase* buffer = nullptr;
    uint32_t count = 0;
    const uint32_t r =
        resources_->calculateRoute(owner, seeds.data(), static_cast<uint32_t>(seeds.size()), destinations.data(),
                                   static_cast<uint32_t>(destinations.size()), 0, buffer, count, status);
    if (result != nullptr) *result = r;
    std::vector<vlark::RoutePossibilityBase> records(buffer, buffer + count);
    HostAllocator::resize(buffer, 0, &callerBuffers);
    return records;
  }
  // The one route from `from` to `to`, owned by `to`.
  uint32_t route(uint32_t from, uint32_t to) {
    nVLAPALS100::tStatus status;
    const auto records = calculate({{from, 0, 0, {}}}, {to}, status, nullptr, to);
    EXPECT_EQ(records.size(), 1u);
    return records.empty() ? 0 : records[0].routeId;
  }
  int64_t reserve(uint32_t id, std::vector<vlark::RouteConflict>* conflicts = nullptr) {
    nVLAPALS100::tStatus status;
    vlark::RouteConflict* buffer = nullptr;
    uint32_t count = 0;
    resources_->reserveRoute(id, buffer, count, status);
    if (conflicts != nullptr) conflicts->assign(buffer, buffer + count);
    HostAllocator::resize(buffer, 0, &callerBuffers);
    return status.getCode();
  }
  int64_t program(uint32_t id) {
    nVLAPALS100::tStatus status;
    resources_->programRoute(id, status);
    return status.getCode();
  }

  LoggingProgrammer programmer;
  HostAllocator callerBuffers{.poison = true};

 private:
  TopographyTables tables_;
  std::vector<vlark::TerminalNode> nodes_;
  std::vector<vlark::EdgeState> edges_;
  std::vector<vlark::OpenSetEntry> slots_;
  std::unique_ptr<vlark::RoutingResources<vlark::Terminal*, vlark::Edge*>> resources_;
};

}  // namespace vltest::routing

#endif
