// The image the module carries, when it is broken. Its decompression to
// the synthetic bitstream is the board object's programming test; another
// magic or a stated size that is wrong, the module's add-device test.
#include <gtest/gtest.h>

#include <vector>

#include "driver/fpga/FpgaImage.h"

namespace vltest {
namespace {

using nVLAPALS100::tStatus;
using vllym::FpgaImage;

TEST(FpgaImage, ABrokenImageIsRefusedWithoutWritingPastTheBuffer) {
  const std::vector<uint8_t> stored(FpgaImage::embeddedData(), FpgaImage::embeddedData() + FpgaImage::embeddedSize());
  // Truncated: the block ends early, and a buffer that is too small.
  tStatus status;
  const FpgaImage truncated(stored.data(), stored.size() / 2, status);
  std::vector<uint8_t> out(FpgaImage::kBitstreamSize + 16, 0xEE);
  truncated.decompress(out.data(), FpgaImage::kBitstreamSize, status);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_EQ(out.back(), 0xEE);
  tStatus small;
  const FpgaImage whole(stored.data(), stored.size(), small);
  whole.decompress(out.data(), FpgaImage::kBitstreamSize - 1, small);
  EXPECT_EQ(small.getCode(), nVLAPALS100::kStatusInvalidParameter);
}

}  // namespace
}  // namespace vltest
