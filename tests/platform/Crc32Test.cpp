#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <random>
#include <vector>

#include "driver/platform/crc/Crc32.h"

namespace {

using nVLAPAL000::crc32;
using nVLAPAL000::reverseBits32;

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

TEST(Crc32, ReverseBitsMirrorsTheWord) {
  EXPECT_EQ(reverseBits32(0x04C11DB7u), 0xEDB88320u);
  EXPECT_EQ(reverseBits32(0x0000000Fu), 0xF0000000u);
  EXPECT_EQ(reverseBits32(0x12345678u), 0x1E6A2C48u);
}

}  // namespace
