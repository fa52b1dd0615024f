#include <gtest/gtest.h>

#include <vector>

#include "driver/platform/runtime/CppRunTime.h"
#include "sim/kernel/Kernel.h"

namespace {

using namespace nVLAPAL000;

std::vector<int> gCalls;

template <int N>
void record() {
  gCalls.push_back(N);
}

TEST(ConstructorTable, RunsEveryEntryBetweenTheMarkersLastFirst) {
  const tStaticConstructor table[] = {nullptr,   record<1>, record<2>, record<3>,  record<4>,  record<5>,  record<6>,
                                      record<7>, record<8>, record<9>, record<10>, record<11>, record<12>, nullptr};
  gCalls.clear();
  runConstructorTable(&table[0], &table[13]);
  EXPECT_EQ(gCalls, (std::vector<int>{12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1}));
}

void note(void* argument) { gCalls.push_back(static_cast<int>(reinterpret_cast<intptr_t>(argument))); }

void registerLate(void* head) {
  gCalls.push_back(0);
  registerAtExit(note, reinterpret_cast<void*>(99), static_cast<tAtExitNode**>(head));
}

// Destructors run last registered first, one registered during the pass
// within it; a node that cannot be allocated leaves the list as it was.
TEST(AtExitList, RunsInReverseOrderIncludingEntriesRegisteredDuringThePass) {
  tAtExitNode* head = nullptr;
  for (intptr_t id : {1, 2}) ASSERT_EQ(registerAtExit(note, reinterpret_cast<void*>(id), &head), 0);
  registerAtExit(registerLate, &head, &head);
  sim::Memory::allocationFaults().failNth(1, 0);
  EXPECT_EQ(registerAtExit(note, nullptr, &head), -1);
  gCalls.clear();
  runAtExitList(&head);
  EXPECT_EQ(gCalls, (std::vector<int>{0, 99, 2, 1}));
  EXPECT_EQ(head, nullptr);
}

TEST(CppRunTime, OnlyTheLastFinalizeDestroys) {
  initializeCPPRunTime();
  initializeCPPRunTime();
  registerAtExit(note, reinterpret_cast<void*>(7), atExitListHead());
  gCalls.clear();
  finalizeCPPRunTime();
  EXPECT_TRUE(gCalls.empty()) << "an outer user is still there";
  finalizeCPPRunTime();
  EXPECT_EQ(gCalls, (std::vector<int>{7}));
}

}  // namespace
