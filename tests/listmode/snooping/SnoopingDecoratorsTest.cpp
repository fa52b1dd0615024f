// What the decorators refuse (their recording road is the commit's test).
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "driver/listmode/snooping/RegMapSnooper.h"
#include "driver/listmode/snooping/SnoopingListenerForInstructionTarget.h"
#include "driver/platform/status/StatusCodes.h"
#include "tests/support/RecordingInserter.h"

namespace {

using namespace vltest;
using namespace nVL9738K_24_0;
using tStatus = nVLAPALS100::tStatus;
constexpr int64_t kNotSupported = nVLAPALS100::kStatusNotSupported, kNoInserter = nVLAPALS100::kStatusRequestFailure;

// No inserter: -52010; an address beyond 32 bits: -52002, nothing recorded;
// a batch stops at its first failure; a redirected target cannot be
// flushed, and a stop after an error still turns it back.
TEST(Decorators, TheSnooperAndTheRedirectionRefuseWhatTheListCannotHold) {
  Log log;
  RecordingInserter inserter{log};
  InstructionTargetSnooper snooper, device;
  InstructionTargetWithRedirection manager{&device};
  SnoopingListenerForInstructionTarget listener{&snooper, &manager, 0};
  for (auto [withInserter, address, code] :
       {std::tuple(false, 0x10ul, kNoInserter), std::tuple(true, 0x100000000ul, kNotSupported)}) {
    snooper.setInserter(withInserter ? &inserter : nullptr);
    tStatus read, write;
    uint64_t value = 5;
    snooper.read({1, address}, &value, read, 0);
    snooper.write({1, address, 2}, false, write, 0);
    EXPECT_EQ(std::tuple(read.getCode(), write.getCode(), value), std::tuple(code, code, 5u));
  }
  tStatus status;
  listener.onStartCommitSnooping(&inserter, status);
  inserter.failSecondWrite = -9;
  const vlifw::WriteInstruction batch[] = {{1, 4, 1}, {1, 8, 2}, {1, 12, 3}};
  manager.writeMany(batch, 3, true, status, 0);
  EXPECT_EQ(std::tuple(status.getCode(), log), std::tuple(-9, Log{"write 1 4 1"}));
  tStatus flushed;
  manager.flush(flushed);
  EXPECT_EQ(std::tuple(flushed.getCode(), manager.isRedirected()), std::tuple(kNotSupported, true));
  listener.onStopCommitSnooping(status);
  EXPECT_EQ(std::tuple(manager.isRedirected(), snooper.getInserter()), std::tuple(false, nullptr));
}

// Every word of the window is noted as itself, the last ones too; only an
// address past it makes the whole map count as written.
TEST(Decorators, WrittenRegistersNoteEveryWordOfTheWindow) {
  using SnoopingManager::internal::WrittenRegisters;
  constexpr uint32_t kLast = (WrittenRegisters::kWords - 1) << 2;
  for (uint32_t address : {0u, 0x1FFCu, 0x2000u, kLast}) {
    WrittenRegisters written;
    written.note(address);
    std::vector<uint32_t> marked;
    bool all = false;
    written.visit([&](uint32_t first, uint32_t) { marked.push_back(first); }, [&] { all = true; });
    EXPECT_EQ(std::pair(marked, all), std::pair(std::vector<uint32_t>{address}, false)) << address;
  }
  WrittenRegisters past;
  past.note(kLast + 4);
  bool all = false;
  past.visit([](uint32_t, uint32_t) {}, [&] { all = true; });
  EXPECT_TRUE(all);
}

}  // namespace
