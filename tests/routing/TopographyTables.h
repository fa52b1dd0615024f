// Small routing topographies written as text and laid out as the generator
// lays out the board's tables, and a topography over them with host-backed
// allocators.
//
// "1>2:5" is an edge T1 -> T2 of cost 5 (suffix i inverting, d default);
// "e2", "x2", "k2" give T2 the endpoint-only, exclusive-use and
// keep-on-unprogram flags; "g3,4" is an exclusive group whose members T3
// and T4 refer to it; "n6" asks for at least six terminals. Edges keep the
// order written among those of one source; edge rows count in that order.
#ifndef VL9738K_TESTS_ROUTING_TOPOGRAPHYTABLES_H
#define VL9738K_TESTS_ROUTING_TOPOGRAPHYTABLES_H

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "driver/routing/Topography.h"

namespace vltest::routing {

class TopographyTables {
 public:
  explicit TopographyTables(const std::string& text) {
    std::istringstream in(text);
    for (std::string token; in >> token;) read(token);
    order_.resize(rows_.size());
    std::iota(order_.begin(), order_.end(), 0u);
    std::stable_sort(order_.begin(), order_.end(),
                     [&](uint32_t a, uint32_t b) { return rows_[a].from < rows_[b].from; });
    for (uint32_t index = 0; index < order_.size(); ++index) {
      const Row& row = rows_[order_[index]];
      edges_.push_back(vlark::Edge{row.cost, row.to - 1, {}, index, 1, row.inverting, row.isDefault, {}});
      items_.push_back(vlark::ProgrammingItem{512 + index, index});
    }
    for (uint32_t i = 0; i < terminals_.size(); ++i) {
      vlark::Terminal& t = terminals_[i];
      t.id = i + 1;
      t.programmerSelector = 1;
      t.firstIncomingSlot = static_cast<uint32_t>(incoming_.size());
      for (uint32_t e = 0; e < edges_.size(); ++e) {
        if (rows_[order_[e]].from == i + 1 && t.outgoingEdgeCount++ == 0) t.firstOutgoingEdge = e;
        if (edges_[e].target == i) incoming_.push_back(e), ++t.incomingEdgeCount;
      }
    }
    for (auto& members : members_) {
      groups_.push_back(vlark::ExclusiveGroup{members.data(), {}, static_cast<uint32_t>(members.size()), 0});
    }
    const auto count = [](const auto& table) { return static_cast<uint32_t>(table.size()); };
    descriptor_ =
        vlark::TopographyDescriptor{"tables", terminals_.data(), edges_.data(),     groups_.data(), items_.data(),
                                    nullptr,  incoming_.data(),  count(terminals_), count(edges_),  count(groups_),
                                    1};
  }
  TopographyTables(const TopographyTables&) = delete;

  const vlark::TopographyDescriptor* descriptor() const { return &descriptor_; }
  // Where the n-th edge written landed in the edge table.
  uint32_t edgeIndex(uint32_t row) const {
    return static_cast<uint32_t>(std::find(order_.begin(), order_.end(), row) - order_.begin());
  }

 private:
  struct Row {
    uint32_t from = 0, to = 0, cost = 0;
    uint8_t inverting = 0, isDefault = 0;
  };

  vlark::Terminal& terminal(uint32_t id) {
    if (terminals_.size() < id) terminals_.resize(id, vlark::Terminal{});
    return terminals_[id - 1];
  }

  void read(const std::string& token) {
    const bool edge = token[0] >= '0' && token[0] <= '9';
    std::istringstream item(edge ? token : token.substr(1));
    uint32_t id = 0;
    char separator = 0;
    if (edge) {
      Row row;
      std::string flags;
      item >> row.from >> separator >> row.to >> separator >> row.cost >> flags;
      row.inverting = flags.find('i') != std::string::npos;
      row.isDefault = flags.find('d') != std::string::npos;
      terminal(std::max(row.from, row.to));
      rows_.push_back(row);
    } else if (token[0] == 'g') {
      members_.emplace_back();
      for (; item >> id; item >> separator) {
        members_.back().push_back(id - 1);
        terminal(id).exclusiveGroup = static_cast<uint32_t>(members_.size());
      }
    } else {
      item >> id;
      const char flag = token[0];
      terminal(id).flags |= flag == 'e'   ? vlark::kTerminalEndpointOnly
                            : flag == 'x' ? vlark::kTerminalExclusiveUse
                            : flag == 'k' ? vlark::kTerminalKeepOnUnprogram
                                          : 0;
    }
  }

  std::vector<Row> rows_;
  std::vector<uint32_t> order_;
  std::vector<vlark::Terminal> terminals_;
  std::vector<vlark::Edge> edges_;
  std::vector<vlark::ProgrammingItem> items_;
  std::vector<uint32_t> incoming_;
  std::vector<std::vector<uint32_t>> members_;
  std::vector<vlark::ExclusiveGroup> groups_;
  vlark::TopographyDescriptor descriptor_{};
};

// Host heap behind the topography's allocators, counting what is live and
// able to refuse the request numbered `refuseAt` (from 0); when `poison`
// is set it hands out blocks filled with 0xA5, never zeroed, as the
// device's caller-buffer allocator does.
struct HostAllocator {
  int64_t live = 0;
  int64_t requests = 0;
  int64_t refuseAt = -1;
  bool poison = false;
  static void* resize(void* old, uint64_t size, void* context) {
    auto& self = *static_cast<HostAllocator*>(context);
    if (old != nullptr) std::free(old), --self.live;
    if (size == 0 || self.requests++ == self.refuseAt) return nullptr;
    ++self.live;
    return self.poison ? std::memset(std::malloc(size), 0xA5, size) : std::malloc(size);
  }
};

// A topography over its own tables and working state.
class TopographyUnderTest {
 public:
  explicit TopographyUnderTest(const std::string& text, vlark::RouteProgrammerInterface* programmer = nullptr)
      : tables_(text), nodes_(terminalCount()), edges_(tables_.descriptor()->edgeCount), slots_(nodes_.size()) {
    nVLAPALS100::tStatus status;
    topography_.init(tables_.descriptor(), nodes_.data(), edges_.data(), slots_.data(), programmer, status);
    topography_.setAllocators(&HostAllocator::resize, &allocator_, &HostAllocator::resize, &allocator_);
  }

  vlark::Topography<vlark::Terminal*, vlark::Edge*>& topography() { return topography_; }
  HostAllocator& allocator() { return allocator_; }
  vlark::EdgeState& edge(uint32_t row) { return edges_[tables_.edgeIndex(row)]; }
  vlark::TerminalNode* node(uint32_t id) { return &nodes_[id - 1]; }

 private:
  uint32_t terminalCount() const { return tables_.descriptor()->terminalCount; }

  TopographyTables tables_;
  std::vector<vlark::TerminalNode> nodes_;
  std::vector<vlark::EdgeState> edges_;
  std::vector<vlark::OpenSetEntry> slots_;
  HostAllocator allocator_;
  vlark::Topography<vlark::Terminal*, vlark::Edge*> topography_;
};

}  // namespace vltest::routing

#endif
