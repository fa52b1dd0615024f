// Power cuts in the middle of every flash update: after the cut the board
// comes back, and what the flash holds must still be whole. Record updates
// are cut at every operation, store steps at every erase and sampled programs.
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>

#include "sim/board/FlashImage.h"
#include "tests/flash/FlashRig.h"

namespace {

using namespace vltest;
using sim::FlashLayout;
using sim::NorFlash;
using Kind = NorFlash::Operation::Kind;
using Operations = std::vector<NorFlash::Operation>;

// Records the operations of a clean run from the current state, then gives
// that state back.
Operations record(FlashRig& rig, const std::function<void(tStatus&)>& run, bool fails = false) {
  rig.flash().takeSnapshot();
  rig.flash().recordOperations(true);
  tStatus status;
  run(status);
  EXPECT_EQ(status.getCode() != 0, fails);
  const Operations operations = rig.flash().recordedOperations();
  rig.flash().recordOperations(false);
  return operations;
}

// ---- The two-copy records below the store ----------------------------------

struct RecordUpdate {
  const char* what;
  uint32_t select, copy1, copy2;
  std::function<void(OVCalEEPROMController&, tStatus&)> run;
};

const RecordUpdate kRecordUpdates[] = {
    {"POSC", FlashLayout::kPoscSelect, FlashLayout::kPoscCopy1, FlashLayout::kPoscCopy2,
     [](OVCalEEPROMController& c, tStatus& s) { c.programSubsystemId(0x7A11, s); }},
    {"capability list", FlashLayout::kCapabilitySelect, FlashLayout::kCapabilityCopy1, FlashLayout::kCapabilityCopy2,
     [](OVCalEEPROMController& c, tStatus& s) { c.writeDeviceSpecificCapabilities(pattern(40, 9).data(), 40, s); }},
};

// The update once on the factory image: its operations, and the records
// the flag may select at any moment (the old one or the new one).
struct RecordCuts {
  explicit RecordCuts(const RecordUpdate& u) : update(u) {
    old = selected();
    operations = record(rig, [&](tStatus& s) { update.run(*rig.controller, s); });
    fresh = selected();
    rig.flash().restoreSnapshot();
  }
  Bytes selected() {
    return rig.flash().contents(rig.flash().peek32(update.select) == 0 ? update.copy1 : update.copy2, 0x10000);
  }
  bool selectsAWholeCopy() {
    const Bytes now = selected();
    return now == old || now == fresh;
  }

