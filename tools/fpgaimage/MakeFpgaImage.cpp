// Build-time tool: writes the FPGA image in the layout the driver embeds:
// "LZ4\0", four zero bytes, the uncompressed size as a little-endian u64,
// sixteen zero bytes, then the whole bitstream as one LZ4 block.
//
//   vl-make-fpga-image <output file>
#include <lz4.h>
#include <lz4hc.h>

#include <cstdio>
#include <vector>

#include "sim/board/SyntheticBitstream.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output file>\n", argv[0]);
    return 2;
  }
  const std::vector<uint8_t> bitstream = vlimage::makeSyntheticBitstream();
  const int bound = LZ4_compressBound(static_cast<int>(bitstream.size()));
  std::vector<uint8_t> image(32 + static_cast<size_t>(bound), 0);
  image[0] = 0x4C;
  image[1] = 0x5A;
  image[2] = 0x34;
  for (int i = 0; i < 8; ++i) image[8 + i] = static_cast<uint8_t>(uint64_t{bitstream.size()} >> (8 * i));
  const int compressed =
      LZ4_compress_HC(reinterpret_cast<const char*>(bitstream.data()), reinterpret_cast<char*>(image.data() + 32),
                      static_cast<int>(bitstream.size()), bound, LZ4HC_CLEVEL_MAX);
  if (compressed <= 0) {
    std::fprintf(stderr, "%s: compression failed\n", argv[0]);
    return 1;
  }
  image.resize(32 + static_cast<size_t>(compressed));
  std::FILE* file = std::fopen(argv[1], "wb");
  if (file == nullptr || std::fwrite(image.data(), 1, image.size(), file) != image.size() || std::fclose(file) != 0) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
    return 1;
  }
  return 0;
}
