#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <random>
#include <vector>

#include "driver/platform/containers/VlitlMap.h"

namespace {

struct Partition {
  uint32_t key = 0;
  int serial = 0;
  vlitl_RBNode mapNode = {0, {nullptr, nullptr}};
};

using PartitionMap = vlitl::Map<uint32_t, Partition, &Partition::key, &Partition::mapNode>;

std::vector<int> serialsInOrder(const PartitionMap& map) {
  std::vector<int> serials;
  for (Partition* p = map.first(); p != nullptr; p = map.next(p)) serials.push_back(p->serial);
  return serials;
}

std::vector<int> serialsBackwards(const PartitionMap& map) {
  std::vector<int> serials;
  for (Partition* p = map.last(); p != nullptr; p = map.previous(p)) serials.insert(serials.begin(), p->serial);
  return serials;
}

// Checks the red-black rules below `node`; returns its black height, or -1.
int blackHeight(const vlitl_RBNode* node, const vlitl_RBNode* parent) {
  if (node == nullptr) return 1;
  if (vlitl::rbParent(node) != parent) return -1;
  if (!vlitl::rbIsBlack(node) && (!vlitl::rbIsBlack(node->child[0]) || !vlitl::rbIsBlack(node->child[1]))) {
    return -1;
  }
  const int left = blackHeight(node->child[0], node);
  const int right = blackHeight(node->child[1], node);
  if (left < 0 || left != right) return -1;
  return left + (vlitl::rbIsBlack(node) ? 1 : 0);
}

// The head is the map's only member; its root word is the second one.
const vlitl_RBNode* rootOf(const PartitionMap& map) { return reinterpret_cast<const vlitl_MapHead*>(&map)->root; }

bool holdsTheRules(const PartitionMap& map) {
  const vlitl_RBNode* root = rootOf(map);
  if (root == nullptr) return true;
  return vlitl::rbIsBlack(root) && blackHeight(root, nullptr) > 0 &&
         root->parent == (reinterpret_cast<uint64_t>(&map) | 1);
}

TEST(IntrusiveMap, RandomInsertsAndErasesKeepTheRulesAndTheOrder) {
  const unsigned seed = 97531;
  std::mt19937 random(seed);
  constexpr int kPool = 600;
  std::vector<std::unique_ptr<Partition>> pool;
  for (int i = 0; i < kPool; ++i) pool.push_back(std::make_unique<Partition>());
  std::vector<bool> linked(kPool, false);
  // Reference: equal keys in insertion order, as a multimap keeps them.
  std::multimap<uint32_t, int> reference;
  PartitionMap map;
  int serial = 0;
  for (int step = 0; step < 20000; ++step) {
    const int index = static_cast<int>(random() % kPool);
    Partition& part = *pool[index];
    if (!linked[index]) {
      part.key = random() % 200;
      part.serial = serial++;
      map.insert(part);
      reference.emplace(part.key, part.serial);
    } else {
      map.erase(part);
      for (auto it = reference.lower_bound(part.key);; ++it) {
        if (it->second == part.serial) {
          reference.erase(it);
          break;
        }
      }
      ASSERT_EQ(part.mapNode.parent, 0u);
    }
    linked[index] = !linked[index];
    if (step % 50 != 0) continue;
    std::vector<int> expected;
    for (const auto& [key, s] : reference) expected.push_back(s);
    ASSERT_EQ(serialsInOrder(map), expected) << "seed " << seed << " step " << step;
    ASSERT_EQ(serialsBackwards(map), expected) << "seed " << seed << " step " << step;
    ASSERT_TRUE(holdsTheRules(map)) << "seed " << seed << " step " << step;
    // Lookup finds the first of equal keys, in insertion order.
    const uint32_t key = random() % 200;
    const auto found = reference.lower_bound(key);
    Partition* element = map.find(key);
    ASSERT_EQ(element == nullptr, found == reference.end() || found->first != key) << key;
    if (element != nullptr) {
      ASSERT_EQ(element->serial, found->second) << key;
    }
  }
}

TEST(IntrusiveMap, ClearUnlinksEveryElementSoThatItCanBeInsertedAgain) {
  PartitionMap map;
  EXPECT_EQ(map.first(), nullptr);
  EXPECT_EQ(map.last(), nullptr);
  Partition parts[50];
  for (int i = 0; i < 50; ++i) {
    parts[i].key = static_cast<uint32_t>((i * 7) % 50);
    parts[i].serial = i;
    map.insert(parts[i]);
  }
  std::vector<int> disposed;
  map.clear([&disposed](Partition& part) { disposed.push_back(part.serial); });
  EXPECT_TRUE(map.empty());
  EXPECT_EQ(map.first(), nullptr);
  std::sort(disposed.begin(), disposed.end());
  for (int i = 0; i < 50; ++i) {
    EXPECT_EQ(disposed[i], i);
    EXPECT_EQ(parts[i].mapNode.parent, 0u) << i;
    EXPECT_EQ(parts[i].mapNode.child[0], nullptr) << i;
    EXPECT_EQ(parts[i].mapNode.child[1], nullptr) << i;
  }
  map.insert(parts[3]);
  EXPECT_EQ(serialsInOrder(map), (std::vector<int>{3}));
  EXPECT_TRUE(holdsTheRules(map));
}

}  // namespace