  const RecordUpdate& update;
  FlashRig rig;
  Bytes old, fresh;
  Operations operations;
};

TEST(RecordPowerCut, CutsAtEveryOperationLeaveAWholeCopySelected) {
  for (const RecordUpdate& update : kRecordUpdates) {
    RecordCuts cuts(update);
    SCOPED_TRACE(update.what);
    for (size_t cut = 0; cut < cuts.operations.size(); ++cut) {
      cuts.rig.flash().restoreSnapshot();
      cuts.rig.flash().setTearSeed(0x5EED + cut);
      cuts.rig.flash().losePowerDuring(cut + 1);
      tStatus torn, again;
      update.run(*cuts.rig.controller, torn);
      EXPECT_NE(torn.getCode(), 0) << "cut " << cut;
      cuts.rig.flash().restorePower();
      EXPECT_TRUE(cuts.selectsAWholeCopy()) << "cut " << cut;
      if (cuts.operations[cut].kind != Kind::Erase) continue;
      update.run(*cuts.rig.controller, again);  // the driver's next update finds a whole copy to start from
      EXPECT_EQ(again.getCode(), 0) << "cut " << cut;
    }
  }
}

// ---- The partition store ---------------------------------------------------

// Move: a memory-only write, then persisted again. Resize: a persistent
// rewrite to a new sector count that moves the partition (FailedResize:
// while table copy B cannot be written, so the write fails and the next
// step mounts again). Only InPlace rewrites a record where the table names
// it.
enum class Change { Create, InPlace, Move, Resize, FailedResize, Delete };

// Creates, rewrites in place, moves into gaps that touch the partition's
// own sectors and deletes next to the moves. Sectors (@n) as the steps
// leave them: 101 moves to @0 after 100's delete, then, persisted again
// over its own record, to @2; 103 (@1) grows over the free @0 into @3-4;
// 104 (@5-7) shrinks to two sectors with a free @4 before it, into @8-9;
// 103, shrunk in place to @3, grows into @0-1 after 105's delete.
const struct Step {
  Change change;
  uint32_t id;
  size_t size;
} kScenario[] = {
    {Change::Create, 100, 10},     {Change::Create, 101, 300},         {Change::Create, 102, 50},
    {Change::InPlace, 101, 300},   {Change::Delete, 100, 0},           {Change::Move, 101, 300},
    {Change::InPlace, 102, 2000},  {Change::Delete, 102, 0},           {Change::Create, 103, 100},
    {Change::Move, 101, 20},       {Change::FailedResize, 103, 70000}, {Change::Resize, 103, 70000},
    {Change::Create, 104, 140000}, {Change::Create, 105, 70000},       {Change::InPlace, 103, 10},
    {Change::Resize, 104, 70000},  {Change::Delete, 105, 0},           {Change::Resize, 103, 70000},
};

using Contents = std::map<uint32_t, Bytes>;

void run(FlashRig& rig, const Step& step, const Bytes& data, tStatus& status) {
  auto manager = rig.manager(status);
  uint32_t sequence = 0;
  if (step.change == Change::Delete) return manager->deletePartition(step.id, {}, sequence, status);
  if (step.change == Change::Move) put(*manager, step.id, data, status, 0);
  put(*manager, step.id, data, status);
}

// After remounting, every partition the step does not touch reads back
// exactly; the one it touches is whole (old or new, or absent where it is
// being created or deleted), except that one rewritten in place may be lost.
// True when that one was lost.
bool check(FlashRig& rig, const Step& step, const Contents& before, const Contents& after) {
  tStatus mounted;
  auto manager = rig.manager(mounted);
  EXPECT_EQ(mounted.getCode(), 0);
  Contents all = before;
  all.insert(after.begin(), after.end());
  bool lost = false;
  for (const auto& [id, bytes] : all) {
    tStatus read;
    const bool present = manager->hasPartition(id);
    const Bytes got = get(*manager, id, read);
    const bool readable = present && read.getCode() == 0;
    if (id != step.id) {
      EXPECT_TRUE(readable && got == bytes) << id;
      continue;
    }
    const bool whole =
        readable && ((before.count(id) && got == before.at(id)) || (after.count(id) && got == after.at(id)));
    const bool absentAllowed = step.change == Change::Create || step.change == Change::Delete;
    lost = !whole && !(absentAllowed && !present);
    EXPECT_TRUE(!lost || step.change == Change::InPlace) << id;
  }
  return lost;
}

struct Figures {
  size_t cuts = 0;
  size_t lostInPlace = 0;
};

// Sweeps the scenario, cutting where `cutsAt` says among each step's
// operations (given their count).
Figures sweep(uint32_t seed, const std::function<bool(const NorFlash::Operation&, size_t, size_t)>& cutsAt) {
  FlashRig rig;
  Figures figures;
  Contents committed;
  for (const Step& step : kScenario) {
    const Bytes data = pattern(step.size, static_cast<uint8_t>(seed * 31 + step.id + step.size));
    Contents next = committed;
    step.change == Change::Delete ? void(next.erase(step.id)) : void(next[step.id] = data);
    const bool tableFails = step.change == Change::FailedResize;
    if (tableFails) rig.flash().setStuckBits(FlashLayout::kPartitionTableB + 2, 1, 1);
    const Operations operations = record(
        rig, [&](tStatus& s) { run(rig, step, data, s); }, tableFails);
    for (size_t cut = 0; cut < operations.size(); ++cut) {
      if (!cutsAt(operations[cut], cut, operations.size())) continue;
      SCOPED_TRACE(testing::Message() << "seed " << seed << ", partition " << step.id << ", cut " << cut);
      rig.flash().restoreSnapshot();
      rig.flash().setTearSeed(seed * 7919 + figures.cuts++);
      rig.flash().losePowerDuring(cut + 1);
      tStatus torn;
      run(rig, step, data, torn);
      rig.flash().restorePower();
      figures.lostInPlace += check(rig, step, committed, next) ? 1 : 0;
    }
    rig.flash().restoreSnapshot();
    tStatus again;
    run(rig, step, data, again);
    rig.flash().setStuckBits(FlashLayout::kPartitionTableB + 2, 0, 0);
    if (!tableFails) committed = next;
    check(rig, step, committed, committed);
  }
  return figures;
}

// Every erase and the first nine programs of a step, then every 8th
// program (every 997th of a step over half a sector's words). The long run
// (VL_FLASH_SWEEP_SEEDS=N, `ninja flash_sweeps_long`) sweeps N seeds and
// cuts at every operation (every 97th of the long steps).
TEST(StorePowerCut, CreateRewriteMoveAndDeleteSurviveCutsAtEveryEraseAndSampledPrograms) {
  const char* given = std::getenv("VL_FLASH_SWEEP_SEEDS");
  const uint32_t seeds = given != nullptr ? static_cast<uint32_t>(std::strtoul(given, nullptr, 10)) : 1;
  const size_t stride = given != nullptr ? 1 : 8;
  const size_t longStride = given != nullptr ? 97 : 997;
  Figures total;
  for (uint32_t seed = 1; seed <= seeds && !testing::Test::HasFailure(); ++seed) {
    const Figures figures = sweep(seed, [&](const NorFlash::Operation& op, size_t i, size_t count) {
      return op.kind == Kind::Erase || i < 9 || i % (count > 0x8000 ? longStride : stride) == 3 % stride;
    });
    total.cuts += figures.cuts;
    total.lostInPlace += figures.lostInPlace;
  }
  std::printf("%u seeds, %zu cuts, %zu partitions lost (all rewritten in place)\n", seeds, total.cuts,
              total.lostInPlace);
  EXPECT_GT(total.cuts, 200u);
}

}  // namespace
