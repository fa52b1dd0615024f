// The fuzzers' input block and tail, and how a send lays them out in user
// memory; with the input of one request code as the fuzzers' seed corpus
// holds it (fuzz/seeds/<interface>/<code in hex>, laid out as
// FuzzHarness.h says), for sweeps and scenarios that send each request as
// the corpus starts it rather than with zeros. The fuzzers, the sweeps and
// the scenarios all lay a tail out here, so that they send the same thing.
#ifndef VL9738K_FUZZ_SEEDBLOCKS_H
#define VL9738K_FUZZ_SEEDBLOCKS_H

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "sim/kernel/UserMemory.h"

namespace vlfuzz {

// The bytes of a fuzzer input before its block.
constexpr size_t kHeaderBytes = 11;
// The upper half of a block's 8-byte field that points into the tail.
constexpr uint32_t kTailMark = 0x5EEDB10C;

// The tail as a user block of its own, with each 8-byte field of `block`
// that holds kTailMark in its upper half made the address of the tail's
// byte its lower half names (a field naming a byte past the tail stays as
// it is). Null, the marks left, when there is no tail. The tail must
// outlive the request that carries the block.
inline std::unique_ptr<sim::UserBlock> pointAtTail(uint8_t* block, size_t size, const uint8_t* tail, size_t tailSize) {
  if (tailSize == 0) return nullptr;
  auto user = std::make_unique<sim::UserBlock>(tailSize);
  std::memcpy(user->data(), tail, tailSize);
  for (size_t at = 0; at + 8 <= size; at += 8) {
    uint64_t field;
    std::memcpy(&field, block + at, sizeof(field));
    const uint64_t offset = field & 0xFFFFFFFFu;
    if ((field >> 32) != kTailMark || offset >= tailSize) continue;
    const uint64_t address = user->address() + offset;
    std::memcpy(block + at, &address, sizeof(address));
  }
  return user;
}

// The corpus folder of the interface: "main" or "fpga".
inline std::string seedFolder(const std::string& sourceDir, const std::string& interface) {
  return sourceDir + "/fuzz/seeds/" + interface;
}

// A seed's input block (`size` bytes: the seed's, cut or padded with
// zeros) and the tail after it; all zeros and no tail when the corpus has
// no seed for the code.
struct Seed {
  std::vector<uint8_t> block;
  std::vector<uint8_t> tail;
};

// The file is named by the code in hexadecimal, in either case.
inline Seed seedOf(const std::string& folder, uint32_t code, size_t size) {
  Seed seed{std::vector<uint8_t>(size, 0), {}};
  for (const char* format : {"%08x", "%08X"}) {
    char name[16];
    std::snprintf(name, sizeof(name), format, code);
    std::ifstream file(folder + "/" + name, std::ios::binary);
    if (!file) continue;
    const std::vector<uint8_t> input((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    for (size_t i = kHeaderBytes; i < input.size(); ++i) {
      if (i - kHeaderBytes < size) {
        seed.block[i - kHeaderBytes] = input[i];
      } else {
        seed.tail.push_back(input[i]);
      }
    }
    break;
  }
  return seed;
}

// One send of a seed, laid out as the fuzzers lay it: the block to send,
// its marked fields pointing into `tail`, a fresh copy of the seed's tail
// that lives as long as this.
struct LaidOutSeed {
  std::vector<uint8_t> block;
  std::unique_ptr<sim::UserBlock> tail;
};

inline LaidOutSeed layOut(const Seed& seed) {
  LaidOutSeed laid{seed.block, nullptr};
  laid.tail = pointAtTail(laid.block.data(), laid.block.size(), seed.tail.data(), seed.tail.size());
  return laid;
}

}  // namespace vlfuzz

#endif
