// A board with an accessor over its whole BAR 0, on which register maps
// are built, and the helpers the map tests share.
#ifndef VL9738K_TESTS_REGACCESS_REGISTER_MAP_FIXTURE_H
#define VL9738K_TESTS_REGACCESS_REGISTER_MAP_FIXTURE_H

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "driver/platform/crc/Crc32.h"
#include "driver/regaccess/IoAccessorMappedPci.h"
#include "driver/regaccess/RegisterIds.h"
#include "driver/regaccess/RegisterMapEngine.h"
#include "sim/board/Board.h"
#include "tests/support/StatusChecks.h"

namespace vltest {

using nVLAPALS100::tStatus;
using sim::BusAccess;

inline constexpr uint64_t kBar0BusAddress = 0xF7E00000;

// The register id of a name-keyed register.
inline uint32_t nameId(const char* name) {
  return arm::ids::kRegisterBit | (nVLAPAL000::crc32(name, std::strlen(name)) & arm::ids::kKeyMask);
}

inline std::vector<BusAccess> writesIn(const std::vector<BusAccess>& traffic) {
  std::vector<BusAccess> writes;
  for (const BusAccess& access : traffic) {
    if (access.kind == BusAccess::Kind::Write) writes.push_back(access);
  }
  return writes;
}

inline std::vector<uint64_t> offsetsOf(const std::vector<BusAccess>& traffic) {
  std::vector<uint64_t> offsets;
  for (const BusAccess& access : traffic) offsets.push_back(access.offset);
  return offsets;
}

// What a map reports as the format of `id` when given room for `capacity`
// fields: the code, the count it leaves, and the fields it filled in.
struct Format {
  int64_t code = 0;
  uint32_t count = 0;
  std::vector<arm::FieldType> types;
  std::vector<uint64_t> masks;
};

inline Format formatOf(const arm::tRegisterMapInterface& map, uint32_t id, uint32_t capacity = 32) {
  Format format{0, capacity, std::vector<arm::FieldType>(capacity), std::vector<uint64_t>(capacity)};
  tStatus status;
  map.getRegisterFormat(id, format.count, format.types.data(), format.masks.data(), status);
  format.code = status.getCode();
  const uint32_t filled = format.code == 0 ? format.count : 0;
  format.types.resize(filled);
  format.masks.resize(filled);
  return format;
}

// A map that states the version texts it is given, answers every get with
// 0x42 and counts every call that could reach a register.
class CountingMap : public arm::tRegisterMapInterface {
 public:
  explicit CountingMap(const char* version = "", const char* oldest = "") : version_(version), oldest_(oldest) {}
  void get(uint32_t, uint64_t& value, tStatus&, uint32_t) override {
    ++calls;
    value = 0x42;
  }
  void set(uint32_t, uint64_t, tStatus&, uint32_t) override { ++calls; }
  void read(uint32_t, uint64_t&, tStatus&, uint32_t) override { ++calls; }
  void write(uint32_t, uint64_t, bool, tStatus&, uint32_t) override { ++calls; }
  void flush(uint32_t, bool, tStatus&, uint32_t) override { ++calls; }
  void refresh(uint32_t, tStatus&, uint32_t) override { ++calls; }
  void getRegisterFormat(uint32_t, uint32_t&, arm::FieldType*, uint64_t*, tStatus&) const override {}
  void flushRegMap(bool, tStatus&) override { ++calls; }
  void refreshRegMap(tStatus&) override { ++calls; }
  void markDirtyRegMap() override { ++calls; }
  const char* getVersion() const override { return version_; }
  const char* getOldestCompatibleVersion() const override { return oldest_; }
  void reinitialize() override { ++calls; }
  int calls = 0;

