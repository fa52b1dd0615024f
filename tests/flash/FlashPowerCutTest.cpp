// Power cuts in the middle of every flash update: after the cut the board
// comes back, and what the flash holds must still be whole. The sweeps cut
// at every erase and flag write and at sampled programs.
#include <functional>
#include <map>
#include <random>

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
Operations record(FlashRig& rig, const std::function<void(tStatus&)>& run) {
  rig.flash().takeSnapshot();
  rig.flash().recordOperations(true);
  tStatus status;
  run(status);
  EXPECT_EQ(status.getCode(), 0);
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

TEST(RecordPowerCut, CutsAtErasesFlagWritesAndSeededProgramsLeaveAWholeCopySelected) {
  for (const RecordUpdate& update : kRecordUpdates) {
    RecordCuts cuts(update);
    const uint32_t seed = 0x5EED;
    SCOPED_TRACE(testing::Message() << update.what << ", seed " << seed);
    std::vector<size_t> chosen;
    for (size_t i = 0; i < cuts.operations.size(); ++i) {
      const uint64_t at = cuts.operations[i].address;
      if (cuts.operations[i].kind == Kind::Erase || (at >= update.select && at < update.select + 4)) {
        chosen.push_back(i);
      }
    }
    std::mt19937 random(seed);
    for (int i = 0; i < 3; ++i) chosen.push_back(random() % cuts.operations.size());
    for (const size_t cut : chosen) {
      cuts.rig.flash().restoreSnapshot();
      cuts.rig.flash().setTearSeed(seed + cut);
      cuts.rig.flash().losePowerDuring(cut + 1);
      tStatus torn, again;
      update.run(*cuts.rig.controller, torn);
      EXPECT_NE(torn.getCode(), 0) << "cut " << cut;
      cuts.rig.flash().restorePower();
      EXPECT_TRUE(cuts.selectsAWholeCopy()) << "cut " << cut;
      if (cuts.operations[cut].kind != Kind::Erase) continue;
      update.run(*cuts.rig.controller, again);  // the driver's next update finds a whole copy to start from
      EXPECT_EQ(again.getCode(), 0) << "cut " << cut;
      cuts.rig.board.bar0().clearTraffic();
    }
  }
}

// ---- The partition store ---------------------------------------------------

enum class Change { Create, InPlace, Move, Delete };

// Creates, rewrites in place (with and without a new size), moves (a
// memory-only partition written back persistently goes to the first gap)
// and deletes.
const struct Step {
  Change change;
  uint32_t id;
  size_t size;
} kScenario[] = {
    {Change::Create, 100, 10},    {Change::Create, 101, 300}, {Change::Create, 102, 50},
    {Change::InPlace, 101, 300},  {Change::Delete, 100, 0},   {Change::Move, 101, 300},
    {Change::InPlace, 102, 2000}, {Change::Delete, 102, 0},   {Change::Create, 103, 100},
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
void check(FlashRig& rig, const Step& step, const Contents& before, const Contents& after) {
  tStatus mounted;
  auto manager = rig.manager(mounted);
  ASSERT_EQ(mounted.getCode(), 0);
  Contents all = before;
  all.insert(after.begin(), after.end());
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
    EXPECT_TRUE(whole || (absentAllowed && !present) || (step.change == Change::InPlace && !readable)) << id;
  }
}

// Sweeps the scenario, cutting where `cutsAt` says among each
// step's operations; returns the number of cuts.
size_t sweep(uint32_t seed, const std::function<bool(const NorFlash::Operation&, size_t)>& cutsAt) {
  FlashRig rig;
  size_t made = 0;
  Contents committed;
  for (const Step& step : kScenario) {
    const Bytes data = pattern(step.size, static_cast<uint8_t>(seed * 31 + step.id + step.size));
    Contents next = committed;
    step.change == Change::Delete ? void(next.erase(step.id)) : void(next[step.id] = data);
    const Operations operations = record(rig, [&](tStatus& s) { run(rig, step, data, s); });
    for (size_t cut = 0; cut < operations.size(); ++cut) {
      if (!cutsAt(operations[cut], cut)) continue;
      SCOPED_TRACE(testing::Message() << "seed " << seed << ", partition " << step.id << ", cut " << cut);
      rig.flash().restoreSnapshot();
      rig.flash().setTearSeed(seed * 7919 + made++);
      rig.flash().losePowerDuring(cut + 1);
      tStatus torn;
      run(rig, step, data, torn);
      rig.flash().restorePower();
      check(rig, step, committed, next);
      rig.board.bar0().clearTraffic();
    }
    rig.flash().restoreSnapshot();
    tStatus again;
    run(rig, step, data, again);
    committed = next;
  }
  return made;
}

TEST(StorePowerCut, CreateRewriteMoveAndDeleteSurviveCutsAtEveryEraseAndSampledPrograms) {
  const size_t made =
      sweep(1, [](const NorFlash::Operation& op, size_t i) { return op.kind == Kind::Erase || i % 8 == 3; });
  EXPECT_GT(made, 200u);
}

}  // namespace
