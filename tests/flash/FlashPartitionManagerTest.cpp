// The partition store over the controller and the board model: the table
// format on flash, mounting from either copy, placement, sequence numbers,
// foreign tables, and what the manager keeps when a write fails.
#include <map>
#include <set>
#include <tuple>

#include "driver/platform/crc/Crc32.h"
#include "sim/board/FlashImage.h"
#include "tests/flash/FlashRig.h"
#include "tests/support/StatusChecks.h"

namespace {

using namespace vltest;
using sim::FlashLayout;

constexpr int64_t kBadSelector = nVLAPALS100::kStatusBadSelector;
constexpr int64_t kInvalid = nVLAPALS100::kStatusInvalidParameter;
constexpr int64_t code(uint32_t value) { return static_cast<int32_t>(value); }

struct Entry {
  uint32_t id, address, dataSize, recordSize;
  uint8_t flags;
};

void append32(Bytes& bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// A table image as another writer may have left it; `tail` bytes follow.
Bytes image(const std::vector<Entry>& entries, uint8_t version = 1, uint8_t oldest = 1, uint32_t entrySize = 17,
            std::optional<uint32_t> count = {}, size_t tail = 0) {
  Bytes bytes = {version, oldest};
  for (uint32_t word : {14u, entrySize, count.value_or(static_cast<uint32_t>(entries.size()))}) append32(bytes, word);
  for (const Entry& e : entries) {
    for (uint32_t word : {e.id, e.address, e.dataSize, e.recordSize}) append32(bytes, word);
    bytes.push_back(e.flags);
  }
  bytes.resize(bytes.size() + tail, 0);
  return bytes;
}

// A record: the payload and its CRC.
void store(sim::NorFlash& flash, uint32_t at, const Bytes& payload) {
  Bytes record = payload;
  append32(record, nVLAPAL000::crc32(payload.data(), payload.size()));
  flash.load(at, record.data(), record.size());
}

class PartitionStore : public testing::Test {
 protected:
  // Lays a foreign table in both copies, with each partition's record.
  static void lay(FlashRig& rig, const std::vector<Entry>& entries, const std::vector<Bytes>& data = {}) {
    for (uint32_t copy : {FlashLayout::kPartitionTableA, FlashLayout::kPartitionTableB}) {
      store(rig.flash(), copy, image(entries));
    }
    for (size_t i = 0; i < data.size(); ++i) store(rig.flash(), rig.storeByte(entries[i].address), data[i]);
  }
  std::unique_ptr<FlashPartitionManager> mount() { return rig.manager(status); }
  static uint32_t address(FlashPartitionManager& m, uint32_t id) {
    tStatus s;
    return m.getPartitionInfo(id, s).address;
  }

  FlashRig rig;
  tStatus status{tStatus::kFullSize};
};

TEST_F(PartitionStore, BlankFlashIsFormattedBFirstWithTheEmptyEighteenByteRecord) {
  const Bytes empty = {0x01, 0x01, 0x0E, 0, 0, 0, 0x11, 0, 0, 0, 0, 0, 0, 0, 0x9F, 0xA3, 0x02, 0xC8};
  EXPECT_EQ(sim::FlashImage::emptyPartitionTableRecord(), empty) << "the factory image holds the same table";
  sim::BoardOptions blank;
  blank.flash.blank = true;
  FlashRig fresh(blank);
  tStatus unformatted;
  fresh.manager(unformatted);
  EXPECT_EQ(unformatted.getCode(), code(0xBFFA9174)) << "a blank flash mounts only when formatted";
  fresh.flash().recordOperations(true);
  FlashPartitionManager formatted(fresh.controller.get(), {}, rfplatki::FlashId{}, true, status);
  Bytes padded = empty;
  padded.insert(padded.end(), {0xFF, 0xFF});
  EXPECT_EQ(fresh.flash().contents(FlashLayout::kPartitionTableB, 20), padded) << "no padding follows";
  EXPECT_EQ(fresh.flash().contents(FlashLayout::kPartitionTableA, 18), empty);
  EXPECT_EQ(fresh.flash().recordedOperations().front().address, FlashLayout::kPartitionTableB);
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(PartitionStore, FirstFitPlacementOnWholeSectors) {
  auto m = mount();
  put(*m, 100, pattern(10, 1), status);
  put(*m, 101, pattern(70'000, 2), status);
  put(*m, 102, pattern(1, 3), status);
  EXPECT_EQ(std::vector<uint32_t>({address(*m, 100), address(*m, 101), address(*m, 102)}),
            std::vector<uint32_t>({0, 0x10000, 0x30000}));
  uint32_t sequence = 0;
  m->deletePartition(101, {}, sequence, status);
  put(*m, 103, pattern(0xFFFD, 4), status);
  EXPECT_EQ(address(*m, 103), 0x10000u);
  EXPECT_EQ(get(*mount(), 103, status), pattern(0xFFFD, 4)) << "the table went to flash";
  EXPECT_EQ(status.getCode(), 0);

  for (const auto& [id, size, expected] :
       {std::tuple{200u, 0x5DFFFC, int64_t{0}}, std::tuple{201u, 0x5DFFFD, int64_t{nVLAPALS100::kStatusOutOfMemory}}}) {
    FlashRig whole;
    EXPECT_EQ(codeAfter([&](tStatus& s) { put(*whole.manager(s), id, Bytes(size, 0), s); }), expected);
  }
}

// A number starts at 2 x id, a write moves it on, a stale one is refused
// and a mount keeps it: the module's flash requests check those.
TEST_F(PartitionStore, SequenceNumbersGuardEveryWrite) {
  auto m = mount();
  UserBytes data(pattern(4, 1));
  uint32_t sequence = 601;
  m->writePartition(301, data.buffer(), 1, {}, sequence, status);
  EXPECT_EQ(status.getCode(), code(0xBFFA9020)) << "a partition whose number was never read";
  nVLAPAL000::tEventDescriptor descriptor{nullptr};
  for (const uint64_t size : {uint64_t{0}, uint64_t{0xFFFEFFFD}, uint64_t{0x100000000}}) {
    tStatus s;
    nVLAPAL000::tUserBuffer buffer(descriptor, uint64_t{0x1000}, size, s);
    m->writePartition(9, buffer, 1, {}, sequence, s);
    EXPECT_EQ(s.getCode(), kInvalid) << "a record or sector count beyond 32 bits: " << size;
  }
}

// A flood of queries of unknown ids gives up the numbers of ids without a
// partition, oldest first: a write whose read it outlived answers as one
// never read, and an id with a partition keeps its number. Other ids'
// leaves then carry the device-life offset 2^31 past E, held all along (as
// two ids written 2^30 + 65 times each would), before E leaves: the offset
// never moves back, so S comes back past every number it had and D's
// number from before stays stale. From just below 2^31 and 2^32.
TEST_F(PartitionStore, GivenUpIdsAnswerAsNeverReadAndComeBackPastEveryNumber) {
  constexpr uint32_t kE = 0x2A0, kS = 0x2A1;
  for (const uint64_t start : {(uint64_t{1} << 31) - 8, (uint64_t{1} << 32) - 8}) {
    FlashRig fresh;
    fresh.numberOffset = start;
    tStatus s;
    auto m = fresh.manager(s);
    UserBytes none(0), late(Bytes{0xD});
    uint32_t any = 0, stale = 0, now = 0;
    const auto flood = [&](uint32_t from, uint32_t count) {
      for (uint32_t id = from; id < from + count && s.isNotFatal(); ++id)
        m->readPartition(id, none.buffer(), {}, any, s);
    };
    const auto write = [&](uint32_t number) {
      return codeAfter([&](tStatus& w) { m->writePartition(kS, late.buffer(), 0, {}, number, w); });
    };
    const uint32_t held = put(*m, kE, Bytes{1}, s, 0);
    for (int i = 0; i < 6; ++i) put(*m, kS, Bytes{2}, s, 0);
    m->readPartition(kS, none.buffer(), {}, stale, s);
    m->deletePartition(kS, {}, any, s);
    flood(0x10000, qrtk::SequenceNumberMap::kMaxIds - 2);
    put(*m, 0x2A2, Bytes{3}, s, 0);  // gives S up
    EXPECT_EQ(write(stale), code(0xBFFA9020));
    m->readPartition(kE, none.buffer(), {}, now, s);
    EXPECT_EQ(now, held);
    fresh.numberOffset += (uint64_t{1} << 31) + 100;
    m->deletePartition(kE, {}, any, s);
    flood(0x30000, qrtk::SequenceNumberMap::kMaxIds - 1);  // gives E up last
    for (int i = 0; i < 3; ++i) put(*m, kS, Bytes{4}, s, 0);
    EXPECT_EQ(write(stale), code(0xBFFA9021));
    EXPECT_EQ(get(*m, kS, s), Bytes{4});
    m->readPartition(kS, none.buffer(), {}, now, s);
    EXPECT_GT(now - (stale - 6), 7u) << "S had the numbers from " << stale - 6 << " to " << stale + 1;
    EXPECT_EQ(s.getCode(), 0) << start;
  }
}

// Reads of the flash fail: those that do not check a write just made,
// or the check of the nth write from when `checksToFail` was set.
struct FaultyReads : OVCalEEPROMController {
  using OVCalEEPROMController::OVCalEEPROMController;
  void writeWithErase(const uint8_t* data, uint32_t address, uint32_t length, tStatus& status) override {
    OVCalEEPROMController::writeWithErase(data, address, length, status);
    checking = status.isNotFatal();
  }
  void read(uint8_t* buffer, uint32_t address, uint32_t length, tStatus& status) override {
    if (std::exchange(checking, false) ? --checksToFail == 0 : failOthers) status.setCode(-1, "t", __FILE__, 0);
    OVCalEEPROMController::read(buffer, address, length, status);
  }
  bool failOthers = false, checking = false;
  int checksToFail = 0;
};

// The table copy written first fails a create after the partition's
// record was written. Read back spoilt, it names nothing: a delete writes
// nothing, while the copy is worn and once it is mended. Not readable at
// all, or failing only the check of its write, it may: the delete writes
// the table and answers as that write does, until both copies took one.
TEST_F(PartitionStore, ADeleteOfACreateNoTableCopyTookWritesNothing) {
  const struct {
    const char* what;
    bool worn, unreadable, checkFails, fails[2], writes[2];
  } cases[] = {
      {"spoilt", true, false, false, {false, false}, {false, false}},
      {"unreadable", true, true, false, {true, false}, {true, true}},
      {"its check failed", false, false, true, {false, false}, {true, false}},
  };
  const uint32_t worn = FlashLayout::kPartitionTableB + 2;
  for (const auto& c : cases) {
    FlashRig store;
    tStatus s;
    FaultyReads device(store.window, store.core.ConfPortWindowControl[0], s);
    FlashPartitionManager m(&device, {}, {}, false, &store.numberOffset, s);
    device.failOthers = c.unreadable;
    device.checksToFail = c.checkFails ? 2 : 0;  // the record's check passes, table copy B's fails
    store.flash().setStuckBits(worn, c.worn ? 1 : 0, 1);
    EXPECT_NE(codeAfter([&](tStatus& w) { put(m, 0x2F3, pattern(3000, 1), w); }), 0) << c.what;
    device.failOthers = false;
    for (const int mended : {0, 1}) {
      if (mended != 0) store.flash().setStuckBits(worn, 0, 0);
      store.flash().recordOperations(true);
      uint32_t sequence = 0;
      EXPECT_EQ(codeAfter([&](tStatus& d) { m.deletePartition(0x2F3, {}, sequence, d); }) != 0, c.fails[mended])
          << c.what << mended;
      EXPECT_NE(store.flash().recordedOperations().empty(), c.writes[mended]) << c.what << mended;
    }
    EXPECT_FALSE(store.manager(s)->hasPartition(0x2F3)) << c.what;
    EXPECT_EQ(s.getCode(), 0) << c.what;
  }
}

// Each memory-only partition counts at least 4 KiB: 4,096 of one byte fill
// the 16 MiB device budget; a rewrite is charged what it replaces, and
// one persisted or deleted gives its charge back.
TEST_F(PartitionStore, MemoryOnlyPartitionsCountFourKibAtLeast) {
  auto m = mount();
  for (uint32_t id = 1000; id < 1000 + 4096 && status.isNotFatal(); ++id) put(*m, id, Bytes{1}, status, 0);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(codeAfter([&](tStatus& s) { put(*m, 6000, Bytes{1}, s, 0); }), nVLAPALS100::kStatusOutOfMemory);
  put(*m, 1000, Bytes(4096, 2), status, 0);
  EXPECT_EQ(codeAfter([&](tStatus& s) { put(*m, 1000, Bytes(4097, 2), s, 0); }), nVLAPALS100::kStatusOutOfMemory);
  put(*m, 1001, Bytes{3}, status);
  put(*m, 6000, Bytes{1}, status, 0);
  uint32_t sequence = 0;
  m->deletePartition(1002, {}, sequence, status);
  put(*m, 6001, Bytes{1}, status, 0);
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(PartitionStore, MountsFromEitherCopyAndRefusesBrokenTables) {
  lay(rig, {{5, 0, 3, 7, 0}}, {Bytes{1, 2, 3}});
  rig.flash().load32(FlashLayout::kPartitionTableA + 14, 0);  // A's CRC no longer matches
  // What a mount leaves ids below 80 until they are rewritten is the flash
  // scenarios' to check.
  EXPECT_EQ(mount()->getCurrentCopy(), FlashPartitionManager::kCopyB);

  const struct {
    const char* what;
    Bytes table;
    int64_t code;
  } cases[] = {
      {"a repeated id", image({{100, 0, 3, 7, 0}, {100, 0x10000, 3, 7, 0}}), kBadSelector},
      {"an entry too short for its CRC", image({{100, 0, 0xFFFFFFFF, 3, 0}}), kBadSelector},
      {"entries narrower than 17 bytes", image({}, 1, 1, 1, 2, 2), kBadSelector},
      {"a table too old", image({}, 0, 0), code(0xBFFA9023)},
      {"a table too new", image({}, 2, 2), code(0xBFFA9025)},
      {"a version below its own oldest", image({}, 1, 2), nVLAPALS100::kStatusValueOutOfRange},
      {"a length that wraps in 32 bits", image({}, 1, 1, 17, 0x0F0F0F10, 16), code(0xBFFA9174)},
  };
  for (const auto& c : cases) {
    FlashRig broken;
    for (uint32_t copy : {FlashLayout::kPartitionTableA, FlashLayout::kPartitionTableB}) {
      store(broken.flash(), copy, c.table);
    }
    tStatus s;
    broken.manager(s);
    EXPECT_EQ(s.getCode(), c.code) << c.what;
  }
}

// Foreign tables may place records off sector starts, next to the tables
// or over each other; nothing written may cost another partition.
TEST_F(PartitionStore, ForeignPlacementsNeverCostAnotherPartition) {
  lay(rig,
      {{100, 0x100, 3, 7, 0}, {101, 0x8000, 3, 7, 0}, {102, 0x5D0000, 0x10000, 0x10004, 0}, {103, 0x5C0000, 1, 5, 2}},
      {Bytes{1, 1, 1}, Bytes{2, 2, 2}, Bytes(0x10000, 3)});
  auto m = mount();
  EXPECT_EQ(codeAfter([&](tStatus& s) { put(*m, 103, Bytes(0x10000, 1), s); }), nVLAPALS100::kStatusOutOfMemory)
      << "a fixed partition cannot grow into a move";
  put(*m, 100, Bytes{4, 4, 4}, status);
  EXPECT_NE(address(*m, 100), 0x100u) << "an in-place rewrite would erase 101's sector: moved";
  EXPECT_EQ(get(*mount(), 101, status), (Bytes{2, 2, 2}));
  put(*m, 102, Bytes(0x10000, 5), status);
  EXPECT_EQ(status.getCode(), kInvalid) << "its record would reach the table sectors";
  EXPECT_EQ(rig.flash().sectorErases(0x7E), 1u) << "only the move's table write touched copy B";

  FlashRig overlap;
  tStatus s;
  store(overlap.flash(), FlashLayout::kPartitionTableA, image({{1, 0, 0x20001, 0x20005, 0}, {2, 0x10000, 1, 5, 0}}));
  auto o = overlap.manager(s);
  put(*o, 3, Bytes{1}, s);
  EXPECT_EQ(address(*o, 3), 0x30000u) << "placement does not step back into a range it passed";
}

TEST_F(PartitionStore, FailedWritesKeepWhatTheFlashStillHolds) {
  auto m = mount();
  for (uint32_t id : {100u, 101u, 102u}) put(*m, id, pattern(10, static_cast<uint8_t>(id)), status);
  // Growing 100 moves it to 0x30000, whose sector cannot be programmed.
  rig.flash().setStuckBits(rig.storeByte(0x30000), 1, 0);
  tStatus moved, table, resize, removed;
  put(*m, 100, pattern(70'000, 3), moved);
  EXPECT_EQ(moved.getCode(), nVLAPALS100::kStatusValueOutOfRange);
  EXPECT_EQ(address(*m, 100), 0u);
  EXPECT_EQ(get(*m, 100, status), pattern(10, 100)) << "the old record and its memory copy are back";
  rig.flash().setStuckBits(rig.storeByte(0x30000), 0, 0);
  // Table copy B cannot be written: a move keeps its old place, an
  // in-place resize keeps its new data for the next table write.
  rig.flash().setStuckBits(FlashLayout::kPartitionTableB, 1, 0);
  put(*m, 101, pattern(70'000, 4), table);
  EXPECT_NE(table.getCode(), 0);
  EXPECT_EQ(get(*m, 101, status), pattern(10, 101));
  put(*m, 102, pattern(20, 5), resize);
  EXPECT_NE(resize.getCode(), 0);
  EXPECT_EQ(get(*m, 102, status), pattern(20, 5));
  uint32_t sequence = 0;
  m->deletePartition(101, {}, sequence, removed);
  EXPECT_NE(removed.getCode(), 0);
  EXPECT_TRUE(m->hasPartition(101)) << "a delete the table did not take puts the partition back";
  tStatus copyIn;
  sim::UserMemory::inboundCopyFaults().failNth(1, sim::UserMemory::kCopyFault);
  put(*m, 100, pattern(30, 6), copyIn);
  EXPECT_NE(copyIn.getCode(), 0);
  EXPECT_EQ(get(*m, 100, status), pattern(10, 100)) << "caller memory that cannot be read changes nothing";
  rig.flash().setStuckBits(FlashLayout::kPartitionTableB, 0, 0);
  put(*m, 102, pattern(20, 7), status);  // the same size, and the table on flash still names the old one
  EXPECT_EQ(get(*mount(), 102, status), pattern(20, 7));
  EXPECT_EQ(status.getCode(), 0);
}

// No create lands on sectors a table copy on flash may still name: those
// of a create whose second table copy failed, of a partition made
// memory-only, of a persist whose second copy failed. The create's own
// first table copy then fails (as a cut there would leave it), and after
// the remount every listed partition reads one of its own versions.
TEST_F(PartitionStore, NoCreateLandsWhereATableCopyNamesARecord) {
  struct Write {
    uint32_t id;
    size_t size;
    uint32_t flags;
    bool copyAFails;
  };
  const struct {
    const char* what;
    std::vector<Write> writes;
  } cases[] = {
      {"a failed create", {{0x260, 3000, 1, true}}},
      {"a partition made memory-only", {{0x2D0, 140'000, 1, false}, {0x2D1, 3000, 1, false}, {0x2D0, 100, 0, false}}},
      {"a failed persist", {{0x2E0, 10, 1, false}, {0x2E0, 10, 0, false}, {0x2E0, 100, 1, true}}},
  };
  for (const auto& c : cases) {
    FlashRig store;
    tStatus s;
    auto m = store.manager(s);
    std::map<uint32_t, std::set<Bytes>> versions;
    const auto write = [&](const Write& w, bool fails) {
      const uint32_t stuck = (w.copyAFails ? FlashLayout::kPartitionTableA : FlashLayout::kPartitionTableB) + 2;
      store.flash().setStuckBits(stuck, fails ? 1 : 0, fails ? 1 : 0);
      tStatus written;
      put(*m, w.id, pattern(w.size, static_cast<uint8_t>(w.id)), written, w.flags);
      EXPECT_EQ(written.getCode() != 0, fails) << c.what << ": " << w.id;
      store.flash().setStuckBits(stuck, 0, 0);
      versions[w.id].insert(pattern(w.size, static_cast<uint8_t>(w.id)));
    };
    for (const Write& w : c.writes) write(w, w.copyAFails);
    write(Write{0x2FF, 70'000, 1, m->getCurrentCopy() == FlashPartitionManager::kCopyB}, true);
    auto remounted = store.manager(s);
    vlhtl::Vector<qrtk::PartitionInfo> listed;
    remounted->listPartitions(listed, s);
    for (const qrtk::PartitionInfo& info : listed) {
      tStatus read;
      EXPECT_EQ(versions[info.id].count(get(*remounted, info.id, read)), 1u) << c.what << ": " << info.id;
      EXPECT_EQ(read.getCode(), 0) << c.what << ": " << info.id;
    }
    EXPECT_EQ(s.getCode(), 0) << c.what;
  }
}

// 101 (one sector at 0x10000) grows with a free sector before it, or is
// persisted again after being made memory-only: a first fit covering its
// own sectors would erase the record the table names before the table
// names the new place. When the write then fails, the flash still holds
// the record a mount finds (the new one where only copy A failed), and a
// new partition placed next does not take its sectors.
TEST_F(PartitionStore, AFailedMoveLeavesTheRecordATableNamesWhole) {
  const struct {
    const char* what;
    std::vector<uint32_t> stuck;
    bool memoryOnlyFirst;
    size_t size;
    bool remountsNew;
  } cases[] = {
      {"the table copy written first fails", {FlashLayout::kPartitionTableB + 2}, false, 70'000, false},
      {"the record fails in its second sector", {rig.storeByte(0x10100), rig.storeByte(0x20100)}, false, 70'000, false},
      {"memory-only, persisted again", {FlashLayout::kPartitionTableB + 2}, true, 20, false},
      {"the table copy written second fails", {FlashLayout::kPartitionTableA + 2}, false, 70'000, true},
  };
  for (const auto& c : cases) {
    FlashRig store;
    tStatus s, failed, created;
    auto m = store.manager(s);
    put(*m, 100, pattern(10, 1), s);
    put(*m, 101, pattern(10, 2), s);
    uint32_t sequence = 0;
    if (c.memoryOnlyFirst) put(*m, 101, pattern(10, 3), s, 0);
    if (!c.memoryOnlyFirst) m->deletePartition(100, {}, sequence, s);
    ASSERT_EQ(s.getCode(), 0) << c.what;
    for (uint32_t at : c.stuck) store.flash().setStuckBits(at, 1, 1);  // words whose bit 0 is programmed
    put(*m, 101, pattern(c.size, 3), failed);
    put(*m, 102, pattern(70'000, 4), created);  // fails with a stuck table copy; either way beside 101
    EXPECT_NE(failed.getCode(), 0) << c.what;
    EXPECT_EQ(get(*m, 101, s), pattern(10, c.memoryOnlyFirst ? 3 : 2)) << c.what;
    EXPECT_EQ(get(*store.manager(s), 101, s), c.remountsNew ? pattern(c.size, 3) : pattern(10, 2)) << c.what;
    EXPECT_EQ(s.getCode(), 0) << c.what;
  }
}

// 101 has three sectors with one free sector before it and the rest of the
// store taken: shrunk to two sectors it is rewritten in place; grown to
// four it cannot keep its record and finds no other gap.
TEST_F(PartitionStore, WithNoOtherGapAShrinkStaysInPlaceAndAGrowWritesNothing) {
  const uint32_t rest = 0x5E0000 - 0x40000;
  lay(rig, {{101, 0x10000, 0x20010, 0x20014, 0}, {102, 0x40000, rest - 4, rest, 0}}, {pattern(0x20010, 1)});
  auto m = mount();
  put(*m, 101, pattern(70'000, 2), status);
  EXPECT_EQ(address(*m, 101), 0x10000u);
  EXPECT_EQ(get(*mount(), 101, status), pattern(70'000, 2));
  rig.flash().recordOperations(true);
  EXPECT_EQ(codeAfter([&](tStatus& s) { put(*m, 101, pattern(0x30000, 3), s); }), nVLAPALS100::kStatusOutOfMemory);
  EXPECT_TRUE(rig.flash().recordedOperations().empty());
  EXPECT_EQ(get(*mount(), 101, status), pattern(70'000, 2));
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(PartitionStore, ProtectionMemoryOnlyPartitionsListsAndCorePartitions) {
  lay(rig, {{100, 0, 3, 7, 1}, {101, 0x10000, 3, 7, 4}}, {Bytes{1, 2, 3}, Bytes{4, 5, 6}});
  auto m = mount();
  uint32_t sequence = 0;
  EXPECT_EQ(codeAfter([&](tStatus& s) { put(*m, 100, Bytes{9}, s); }), code(0xBFFA9010));
  EXPECT_EQ(codeAfter([&](tStatus& s) { m->deletePartition(100, {}, sequence, s); }), code(0xBFFA9010));
  EXPECT_TRUE(m->hasAttribute(101, status));
  put(*m, 50, Bytes{7, 7}, status, 0);
  EXPECT_EQ(address(*m, 50), 0x600000u);
  UserBytes table(14 + 3 * 17), none(0), shortList(4), list(12);
  m->readPartitionTable(table.buffer(), {}, status);
  EXPECT_EQ(table.bytes(14), Bytes({1, 1, 14, 0, 0, 0, 17, 0, 0, 0, 3, 0, 0, 0})) << "memory-only included";
  EXPECT_FALSE(mount()->hasPartition(50)) << "but never in flash";
  EXPECT_EQ(m->getPartitionList(none.buffer(), {}, status), 3u);
  EXPECT_EQ(m->getPartitionList(list.buffer(), {}, status), 3u);
  EXPECT_EQ(list.bytes(12), Bytes({50, 0, 0, 0, 100, 0, 0, 0, 101, 0, 0, 0}));
  EXPECT_EQ(codeAfter([&](tStatus& s) { EXPECT_EQ(m->getPartitionList(shortList.buffer(), {}, s), 3u); }),
            nVLAPALS100::kStatusLookupFailure);
  EXPECT_EQ(status.getCode(), 0);

  FlashRig core;
  lay(core, {{7, 0x5F0000, 3, 7, 0}});
  FlashPartitionManager::tIdVector ids;
  ids.push_back(7, status);
  ids.push_back(8, status);
  tStatus covered;
  EXPECT_EQ(codeAfter([&](tStatus& s) { FlashPartitionManager(core.controller.get(), ids, {}, false, s); }),
            code(0xBFFA9171));
  ids.pop_back();
  FlashPartitionManager guarded(core.controller.get(), ids, {}, false, covered);
  put(guarded, 100, Bytes{1}, covered);
  EXPECT_EQ(covered.getCode(), code(0xBFFA9010)) << "the table record would cover the core partition";
}

// A device whose geometry leaves no room for the tables.
struct CrampedController : OVCalEEPROMController {
  using OVCalEEPROMController::OVCalEEPROMController;
  void getGeometry(qrtk::FlashGeometry& geometry, tStatus& status) override {
    OVCalEEPROMController::getGeometry(geometry, status);
    geometry.lastDataAddress = geometry.tableAddressB + 1;
  }
};

TEST_F(PartitionStore, InvalidGeometryIsRefusedBeforeAnyRead) {
  CrampedController cramped(rig.window, rig.core.ConfPortWindowControl[0], status);
  rig.board.bar0().startRecording();
  FlashPartitionManager m(&cramped, {}, {}, true, status);
  EXPECT_EQ(status.getCode(), kInvalid);
  EXPECT_TRUE(rig.board.bar0().traffic().empty());
}

TEST_F(PartitionStore, ReplacingTheTableChecksItsLengthAndStalesEveryNumber) {
  auto m = mount();
  const Bytes table = image({{100, 0, 3, 7, 0}});
  EXPECT_EQ(codeAfter([&](tStatus& s) { m->replaceTable(table.data(), 13, s); }), code(0xBFFA916F));
  EXPECT_EQ(codeAfter([&](tStatus& s) { m->replaceTable(table.data(), 14, s); }), kInvalid) << "it claims 31 bytes";
  UserBytes none(0);
  uint32_t before = 0, after = 0;
  m->readPartition(100, none.buffer(), {}, before, status);
  m->replaceTable(table.data(), static_cast<uint32_t>(table.size()), status);
  m->readPartition(100, none.buffer(), {}, after, status);
  EXPECT_EQ(after, before + 1);
  EXPECT_TRUE(mount()->hasPartition(100));
  EXPECT_EQ(status.getCode(), 0);
}

}  // namespace
