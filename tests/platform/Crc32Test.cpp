#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <vector>

#include "driver/platform/crc/Crc32.h"

namespace {

using nVLAPAL000::crc32;

TEST(Crc32, AgreesWithZlibOnRandomBlocks) {
  const unsigned seed = 20261206;
  std::mt19937 random(seed);
  for (int round = 0; round < 50; ++round) {
    std::vector<uint8_t> bytes(random() % 3000);
    for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random());
    ASSERT_EQ(crc32(bytes.data(), bytes.size()), ::crc32(0L, bytes.data(), static_cast<uInt>(bytes.size())))
        << "seed " << seed << " round " << round;
  }
}

}  // namespace
