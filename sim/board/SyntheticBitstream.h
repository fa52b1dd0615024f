// The board's FPGA image as this repository carries it: there is no real
// design here, so a deterministic stand-in of the documented size is made
// in the shape of a Spartan-6 configuration stream (16-bit words, most
// significant byte first): dummy words, the sync word, register writes,
// one long frame-data write whose frames are mostly empty with a
// pseudo-random sprinkling of set words, as a placed design's frames are,
// and the closing commands. Both the build-time image tool and the board
// model use it, the model to check what the driver loads.
#ifndef VL9738K_TOOLS_FPGAIMAGE_SYNTHETICBITSTREAM_H
#define VL9738K_TOOLS_FPGAIMAGE_SYNTHETICBITSTREAM_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vlimage {

inline constexpr size_t kBitstreamSize = 1'485'329;
inline constexpr uint32_t kSyncWord = 0xAA995566;
inline constexpr uint32_t kSeed = 0x9738u;

inline std::vector<uint8_t> makeSyntheticBitstream(size_t size = kBitstreamSize) {
  std::vector<uint8_t> out;
  out.reserve(size);
  auto word = [&](uint16_t value) {
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
  };
  for (int i = 0; i < 8; ++i) word(0xFFFF);  // dummy words
  word(static_cast<uint16_t>(kSyncWord >> 16));
  word(static_cast<uint16_t>(kSyncWord));
  word(0x2000);  // no-op
  // Type-1 writes of the set-up registers: CMD reset CRC, IDCODE, COR1, COR2, MASK, CTL.
  const uint16_t setup[] = {0x30A1, 0x0007, 0x3381, 0x0401, 0x0093, 0x3101, 0x3D08, 0x3121, 0x09EE,
                            0x3141, 0x0001, 0x3161, 0x0000, 0x30A1, 0x0001, 0x2000, 0x2000};
  for (uint16_t value : setup) word(value);
  // The closing commands: CRC check, DESYNC, then no-ops.
  const uint16_t trailer[] = {0x30A1, 0x0003, 0x3021, 0x5A5A, 0x30A1, 0x000D, 0x2000, 0x2000, 0x2000, 0x2000};
  const size_t trailerBytes = sizeof trailer;
  // Type-2 frame-data write: the word count in two halves.
  const size_t bodyWords = (size - out.size() - 6 - trailerBytes) / 2;
  word(0x3050);
  word(static_cast<uint16_t>(bodyWords >> 16));
  word(static_cast<uint16_t>(bodyWords));
  uint32_t state = kSeed;
  auto next = [&state] {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
  };
  constexpr size_t kFrameWords = 65;
  for (size_t i = 0; i < bodyWords; ++i) {
    const uint32_t draw = next();
    // Some frames are empty; the others hold set words about one in four.
    const bool emptyFrame = ((i / kFrameWords) * 2654435761u >> 29) == 0;
    word(!emptyFrame && (draw & 3) == 0 ? static_cast<uint16_t>(draw >> 16) : 0);
  }
  for (uint16_t value : trailer) word(value);
  while (out.size() < size) out.push_back(0x20);  // the odd last byte
  out.resize(size);
  return out;
}

}  // namespace vlimage

#endif
