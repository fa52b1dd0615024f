// The input block of one request code as the fuzzers' seed corpus holds it
// (fuzz/seeds/<interface>/<code in hex>, laid out as FuzzHarness.h says),
// for sweeps and scenarios that send each request with the block the
// corpus starts from rather than with zeros.
#ifndef VL9738K_FUZZ_SEEDBLOCKS_H
#define VL9738K_FUZZ_SEEDBLOCKS_H

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace vlfuzz {

// The corpus folder of the interface: "main" or "fpga".
inline std::string seedFolder(const std::string& sourceDir, const std::string& interface) {
  return sourceDir + "/fuzz/seeds/" + interface;
}

// `size` bytes: the seed's block, cut or padded with zeros; all zeros when
// the corpus has no seed for `code`. The file is named by the code in
// hexadecimal, in either case. The block goes without the seed's tail, so
// the fields that point into it go as null addresses.
inline std::vector<uint8_t> seedBlock(const std::string& folder, uint32_t code, size_t size) {
  constexpr size_t kHeaderBytes = 11;  // FuzzHarness.h's input header
  std::vector<uint8_t> block(size, 0);
  for (const char* format : {"%08x", "%08X"}) {
    char name[16];
    std::snprintf(name, sizeof(name), format, code);
    std::ifstream file(folder + "/" + name, std::ios::binary);
    if (!file) continue;
    const std::vector<uint8_t> seed((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    for (size_t i = kHeaderBytes; i < seed.size() && i - kHeaderBytes < size; ++i) block[i - kHeaderBytes] = seed[i];
    constexpr uint32_t kTailMark = 0x5EEDB10C;  // FuzzHarness.h's mark of a field that points into the tail
    for (size_t at = 0; at + 8 <= size; at += 8) {
      uint64_t field;
      std::memcpy(&field, block.data() + at, sizeof(field));
      if ((field >> 32) == kTailMark) std::memset(block.data() + at, 0, sizeof(field));
    }
    break;
  }
  return block;
}

}  // namespace vlfuzz

#endif
