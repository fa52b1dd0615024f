// Discovery of the FPGA's subsystem tree through the register port, from
// the board's subsystem-map block: the preorder tree, root adoption,
// subsystem order, the ready wait and the checks on what the FPGA
// publishes.
#include <functional>
#include <optional>
#include <string>
#include <tuple>

#include "driver/ifw/IfwStatusCodes.h"
#include "driver/ifw/SubsystemMap.h"
#include "sim/kernel/Clock.h"
#include "tests/regport/RegisterPortFixture.h"

namespace {

using namespace vltest;
using Block = sim::SubsystemMapModel::Block;
using Descriptor = sim::SubsystemMapModel::Descriptor;

// A leaf descriptor of the given kind.
Descriptor leaf(uint16_t uid, uint8_t childCount = 0) { return Descriptor{uid, 1, 1, 0, childCount, 0}; }

class SubsystemDiscovery : public RegisterPortOnBoard {
 protected:
  vlifw::SubsystemMap& discover() {
    openPort();
    EXPECT_EQ(status.getCode(), 0);
    model.clearExecuted();
    map.emplace(&*driverPort, status);
    return *map;
  }

  const vlifw::Context& context(uint32_t index) {
    tStatus local;
    const vlifw::Context* found = map->getSubsystem(index, local);
    EXPECT_NE(found, nullptr);
    return *found;
  }

  // The tree as uid(children...), children in child order.
  std::string shape(const vlifw::Context& node) {
    std::string text = std::to_string(node.getUid());
    if (node.getChildCount() == 0) return text;
    text += "(";
    for (uint64_t i = 0; i < node.getChildCount(); ++i) text += (i ? "," : "") + shape(*node.getChild(i));
    return text + ")";
  }

  // One field of every context, in array order.
  template <typename tField>
  std::vector<uint64_t> each(tField (vlifw::Context::*field)() const) {
    std::vector<uint64_t> values;
    for (uint32_t i = 0; i < map->getContextCount(); ++i) values.push_back((context(i).*field)());
    return values;
  }
  using Column = std::vector<uint64_t>;

