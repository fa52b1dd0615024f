// The register-map access requests through the whole road (framing,
// decoding, guard, handler) of a driver linked into the test, on the board
// model, with a 64-bit test map registered beside the board's 32-bit maps.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "driver/board/device/Device.h"
#include "driver/board/ioctl/ArmRequests.h"
#include "driver/platform/entry/EntryPoints.h"
#include "driver/regaccess/registration/RegistrationCodes.h"
#include "sim/board/Board.h"
#include "sim/host/RequestClient.h"
#include "sim/kernel/Kernel.h"
#include "tests/regaccess/RegisterMapFixture.h"
#include "tests/support/BoardRig.h"

namespace {

using namespace nVL9738K_24_0::requests;
using nVLAPALS100::tStatus;

// One 64-bit register at kId that remembers its value and the context of
// the last call; every call that could reach a register is counted.
class WideMap final : public vltest::CountingMap {
 public:
  static constexpr uint32_t kId = 0x80000001;

  void get(uint32_t id, uint64_t& out, tStatus& status, uint32_t context) override {
    if (reach(id, context, status)) out = value;
  }
  void set(uint32_t id, uint64_t in, tStatus& status, uint32_t context) override {
    if (reach(id, context, status)) value = in;
  }
  void read(uint32_t id, uint64_t& out, tStatus& status, uint32_t context) override { get(id, out, status, context); }
  void write(uint32_t id, uint64_t in, bool, tStatus& status, uint32_t context) override {
    set(id, in, status, context);
  }
  void flush(uint32_t id, bool, tStatus& status, uint32_t context) override { reach(id, context, status); }
  void refresh(uint32_t id, tStatus& status, uint32_t context) override { reach(id, context, status); }

  uint64_t value = 0;
  uint32_t lastContext = 0;

 private:
  bool reach(uint32_t id, uint32_t context, tStatus& status) {
    if (status.isFatal()) return false;
    ++calls;
    lastContext = context;
    if (id == kId) return true;
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
    return false;
  }
};

class ArmRequestsRoad : public vltest::OpenedBoard {
 protected:
  void SetUp() override {
    rig = std::make_unique<vltest::BoardRig>(sim::Module::enter(&nVLAPAL200_driverEntry));
    open();
    tStatus status;
    static_cast<nVL9738K_24_0::Device*>(rig->device())
        ->getDeviceResources()
        ->getARMDispatcher()
        .add("WideTestMap", wide, status);
    ASSERT_EQ(status.getCode(), 0);
  }
  // The board goes before the map it holds.
  void TearDown() override { removeBoard(); }

  // The map's name in the process's memory, as user mode passes it.
  uint64_t name(const std::string& text) {
    sim::SimScope scope;
    names.push_back(std::make_unique<sim::UserBlock>(text.size() + 1));
    text.copy(reinterpret_cast<char*>(names.back()->data()), text.size());
    return names.back()->address();
  }
  template <class Op>
  sim::TypedReply<typename Op::Out> on(const std::string& map, typename Op::In in) {
    in.nameAddress = name(map);
    in.nameLength = map.size();
    return client->call<Op>(in);
  }

