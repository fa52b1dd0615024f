// The board temperature from the LO0 CPLD's sensor block on the board model.
#include <deque>
#include <functional>

#include "driver/rf/primitives/TemperaturePrimitive.h"
#include "driver/rf/primitives/refclk/RefClockStatus.h"
#include "tests/regmaps/board/FixedLogicFixture.h"

namespace vltest {
namespace {

using namespace nVLAPALS100;

// The fixed-logic accessor, with a hook that runs before every 32-bit read
// (to change what the sensor reports between readings).
class HookedAccessor : public vllym::IoAccessorMappedPci {
 public:
  using vllym::IoAccessorMappedPci::IoAccessorMappedPci;
  uint32_t read32(uint32_t offset, tStatus& status) override {
    if (beforeRead) beforeRead();
    return vllym::IoAccessorMappedPci::read32(offset, status);
  }
  std::function<void()> beforeRead;
};

TEST(TemperatureCode, IsSignExtendedFromFourteenBitsAndCheckedAgainstTheRange) {
  const struct {
    int32_t code, value;
    int64_t status;
  } cases[] = {{0x0320, 800, 0},
               {0x3FFF, -1, 0},
               {0x3B00, -1280, 0},
               {0x3AFF, 0, kStatusValueOutOfRange},
               {0x12C0, 4800, 0},
               {0x12C1, 0, kStatusValueOutOfRange},
               {0x2000, 0, kStatusValueOutOfRange}};
  for (const auto& c : cases) {
    tStatus status;
    EXPECT_EQ(nVL9738K_24_0::convertTemperatureCode(c.code, status), c.value) << c.code;
    EXPECT_EQ(status.getCode(), c.status) << c.code;
  }
}

class BoardTemperature : public FixedLogicOnBoard {
 protected:
  static constexpr uint64_t kSensor = 0x8100;
  void script(std::initializer_list<int16_t> codes) {
    pending.assign(codes);
    sensor.beforeRead = [this] {
      if (pending.empty()) return;
      model().setLo0TemperatureCode(pending.front());
      pending.pop_front();
    };
  }

  HookedAccessor sensor{sim::FixedLogic::kSize, kBar0BusAddress + kWindow, board.bar0().mappedAddress() + kWindow, 0};
  nShared::nTemperatureRegMap::tTemperatureRegMap map{&sensor, kSensor, 0, 0x20};
  nVL9738K_24_0::TemperaturePrimitive primitive{map};
  std::deque<int16_t> pending;
  uint32_t sum = 7, divisor = 7;
};

TEST_F(BoardTemperature, EveryReadingGoesToTheSensorAndTheSumWrapsAsSigned) {
  script({0x0320, 10, -20, 4, 0x3AFF});
  primitive.readTemperatureSum(1, sum, divisor, status);
  EXPECT_EQ(std::pair(sum, divisor), std::pair(800u, 32u));
  primitive.readTemperatureSum(3, sum, divisor, status);
  EXPECT_EQ(std::tuple(status.getCode(), sum, divisor), std::tuple(int64_t{0}, 0xFFFFFFFAu, 96u));
  // A reading out of range ends the sum with divisor 1.
  primitive.readTemperatureSum(2, sum, divisor, status);
  EXPECT_EQ(std::pair(status.getCode(), divisor), std::pair(int64_t{kStatusValueOutOfRange}, 1u));
  EXPECT_EQ(readAddresses(), std::vector<uint64_t>(5, kSensor + 4));
}

TEST_F(BoardTemperature, CountsOutsideTheSumsRangeFailBeforeAnyRead) {
  primitive.readTemperatureSum(447393, sum, divisor, status);
  EXPECT_EQ(std::tuple(status.getCode(), sum, divisor), std::tuple(nVL9738K_24_0::kStatusTooManyReadings, 0u, 1u));
  tStatus none;
  primitive.readTemperatureSum(0, sum, divisor, none);
  EXPECT_EQ(std::pair(none.getCode(), divisor), std::pair(nVL9738K_24_0::kStatusNoReadings, 0u));
  EXPECT_EQ(reads(), 0u);
}

TEST_F(BoardTemperature, FlushPowersTheSensorOnce) {
  primitive.flush(status);
  primitive.flush(status);
  EXPECT_EQ(writtenAddresses(), (std::vector<uint64_t>{kSensor}));
  EXPECT_EQ(model().registers().written(kSensor, 4), 0u);
  EXPECT_EQ(status.getCode(), 0);
}

}  // namespace
}  // namespace vltest
