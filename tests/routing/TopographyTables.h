// Small routing topographies written as tables (terminals, edges in table
// order, exclusive groups), laid out as the generator lays out the board's,
// and a topography over them with host-backed allocators.
#ifndef VL9738K_TESTS_ROUTING_TOPOGRAPHYTABLES_H
#define VL9738K_TESTS_ROUTING_TOPOGRAPHYTABLES_H

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <numeric>
#include <vector>

#include "driver/routing/Topography.h"

namespace vltest::routing {

struct TerminalRow {
  uint8_t flags = 0;
  uint32_t group = 0;  // 1-based, 0 = none
  uint32_t selector = 1;
};

// Terminals by 1-based id; edges keep their order among those of a source.
struct EdgeRow {
  uint32_t from;
  uint32_t to;
  uint32_t cost;
  uint8_t inverting = 0;
  uint8_t isDefault = 0;
};

class TopographyTables {
 public:
  TopographyTables(std::vector<TerminalRow> terminals, const std::vector<EdgeRow>& edges,
                   std::vector<std::vector<uint32_t>> groupMemberIds = {})
      : groupMembers_(std::move(groupMemberIds)) {
    order_.resize(edges.size());
    std::iota(order_.begin(), order_.end(), 0u);
    std::stable_sort(order_.begin(), order_.end(),
                     [&](uint32_t a, uint32_t b) { return edges[a].from < edges[b].from; });
    for (uint32_t index = 0; index < order_.size(); ++index) {
      const EdgeRow& row = edges[order_[index]];
      edges_.push_back(vlark::Edge{row.cost, row.to - 1, {}, index, 1, row.inverting, row.isDefault, {}});
      items_.push_back(vlark::ProgrammingItem{512 + index, index});
    }
    for (uint32_t i = 0; i < terminals.size(); ++i) {
      vlark::Terminal t{i + 1,
                        terminals[i].selector,
                        0,
                        0,
                        static_cast<uint32_t>(incoming_.size()),
                        0,
                        terminals[i].group,
                        terminals[i].flags,
                        {}};
      for (uint32_t e = 0; e < edges_.size(); ++e) {
        if (edges[order_[e]].from != i + 1) continue;
        if (t.outgoingEdgeCount++ == 0) t.firstOutgoingEdge = e;
      }
      for (uint32_t e = 0; e < edges_.size(); ++e) {
        if (edges_[e].target != i) continue;
        incoming_.push_back(e);
        ++t.incomingEdgeCount;
      }
      terminals_.push_back(t);
    }
    for (auto& members : groupMembers_) {
      for (uint32_t& id : members) id -= 1;
      groups_.push_back(vlark::ExclusiveGroup{members.data(), {}, static_cast<uint32_t>(members.size()), 0});
    }
    descriptor_ = vlark::TopographyDescriptor{"tables",
                                              terminals_.data(),
                                              edges_.data(),
                                              groups_.data(),
                                              items_.data(),
                                              nullptr,
                                              incoming_.data(),
                                              static_cast<uint32_t>(terminals_.size()),
                                              static_cast<uint32_t>(edges_.size()),
                                              static_cast<uint32_t>(groups_.size()),
                                              1};
  }
  TopographyTables(const TopographyTables&) = delete;

  const vlark::TopographyDescriptor* descriptor() const { return &descriptor_; }
  // Where the n-th edge row landed in the edge table.
  uint32_t edgeIndex(uint32_t row) const {
    return static_cast<uint32_t>(std::find(order_.begin(), order_.end(), row) - order_.begin());
  }

 private:
  std::vector<uint32_t> order_;
  std::vector<vlark::Terminal> terminals_;
  std::vector<vlark::Edge> edges_;
  std::vector<vlark::ProgrammingItem> items_;
  std::vector<uint32_t> incoming_;
  std::vector<std::vector<uint32_t>> groupMembers_;
  std::vector<vlark::ExclusiveGroup> groups_;
  vlark::TopographyDescriptor descriptor_{};
};

// Host heap behind the topography's allocators, counting what is live and
// able to refuse the n-th request.
struct HostAllocator {
  int64_t live = 0;
  int64_t requests = 0;
  int64_t refuseAt = -1;
  static void* resize(void* old, uint64_t size, void* context) {
    auto& self = *static_cast<HostAllocator*>(context);
    if (old != nullptr) {
      std::free(old);
      --self.live;
    }
    if (size == 0 || self.requests++ == self.refuseAt) return nullptr;
    ++self.live;
    return std::malloc(size);
  }
};

// A topography over its own tables and working state.
class TopographyUnderTest {
 public:
  using Topography = vlark::Topography<vlark::Terminal*, vlark::Edge*>;

  explicit TopographyUnderTest(std::unique_ptr<TopographyTables> tables,
                               vlark::RouteProgrammerInterface* programmer = nullptr)
      : tables_(std::move(tables)),
        nodes_(tables_->descriptor()->terminalCount),
        edges_(tables_->descriptor()->edgeCount),
        slots_(nodes_.size()) {
    nVLAPALS100::tStatus status;
    topography_.init(tables_->descriptor(), nodes_.data(), edges_.data(), slots_.data(), programmer, status);
    topography_.setAllocators(&HostAllocator::resize, &allocator_, &HostAllocator::resize, &allocator_);
  }

  Topography& topography() { return topography_; }
  HostAllocator& allocator() { return allocator_; }
  const TopographyTables& tables() const { return *tables_; }
  vlark::EdgeState& edge(uint32_t row) { return edges_[tables_->edgeIndex(row)]; }
  vlark::TerminalNode* node(uint32_t id) { return &nodes_[id - 1]; }

 private:
  std::unique_ptr<TopographyTables> tables_;
  std::vector<vlark::TerminalNode> nodes_;
  std::vector<vlark::EdgeState> edges_;
  std::vector<vlark::OpenSetEntry> slots_;
  HostAllocator allocator_;
  Topography topography_;
};

}  // namespace vltest::routing

#endif