  WideMap wide;
  std::vector<std::unique_ptr<sim::UserBlock>> names;
};

TEST_F(ArmRequestsRoad, ShortFormsAnswerTheLowWordAndExtendedFormsTheWholeValue) {
  constexpr uint64_t kValue = 0x123456789ABCDEF0ull;
  ASSERT_EQ(on<ArmSetEx>("WideTestMap", {.id = WideMap::kId, .value = kValue}).outStatus(), 0);
  EXPECT_EQ(wide.value, kValue);
  EXPECT_EQ(on<ArmRead>("WideTestMap", {.id = WideMap::kId}).out.value, 0x9ABCDEF0u);
  EXPECT_EQ(on<ArmGet>("WideTestMap", {.id = WideMap::kId}).out.value, 0x9ABCDEF0u);
  EXPECT_EQ(on<ArmReadEx>("WideTestMap", {.id = WideMap::kId}).out.value, kValue);
  EXPECT_EQ(on<ArmGetEx>("WideTestMap", {.id = WideMap::kId}).out.value, kValue);
  // The short writes widen their word: the high half is cleared.
  ASSERT_EQ(on<ArmWrite>("WideTestMap", {.id = WideMap::kId, .value = 0xFFFFFFFFu}).outStatus(), 0);
  EXPECT_EQ(wide.value, 0xFFFFFFFFull);
}

TEST_F(ArmRequestsRoad, ExtendedContextMustFitTwentyFourBits) {
  const auto largest = on<ArmReadEx>("WideTestMap", {.id = WideMap::kId, .context = 0xFFFFFF});
  EXPECT_EQ(largest.outStatus(), 0);
  EXPECT_EQ(wide.lastContext, 0xFFFFFFu);
  const int before = wide.calls;
  for (const auto& reply :
       {on<ArmReadEx>("WideTestMap", {.id = WideMap::kId, .context = 0x1000000}).outStatus(),
        on<ArmWriteEx>("WideTestMap", {.id = WideMap::kId, .context = 0x1000000, .value = 1}).outStatus(),
        on<ArmRefreshRegisterEx>("WideTestMap", {.id = WideMap::kId, .context = 0x1000000}).outStatus()}) {
    EXPECT_EQ(reply, -52002);
  }
  EXPECT_EQ(wide.calls, before);
  EXPECT_EQ(wide.value, 0u);
}

TEST_F(ArmRequestsRoad, WriteReachesTheBoardWithExactlyOneBusWrite) {
  constexpr uint32_t kTrigger0Mask = 0x8064E247;
  const size_t before = rig->board().fixedLogic().timedWrites().size();
  const auto written = on<ArmWrite>("BoardControl", {.id = kTrigger0Mask, .value = 0x00FF00FF});
  ASSERT_EQ(written.outStatus(), 0);
  const auto writes = rig->board().fixedLogic().timedWrites();
  ASSERT_EQ(writes.size(), before + 1);
  EXPECT_EQ(writes.back().offset, sim::FixedLogic::kBoardControl + 0x14);
  EXPECT_EQ(writes.back().value, 0x00FF00FFu);
  // A write-only register answers its shadow.
  EXPECT_EQ(on<ArmGet>("BoardControl", {.id = kTrigger0Mask}).out.value, 0x00FF00FFu);
}

TEST_F(ArmRequestsRoad, CountsAndNamesEveryRegistrationInItsSlot) {
  const auto count = client->call<ArmGetNumberOfRegistrations>({});
  EXPECT_EQ(count.out.count, 35u);
  sim::UserBlock slots(64 * count.out.count);
  ASSERT_EQ(client->call<ArmGetRegistrationNames>({.bufferAddress = slots.address()}).outStatus(), 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(slots.data() + 64), "BoardControl");
  EXPECT_STREQ(reinterpret_cast<const char*>(slots.data() + 64 * 34), "WideTestMap");
}

// Both arrays are prefilled: a refused format copies nothing, and an
// accepted one nothing past its fields.
TEST_F(ArmRequestsRoad, FormatDescribesTheRegistersFieldsWithinTheCallersCapacity) {
  sim::UserBlock types(64), masks(64 * 8);
  std::memset(types.data(), 0xEE, types.size());
  std::memset(masks.data(), 0xEE, masks.size());
  auto format = [&](uint32_t capacity, uint32_t id = 0x804A86A1, const char* map = "BoardControl") {
    return on<ArmGetRegisterFormat>(map, {.id = id,  // RefCardPower: six fields
                                          .count = capacity,
                                          .fieldTypesAddress = types.address(),
                                          .masksAddress = masks.address()});
  };
  // The count comes back as the map's refusal leaves it, or as sent when
  // the request never reached a map.
  const struct {
    uint32_t id;
    const char* map;
    int64_t status;
    uint32_t count;
  } refusals[] = {{0x804A86A1, "BoardControl", -52019, 5},
                  {0x80000FFC, "BoardControl", -52002, 0},
                  {0x804A86A1, "NoSuchMap", vlregitools::kStatusRegistrationNotFound, 5}};
  for (const auto& refusal : refusals) {
    const auto reply = format(5, refusal.id, refusal.map);
    EXPECT_EQ(reply.outStatus(), refusal.status) << refusal.map << std::hex << refusal.id;
    EXPECT_EQ(reply.out.count, refusal.count) << refusal.map << std::hex << refusal.id;
  }
  EXPECT_EQ(std::pair(types.data()[0], masks.get<uint64_t>(0)), std::pair(uint8_t{0xEE}, uint64_t{0xEEEEEEEEEEEEEEEE}));
  const auto exact = format(6);
  ASSERT_EQ(exact.outStatus(), 0);
  EXPECT_EQ(exact.out.count, 6u);
  EXPECT_EQ(types.data()[0], 1u);
  EXPECT_EQ(types.data()[2], 0u);
  EXPECT_EQ(std::pair(types.data()[6], masks.get<uint64_t>(8 * 6)),
            std::pair(uint8_t{0xEE}, uint64_t{0xEEEEEEEEEEEEEEEE}));
  EXPECT_EQ(format(17, 0x80B075D7).out.count, 17u);  // LoCardPowerStatus
  EXPECT_EQ(masks.get<uint64_t>(8 * 16), uint64_t{1} << 27);
}

}  // namespace