 private:
  const char* version_;
  const char* oldest_;
};

class RegisterMapOnBoard : public testing::Test {
 protected:
  RegisterMapOnBoard() { startRecording(); }
  size_t writes() const { return board.bar0().writeCount(); }
  size_t reads() const { return board.bar0().readCount(); }
  void startRecording() { board.bar0().startRecording(); }
  uint64_t written(uint64_t offset, unsigned width) {
    for (const BusAccess& access : writesIn(board.bar0().traffic())) {
      if (access.offset == offset && access.width == width) return access.value;
    }
    ADD_FAILURE() << "nothing of width " << width << " written at " << std::hex << offset;
    return 0;
  }

  // Runs a script on `map`: calls separated by ';', each an operation (g
  // get, s set, r read, w write, W forced write, f flush, R refresh, P
  // flushRegMap, Q forced flushRegMap, i reinitialize) with its id and value
  // in hex, its context if not 0 (#n, decimal), then what it must answer
  // (=value; !n for code -52000 - n) and
  // every 32-bit bus access it must cause, in order (W@offset:value written;
  // R@offset:value read, the board answering with that value). Offsets count
  // from `origin` on BAR 0. A get or read leaves 0 unless it says otherwise,
  // refused ones too; other calls leave the value alone.
  void runScript(arm::tRegisterMapInterface& map, const std::string& script, uint64_t origin = 0) {
    constexpr uint64_t kUntouched = 0x5A5A5A5A5A5A5A5A;
    std::istringstream calls(script);
    for (std::string call; std::getline(calls, call, ';');) {
      SCOPED_TRACE(call);
      std::istringstream in(call);
      char op = 0;
      uint32_t id = 0, offset = 0, word = 0, context = 0;
      uint64_t value = 0, out = kUntouched;
      int64_t code = 0;
      std::vector<BusAccess> expected;
      in >> op;
      uint64_t answer = op == 'g' || op == 'r' ? 0 : kUntouched;
      if (op != 'P' && op != 'Q' && op != 'i') in >> std::hex >> id;
      for (std::string token; in >> token;) {
        if (token[0] == '!') code = -52000 - std::stoi(token.substr(1));
        if (token[0] == '#') context = static_cast<uint32_t>(std::stoul(token.substr(1)));
        if (token[0] == '=') answer = std::stoull(token.substr(1), nullptr, 16);
        if (std::isxdigit(token[0]) != 0) value = std::stoull(token, nullptr, 16);
        if (token[1] != '@' || std::sscanf(token.c_str() + 2, "%x:%x", &offset, &word) != 2) continue;
        const BusAccess::Kind kind = token[0] == 'R' ? BusAccess::Kind::Read : BusAccess::Kind::Write;
        if (kind == BusAccess::Kind::Read) answerRead(origin + offset, word);
        expected.push_back({kind, origin + offset, 4, word});
      }
      startRecording();
      tStatus local;
      if (op == 'g') map.get(id, out, local, context);
      if (op == 's') map.set(id, value, local, context);
      if (op == 'r') map.read(id, out, local, context);
      if (op == 'w' || op == 'W') map.write(id, value, op == 'W', local, context);
      if (op == 'f') map.flush(id, false, local, context);
      if (op == 'R') map.refresh(id, local, context);
      if (op == 'P' || op == 'Q') map.flushRegMap(op == 'Q', local);
      if (op == 'i') map.reinitialize();
      EXPECT_EQ(local.getCode(), code);
      EXPECT_EQ(out, answer);
      EXPECT_EQ(board.bar0().traffic(), expected);
    }
  }
  // Makes the board answer a read of the 32-bit word at `offset` of BAR 0.
  virtual void answerRead(uint64_t offset, uint32_t word) { std::memcpy(&board.bar0().data()[offset], &word, 4); }

  sim::Board board;
  vllym::IoAccessorMappedPci bar0{sim::Board::kBar0Size, kBar0BusAddress, board.bar0().mappedAddress(), 0};
  tStatus status{tStatus::kFullSize};
};

}  // namespace vltest

#endif
