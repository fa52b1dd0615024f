#include "EngineBlockModel.h"

#include <algorithm>
#include <initializer_list>
#include <set>

namespace sim {

namespace {

struct Layout {
  std::vector<uint32_t> writeOnly, readOnly, readWrite, narrow;
};

std::vector<uint32_t> span(std::initializer_list<std::pair<uint32_t, uint32_t>> ranges) {
  std::vector<uint32_t> out;
  for (auto [first, last] : ranges) {
    for (uint32_t a = first; a <= last; ++a) out.push_back(a);
  }
  return out;
}

Layout layoutOf(EngineBlockModel::Block block) {
  switch (block) {
    case EngineBlockModel::Block::kGeneration:
      return {span({{0x10, 0x1B},
                    {0x20, 0x20},
                    {0x23, 0x23},
                    {0x27, 0x29},
                    {0x2B, 0x2C},
                    {0x30, 0x30},
                    {0x32, 0x33},
                    {0x40, 0x45},
                    {0x48, 0x4A},
                    {0x50, 0x51},
                    {0x60, 0x62},
                    {0x70, 0x70},
                    {0x90, 0x93}}),
              span({{0x21, 0x22}, {0x24, 0x26}, {0x2A, 0x2A}, {0x31, 0x31}, {0x46, 0x47}, {0x63, 0x65}, {0x71, 0x71}}),
              {},
              {}};
    case EngineBlockModel::Block::kAcquisition:
      return {
          span({{16, 18}, {20, 35}, {39, 40}, {48, 48}, {50, 52}, {64, 65}, {67, 70}, {80, 81}, {96, 97}, {128, 132}}),
          span({{36, 38}, {41, 41}, {49, 49}, {71, 71}, {73, 75}, {98, 101}}),
          {66, 72},
          {37, 40, 49, 71, 73}};
    case EngineBlockModel::Block::kShared:
      return {span({{1, 1}, {6, 6}, {16, 20}}), span({{0, 0}, {2, 5}}), {}, {}};
  }
  return {};
}

}  // namespace

EngineBlockModel::EngineBlockModel(Block block) {
  const Layout layout = layoutOf(block);
  const std::set<uint32_t> narrow(layout.narrow.begin(), layout.narrow.end());
  auto add = [&](const std::vector<uint32_t>& addresses, Access access) {
    for (uint32_t address : addresses) {
      define(address, access, narrow.count(address) == 0);
      if (access & kWrite) writable_.push_back(address);
      if (access & kRead) readable_.push_back(address);
      ++count_;
    }
  };
  add(layout.writeOnly, kWrite);
  add(layout.readOnly, kRead);
  add(layout.readWrite, kReadWrite);
  std::sort(writable_.begin(), writable_.end());
  std::sort(readable_.begin(), readable_.end());
}

}  // namespace sim