  sim::SubsystemMapModel& fpgaMap = model.subsystemMap();
  std::optional<vlifw::SubsystemMap> map;
};

TEST_F(SubsystemDiscovery, DescriptorsInPreorderMakeTheTree) {
  fpgaMap.addSubsystem(0, {Block{.uid = 1, .children = {Block{.uid = 2, .children = {Block{3}, Block{4}}}}}});
  discover();
  EXPECT_EQ(status.getCode(), 0);
  ASSERT_EQ(map->getContextCount(), 4u);
  EXPECT_EQ(each(&vlifw::Context::getUid), (Column{1, 2, 3, 4}));
  EXPECT_EQ(shape(context(0)), "1(2(3,4))");
  EXPECT_EQ(context(1).getChild(0), &context(2));
  EXPECT_EQ(context(1).getChild(1), &context(3));
  EXPECT_EQ(fpgaMap.releases(), 1u);
}

TEST_F(SubsystemDiscovery, TheRootMayAdoptMoreThanADescriptorCanCount) {
  std::vector<Descriptor> descriptors;
  for (uint16_t uid = 1; uid <= 300; ++uid) descriptors.push_back(leaf(uid));
  fpgaMap.addSubsystemDescriptors(0, descriptors);
  discover();
  EXPECT_EQ(status.getCode(), 0);
  ASSERT_EQ(context(0).getChildCount(), 299u);
  EXPECT_EQ(context(0).getChild(0)->getUid(), 2u);
  EXPECT_EQ(context(0).getChild(298)->getUid(), 300u);
}

// Only the low eight bits of a subsystem number count.
TEST_F(SubsystemDiscovery, SubsystemsAreBuiltInTheOrderOfTheirNumbers) {
  fpgaMap.addSubsystem(0x103, {Block{30}});
  fpgaMap.addSubsystem(1, {Block{10}});
  fpgaMap.addSubsystem(2, {Block{20}});
  discover();
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(each(&vlifw::Context::getUid), (Column{10, 20, 30}));
  EXPECT_EQ(each(&vlifw::Context::getSubsystem), (Column{1, 2, 3}));
  EXPECT_EQ(shape(context(0)), "10(20,30)");
}

TEST_F(SubsystemDiscovery, EachBlockKeepsItsSubsystemOffsetAndVersions) {
  fpgaMap.addSubsystem(0, {Block{.uid = 1}});
  fpgaMap.addSubsystem(
      8,
      {Block{.uid = 2400,
             .version = 7,
             .oldestCompatible = 5,
             .offset = 0x4000,
             .children = {Block{.uid = 2402, .offset = 0x4100}, Block{.uid = 1699, .instance = 2, .offset = 0x4800}}}});
  fpgaMap.addSubsystem(9, {Block{.uid = 2404, .offset = 0x20}});
  discover();
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(shape(context(0)), "1(2400(2402,1699),2404)");
  EXPECT_EQ(each(&vlifw::Context::getSubsystem), (Column{0, 8, 8, 8, 9}));
  EXPECT_EQ(each(&vlifw::Context::getOffset), (Column{0, 0x4000, 0x4100, 0x4800, 0x20}));
  EXPECT_EQ(each(&vlifw::Context::getVersion), (Column{1, 7, 1, 1, 1}));
  EXPECT_EQ(each(&vlifw::Context::getOldestCompatibleVersion), (Column{1, 5, 1, 1, 1}));
  EXPECT_EQ(each(&vlifw::Context::getInstance), (Column{0, 0, 0, 2, 0}));
}

TEST_F(SubsystemDiscovery, TheMapIsReadThroughSubsystemZeroAndHandedBack) {
  fpgaMap.addSubsystemDescriptors(6, {Descriptor{0x2401, 3, 2, 1, 0, 0x1234}});
  discover();
  EXPECT_EQ(status.getCode(), 0);
  using I = Port::Instruction;
  auto read = [](uint32_t address) { return I{0, address, 0, true, false}; };
  auto write = [](uint32_t address, uint64_t data) { return I{0, address, data, false, true}; };
  EXPECT_EQ(model.executed(),
            (std::vector<I>{read(0), read(1), read(2), read(3), write(4, 0), read(5), read(6), write(7, 0), read(8),
                            read(9), read(10), read(11), read(12), read(13), write(3, 0)}));
  EXPECT_EQ(context(0).getInfo(status), 0x0002000300012401u);
  EXPECT_EQ(context(0).getOffset(), 0x1234u);
}

// The driver reads format 2: a map of format 3 that readers of format 1
// may still read is read too.
TEST_F(SubsystemDiscovery, TheDriverWaitsForTheReadyFlag) {
  fpgaMap.addSubsystem(0, {Block{1}});
  fpgaMap.setReadyAfterPolls(3);
  fpgaMap.setFormatVersion(3, 1);
  discover();
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(fpgaMap.readyPolls(), 4u);
}

TEST_F(SubsystemDiscovery, AReadyFlagStuckAtZeroFailsAfterFiveSeconds) {
  fpgaMap.addSubsystem(0, {Block{1}});
  fpgaMap.holdNotReady(true);
  const uint64_t start = sim::Clock::instance().nowNs();
  discover();
  const uint64_t elapsedMs = (sim::Clock::instance().nowNs() - start) / 1'000'000;
  EXPECT_EQ(status.getCode(), codes::kMapNotReady);
  EXPECT_STREQ(status.getFile(), "SubsystemMap");
  EXPECT_EQ(status.getLine(), 259u);
  EXPECT_GE(elapsedMs, 5000u);
  EXPECT_LT(elapsedMs, 5010u);
  EXPECT_EQ(map->getContextCount(), 0u);
  EXPECT_EQ(fpgaMap.releases(), 0u);
}

// What the FPGA publishes that makes no map, refused at the line that
// finds it with no context built. A broken header stops at the read that
// shows it, before the ready wait; a tree that cannot be built is found
// after the map was read and handed back.
struct Published {
  const char* name;
  std::function<void(sim::SubsystemMapModel&)> publish;
  int64_t code;
  uint32_t line;
  size_t headerReads;  // 0: the whole map was read
};

std::ostream& operator<<(std::ostream& out, const Published& p) { return out << p.name; }

auto descriptors(std::vector<Descriptor> list) {
  return [list](sim::SubsystemMapModel& m) { m.addSubsystemDescriptors(0, list); };
}
auto header(std::function<void(sim::SubsystemMapModel&)> change) {
  return [change](sim::SubsystemMapModel& m) {
    m.addSubsystem(0, {Block{1}});
    change(m);
  };
}
auto count(uint64_t n) {
  return header([n](sim::SubsystemMapModel& m) { m.overrideSubsystemCount(n); });
}
auto format(uint32_t version, uint32_t oldest) {
  return header([=](sim::SubsystemMapModel& m) { m.setFormatVersion(version, oldest); });
}

constexpr int64_t kBadSelector = nVLAPALS100::kStatusBadSelector;

class PublishedMaps : public SubsystemDiscovery, public testing::WithParamInterface<Published> {};

TEST_P(PublishedMaps, ThatMakeNoTreeAreRefusedWhereTheyStopMakingSense) {
  const Published& p = GetParam();
  p.publish(fpgaMap);
  discover();
  EXPECT_EQ(std::tuple(status.getCode(), status.getLine()), std::tuple(p.code, p.line));
  EXPECT_EQ(map->getContextCount(), 0u);
  if (p.headerReads != 0) {
    EXPECT_EQ(model.executed().size(), p.headerReads);
    EXPECT_EQ(fpgaMap.readyPolls(), 0u);
  }
  EXPECT_EQ(fpgaMap.releases(), p.headerReads == 0 ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Maps, PublishedMaps,
    testing::Values(
        Published{"NoDescriptors", descriptors({}), kBadSelector, 366, 0},
        Published{"ChildrenAsManyAsDescriptors", descriptors({leaf(1, 1), leaf(2, 1)}), kBadSelector, 393, 0},
        Published{"ChildrenAboveDescriptors", descriptors({leaf(1, 2), leaf(2, 2), leaf(3)}), kBadSelector, 393, 0},
        Published{"ChildrenPastTheLastDescriptor", descriptors({leaf(1), leaf(2, 2), leaf(3)}), kBadSelector, 430, 0},
        Published{"NoSubsystems", count(0), kBadSelector, 232, 3},
        Published{"MoreThan255Subsystems", count(256), kBadSelector, 232, 3},
        Published{"ACountBeyond32Bits", count(0x100000001u), kBadSelector, 232, 3},
        Published{"AForeignSignature", header([](sim::SubsystemMapModel& m) { m.setSignature(0x6EA05); }),
                  codes::kMapSignatureWrong, 205, 1},
        Published{"AFormatTooOld", format(1, 1), codes::kVersionTooOld, 225, 2},
        Published{"AFormatTooNew", format(3, 3), codes::kVersionTooNew, 225, 2},
        Published{"AFormatNewerThanItsOldest", format(4, 5), nVLAPALS100::kStatusValueOutOfRange, 225, 2}),
    [](const testing::TestParamInfo<Published>& info) { return std::string(info.param.name); });

// A failing target's code passes through; an error on entry discovers nothing.
TEST_F(SubsystemDiscovery, AFailingTargetPassesItsCodeThrough) {
  fpgaMap.addSubsystem(0, {Block{1}});
  openPort();
  model.clearExecuted();
  tStatus failed;
  failed.setCode(nVLAPALS100::kStatusRequestFailure, VL_SITE);
  map.emplace(&*driverPort, failed);
  EXPECT_TRUE(model.executed().empty());
  EXPECT_EQ(map->getContextCount(), 0u);
  model.setStalled(true);
  map.emplace(&*driverPort, status);
  EXPECT_EQ(status.getCode(), codes::kReadTimedOut);
  EXPECT_EQ(map->getContextCount(), 0u);
}

TEST_F(SubsystemDiscovery, ContextsAreFoundByIndexAndIndexedByAddress) {
  fpgaMap.addSubsystemDescriptors(0, {leaf(1), leaf(2), leaf(3)});
  discover();
  vlifw::Context* third = map->getSubsystem(2, status);
  ASSERT_NE(third, nullptr);
  EXPECT_EQ(map->indexOf(third, status), 2u);
  EXPECT_EQ(status.getCode(), 0);

  tStatus outOfRange(tStatus::kFullSize);
  EXPECT_EQ(map->getSubsystem(3, outOfRange), nullptr);
  EXPECT_EQ(outOfRange.getCode(), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_EQ(outOfRange.getLine(), 155u);

  tStatus null(tStatus::kFullSize);
  EXPECT_EQ(map->indexOf(nullptr, null), 0u);
  EXPECT_EQ(null.getLine(), 171u);

  vlifw::Context stranger;
  tStatus foreign(tStatus::kFullSize);
  EXPECT_EQ(map->indexOf(&stranger, foreign), 0u);
  EXPECT_EQ(foreign.getCode(), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_EQ(foreign.getLine(), 188u);
}

}  // namespace
