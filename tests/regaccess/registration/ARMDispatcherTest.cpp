// Register-map registration and lookup: names in order with duplicates,
// the version verdicts, the registration list and name slots, names read
// from user memory, the format request under the map's mutex, and teardown.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "driver/regaccess/registration/ARMDispatcher.h"
#include "driver/regaccess/registration/RegistrationCodes.h"
#include "driver/regmaps/board/tBoardControl.h"
#include "sim/kernel/Memory.h"
#include "sim/kernel/Sync.h"
#include "sim/kernel/UserMemory.h"
#include "tests/regmaps/board/FixedLogicFixture.h"
#include "tests/support/AllocationSweep.h"
#include "tests/support/StatusChecks.h"

namespace {

using namespace vltest;
using armki::ARMDispatcher;
using armki::tMapInterface;
using nVLAPAL000::tMutex;

using VersionedMap = CountingMap;

tMapInterface* lookup(ARMDispatcher& dispatcher, const char* fullName, tStatus& status, tMutex** mutex = nullptr) {
  tMapInterface* map = reinterpret_cast<tMapInterface*>(0x1);
  dispatcher.getRegistration(fullName, &map, status, mutex);
  return map;
}

class Dispatcher : public testing::Test {
 protected:
  ARMDispatcher dispatcher;
  VersionedMap unversioned;
  VersionedMap versioned{"1.0.0d0", "1.0.0d0"};
  tStatus status{tStatus::kFullSize};
};

TEST_F(Dispatcher, DuplicateNamesFindTheFirstUntilItIsRemoved) {
  VersionedMap second;
  dispatcher.add("Twice", unversioned, status);
  dispatcher.add("Other", versioned, status);
  dispatcher.add("Twice", second, status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(dispatcher.getNumberOfRegistrations(), 3u);
  EXPECT_EQ(lookup(dispatcher, "Twice", status), &unversioned);

  EXPECT_EQ(dispatcher.remove("Twice", status), nullptr);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(lookup(dispatcher, "Twice", status), &second);
  vlhtl::BasicString<char> list;
  dispatcher.getRegistrationList(list, status);
  EXPECT_STREQ(list.c_str(), "Other\tTwice");
}

TEST_F(Dispatcher, NamesMatchExactly) {
  dispatcher.add("BoardControl", unversioned, status);
  for (const char* name : {"BoardContro", "BoardControlX", "boardcontrol", ""}) {
    EXPECT_EQ(siteOf(statusAfter([&](tStatus& s) { EXPECT_EQ(lookup(dispatcher, name, s), nullptr) << name; })),
              (Site{vlregitools::kStatusRegistrationNotFound, "DispatcherBase", 137}));
  }
  EXPECT_EQ(siteOf(statusAfter([&](tStatus& s) { EXPECT_EQ(lookup(dispatcher, nullptr, s), nullptr); })),
            (Site{vlregitools::kStatusRegistrationNullArgument, "DispatcherBase", 250}));
}

TEST_F(Dispatcher, AVersionedMapJudgesTheClientsVersion) {
  dispatcher.add("Map", versioned, status);
  struct Case {
    const char* name;
    int64_t code;
    bool found;
  };
  const Case cases[] = {
      {"Map", vlregitools::kStatusClientVersionMissing, false},
      {"Map_Ver", vlregitools::kStatusClientVersionMissing, false},
      {"Map_Ver0.9.0f0", vlregitools::kStatusClientVersionTooOld, false},
      {"Map_Ver1.0.0f0", vlregitools::kWarningClientVersionNewer, true},
      {"Map_Ver1.0.0d0", 0, true},
      {"Map_Ver100d0", 0, true},
      {"Map_Ver1.0.0q0", vlregitools::kStatusVersionMalformed, false},
      {"Missing_Ver1.2", vlregitools::kStatusVersionMalformed, false},
      {"Map_Ver1.16.0d0", vlregitools::kStatusVersionOutOfRange, false},
  };
  for (const Case& c : cases) {
    tStatus local;
    tMutex* mutex = nullptr;
    tMapInterface* found = lookup(dispatcher, c.name, local, &mutex);
    EXPECT_EQ(local.getCode(), c.code) << c.name;
    EXPECT_EQ(found, c.found ? &versioned : nullptr) << c.name;
    EXPECT_EQ(mutex != nullptr, c.found) << c.name;
    if (found == nullptr) continue;
    // A warning lets the access run: the map answers on the same status.
    uint64_t value = 0;
    found->get(0x80000000, value, local, 0);
    EXPECT_EQ(value, 0x42u) << c.name;
    EXPECT_EQ(local.getCode(), c.code) << c.name;
  }
  EXPECT_EQ(versioned.calls, 3);
}

TEST_F(Dispatcher, NamesFillTheirSixtyFourByteSlots) {
  const std::string long64(64, 'L');
  const std::string long63(63, 'M');
  dispatcher.add(long64.c_str(), unversioned, status);
  dispatcher.add(long63.c_str(), unversioned, status);
  dispatcher.add((std::string(70, 'N')).c_str(), unversioned, status);
  dispatcher.add("x", unversioned, status);
  std::vector<char> out(64 * 5, '#');
  dispatcher.getRegistrationNames(out.data(), status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(std::string(out.data(), 64), long64) << "no room for a terminator";
  EXPECT_EQ(std::string(out.data() + 64, 64), long63 + '\0');
  EXPECT_EQ(std::string(out.data() + 128, 64), std::string(64, 'N'));
  EXPECT_EQ(std::string(out.data() + 192, 3), std::string("x\0#", 3));
  EXPECT_EQ(out[64 * 4], '#') << "nothing beyond the last slot";

  EXPECT_EQ(siteOf(statusAfter([&](tStatus& s) { dispatcher.getRegistrationNames(nullptr, s); })),
            (Site{vlregitools::kStatusRegistrationNullArgument, "DispatcherBase", 165}));
}

TEST_F(Dispatcher, RemovalOfMissingOrNullNamesIsRecorded) {
  dispatcher.add("Only", unversioned, status);
  EXPECT_EQ(siteOf(statusAfter([&](tStatus& s) { EXPECT_EQ(dispatcher.remove("Other", s), nullptr); })),
            (Site{vlregitools::kStatusRegistrationNotFound, "WrapperDispatcher", 98}));
  EXPECT_EQ(siteOf(statusAfter([&](tStatus& s) { dispatcher.remove(nullptr, s); })),
            (Site{vlregitools::kStatusRegistrationNullArgument, "WrapperDispatcher", 91}));
  EXPECT_EQ(dispatcher.remove("Only"), nullptr);
  EXPECT_EQ(dispatcher.getNumberOfRegistrations(), 0u);
  EXPECT_EQ(codeAfter([&](tStatus& s) { dispatcher.add(nullptr, unversioned, s); }),
            vlregitools::kStatusRegistrationNullArgument);
  EXPECT_EQ(dispatcher.getNumberOfRegistrations(), 0u);
}

TEST(DispatcherBase, RemovalHandsTheRegistrationBackInOrder) {
  tStatus status{tStatus::kFullSize};
  vlregitools::Registration first("", "", status);
  vlregitools::Registration second("", "", status);
  vlregitools::DispatcherBase<vlregitools::Registration> base;
  base.add("a", first, status);
  base.add("b", second, status);
  base.add("a", second, status);
  EXPECT_EQ(base.remove("a", status), &first);
  EXPECT_EQ(base.remove("a", status), &second);
  EXPECT_EQ(base.remove("a", status), nullptr);
  EXPECT_EQ(siteOf(status), (Site{vlregitools::kStatusRegistrationNotFound, "DispatcherBase", 101}));
  EXPECT_EQ(base.remove("b", status), nullptr) << "nothing on a failed status";
  EXPECT_EQ(base.getNumberOfRegistrations(), 1u);
  EXPECT_EQ(base.remove("b"), &second);
}

// Refused allocations are swept below.
TEST_F(Dispatcher, AFailedAddRegistersNothingAndKeepsNothing) {
  const int64_t before = sim::Memory::outstandingBlocks();
  sim::Sync::mutexCreationFaults().failNth(1, 0);
  EXPECT_EQ(codeAfter([&](tStatus& s) { dispatcher.add("B", unversioned, s); }), nVLAPALS100::kStatusOutOfMemory);
  VersionedMap broken{"1.0", "1.0.0d0"};
  EXPECT_EQ(codeAfter([&](tStatus& s) { dispatcher.add("C", broken, s); }), vlregitools::kStatusVersionMalformed);

  EXPECT_EQ(dispatcher.getNumberOfRegistrations(), 0u);
  EXPECT_EQ(sim::Memory::outstandingBlocks(), before);
}

// Requests name their map by user memory: a user address and a length.
class DispatcherFromUserMode : public FixedLogicOnBoard {
 protected:
  DispatcherFromUserMode() {
    dispatcher.add("BoardControl", boardControl, status);
    dispatcher.add("Versioned", versioned, status);
  }

  tMapInterface* find(const std::string& name, uint64_t length, tStatus& s, tMutex** mutex = nullptr) {
    sim::UserBlock block(name.size() + 1);
    std::memcpy(block.data(), name.data(), name.size());
    tMapInterface* map = reinterpret_cast<tMapInterface*>(0x1);
    dispatcher.getRegistration(request, reinterpret_cast<const void*>(block.address()), length, &map, s, mutex);
    return map;
  }

  nVLAPAL000::tEventDescriptor request{nullptr};
  nBoardControl::tBoardControl boardControl{&fixedLogic, 0x1000, 0, 0x100};
  VersionedMap versioned{"1.0.0d0", "1.0.0d0"};
  ARMDispatcher dispatcher;
};

TEST_F(DispatcherFromUserMode, ReadsTheNameByItsLengthWithoutATerminator) {
  EXPECT_EQ(find("BoardControlAndMore", 12, status), &boardControl);
  EXPECT_EQ(find("Versioned_Ver1.0.0d0", 20, status), &versioned);
  EXPECT_EQ(find("BoardControl_Ver", 16, status), &boardControl) << "an empty version is the zero version";
  ASSERT_EQ(status.getCode(), 0);
  // An unversioned map refuses a client's version.
  EXPECT_EQ(siteOf(statusAfter([&](tStatus& s) { EXPECT_EQ(find("BoardControl_Ver1.0.0d0", 23, s), nullptr); })),
            (Site{vlregitools::kStatusClientVersionUnexpected, "Registration", 96}));
  EXPECT_EQ(codeAfter([&](tStatus& s) { EXPECT_EQ(find("BoardControl", 0, s), nullptr); }),
            vlregitools::kStatusRegistrationNotFound);
}

TEST_F(DispatcherFromUserMode, AHugeNameLengthIsRefusedBeforeAnythingIsAllocatedAndAFailedCopyKeepsNothing) {
  const int64_t blocks = sim::Memory::outstandingBlocks();
  const uint64_t allocations = sim::Memory::allocationFaults().calls();
  for (uint64_t length : {~uint64_t{0}, uint64_t{0x100000000}, uint64_t{4097}}) {
    EXPECT_EQ(codeAfter([&](tStatus& s) { EXPECT_EQ(find("BoardControl", length, s), nullptr); }),
              nVLAPALS100::kStatusInvalidParameter)
        << length;
  }
  EXPECT_EQ(sim::Memory::allocationFaults().calls(), allocations);
  EXPECT_EQ(sim::Memory::outstandingBlocks(), blocks);
  EXPECT_EQ(sim::UserMemory::inboundCopies(), 0u);

  // The longest accepted name is read, and then simply not found.
  EXPECT_EQ(codeAfter([&](tStatus& s) { EXPECT_EQ(find(std::string(4096, 'n'), 4096, s), nullptr); }),
            vlregitools::kStatusRegistrationNotFound);
  EXPECT_EQ(sim::UserMemory::inboundCopies(), 1u);

  // A failed copy finds nothing and frees the name.
  tMapInterface* map = reinterpret_cast<tMapInterface*>(0x1);
  dispatcher.getRegistration(request, reinterpret_cast<const void*>(0x1000), 12, &map, status, nullptr);
  EXPECT_EQ(map, nullptr);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_EQ(sim::Memory::outstandingBlocks(), blocks);
}

class RegisterFormatFromUserMode : public DispatcherFromUserMode {
 protected:
  // Asks for the format of `id` with user arrays of `capacity` entries.
  void format(uint32_t id, uint32_t capacity, tStatus& s) {
    count = capacity;
    dispatcher.getRegisterFormat(request, reinterpret_cast<const void*>(name.address()), 12, id, count,
                                 reinterpret_cast<void*>(types.address()), reinterpret_cast<void*>(masks.address()), s);
  }
  void SetUp() override { std::memcpy(name.data(), "BoardControl", 12); }

  sim::UserBlock name{12};
  sim::UserBlock types{256};
  sim::UserBlock masks{256 * 8};
  uint32_t count = 0;
};

TEST_F(RegisterFormatFromUserMode, RunsUnderTheMapsMutexAndReleasesIt) {
  tMutex* mutex = nullptr;
  find("BoardControl", 12, status, &mutex);
  ASSERT_NE(mutex, nullptr);
  tMutex* other = nullptr;
  find("Versioned_Ver1.0.0d0", 20, status, &other);
  EXPECT_NE(other, mutex);  // one mutex per registration
  mutex->acquire();         // a holder on this thread takes it again inside
  format(0x804A86A1, 64, status);
  EXPECT_EQ(count, 6u);
  EXPECT_EQ(mutex->getDepth(), 1u);
  mutex->release();
  EXPECT_FALSE(mutex->isHeldByCaller());

  EXPECT_EQ(codeAfter([&](tStatus& s) { format(0x80123456, 64, s); }), nVLAPALS100::kStatusNotSupported);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(board.bar0().traffic().size(), 0u);
}

// Adding names grows the entry vector and copies each name: whichever of
// those allocations fails, the dispatcher keeps what it had and leaks nothing.
TEST(DispatcherAllocationSweep, FailedAddsLeaveTheEarlierNamesAndNoLeak) {
  VersionedMap map;
  const uint64_t runs = vltest::sweepAllocationFailures([&] {
    ARMDispatcher dispatcher;
    tStatus status;
    const char* const names[] = {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"};
    uint64_t added = 0;
    for (const char* name : names) {
      dispatcher.add(name, map, status);
      if (status.isFatal()) break;
      ++added;
    }
    if (dispatcher.getSizeOfRegistrationList() != (added == 0 ? 1 : 2 * added)) return 1;
    return status.isFatal() && status.getCode() != -52000 ? 2 : 0;
  });
  EXPECT_GT(runs, 10u);
}

}  // namespace
