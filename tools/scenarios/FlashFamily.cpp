// Flash partitions written (kept in flash or in memory only) and read back
// through the main interface, and the flash losing its power in the middle
// of a program or erase until the board is added again.
//
// The model keeps, for each partition id the family uses, the set of
// answers a read may legitimately give in this board life and the set of
// states the flash may hold for it. A successful write narrows both to one;
// a write that failed after it may have touched anything widens them to
// old or new (or, for a record cut short, unreadable); a read narrows the
// life set to what it saw. A mount (a reset's bring-up or the board added
// again) gives every persistent partition back from flash and loses the
// memory-only ones: ids below 80 get no memory copy at a mount and answer
// -52012 until they are rewritten.
//
// Now and then one session asks about 65,536 ids no partition has (new ones
// each time, so a device life sees many more distinct ids than the
// sequence numbers can hold at once), and another session then creates
// and deletes a partition of a new id: no query may lock it out. A third
// session read that id's number before its earlier partition was deleted
// and given up; it reads another id's number before a reset, after which
// that id is deleted and created again. Neither number may write again.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <set>

#include "Family.h"
#include "driver/board/ioctl/FlashRequests.h"
#include "driver/board/ioctl/PlatformRequests.h"
#include "sim/kernel/Clock.h"
#include "sim/kernel/UserMemory.h"

namespace vlscenario {
namespace {

using nVL9738K_24_0::requests::DeletePartition;
using nVL9738K_24_0::requests::ReadPartition;
using nVL9738K_24_0::requests::ResetDevice;
using nVL9738K_24_0::requests::WritePartition;
using Bytes = std::vector<uint8_t>;

constexpr int32_t kUnreadable = static_cast<int32_t>(0xBFFA9174u);
constexpr int32_t kNoCopy = -52012;
constexpr int32_t kNoPartition = static_cast<int32_t>(0xBFFA9020u);
constexpr int32_t kSequenceMismatch = static_cast<int32_t>(0xBFFA9021u);
constexpr uint32_t kFirstPreloadedId = 80;
constexpr uint32_t kIds[] = {17, 42, 100, 101, 102, 103};
constexpr size_t kIdCount = std::size(kIds);
constexpr uint32_t kSector = 0x10000;
constexpr uint32_t kReadBuffer = 3 * kSector;
// The flood's ids, above any the family's partitions use.
constexpr uint32_t kFloodIds = 65536;
constexpr uint32_t kFirstFloodId = 0x40000000;
// The id read before the flood's reset lies this far below the created
// one, clear of the family's other ids.
constexpr uint32_t kResetIdDistance = 0x20000000;

// What a read answers, or what the flash holds (kUnreadable: a record cut
// short; kNoCopy is only ever a read's).
struct Outcome {
  int32_t code = kNoPartition;
  Bytes bytes;
  bool operator<(const Outcome& other) const {
    if (code != other.code) return code < other.code;
    if (bytes.size() != other.bytes.size()) return bytes.size() < other.bytes.size();
    return !bytes.empty() && std::memcmp(bytes.data(), other.bytes.data(), bytes.size()) < 0;
  }
  bool operator==(const Outcome& other) const { return code == other.code && bytes == other.bytes; }
};
using Outcomes = std::set<Outcome>;

Outcome holding(Bytes bytes) { return Outcome{0, std::move(bytes)}; }

struct Partition {
  Outcomes life{Outcome{}};
  Outcomes durable{Outcome{}};
};

struct Operation {
  size_t slot = 0;
  bool write = false;
  bool persist = false;
  Bytes data;
  bool sent = false;      // the request reached the driver
  int32_t answer = 0;     // of the write, or of the read
  Outcome seen;           // what the read gave
  bool readable = false;  // the read's answer says what the partition holds
};

std::string describeOutcome(const Outcome& outcome) {
  if (outcome.code != 0) return hex(static_cast<uint32_t>(outcome.code));
  char text[48];
  std::snprintf(text, sizeof(text), "%zu bytes", outcome.bytes.size());
  std::string described = text;
  for (size_t i = 0; i < outcome.bytes.size() && i < 4; ++i) {
    std::snprintf(text, sizeof(text), " %02X", outcome.bytes[i]);
    described += text;
  }
  return described;
}

std::string describeSet(const Outcomes& outcomes) {
  std::string text;
  for (const Outcome& outcome : outcomes) text += (text.empty() ? "" : " | ") + describeOutcome(outcome);
  return "{" + text + "}";
}

// Every erase polls the part for half a second of virtual time, and a
// table write erases twice: mostly the size the partition has (its record
// rewritten in place, the table left alone), else small, now and then a few
// thousand bytes, rarely a record of one, two or three whole sectors, so
// that partitions grow and shrink into gaps next to their own sectors.
Bytes randomBytes(Random& random, uint32_t current) {
  const uint32_t shape = random.below(48);
  uint32_t size = 0;
  if (current != 0 && shape < 28) {
    size = current;
  } else if (shape >= 45) {
    size = (shape - 44) * kSector - 4 - random.below(0x100);
  } else {
    size = shape > 38 ? 512 + random.below(3584) : 1 + random.below(512);
  }
  Bytes bytes(size);
  uint64_t word = 0;
  for (size_t i = 0; i < size; ++i) {
    if (i % 8 == 0) word = random.next();
    bytes[i] = static_cast<uint8_t>(word >> (8 * (i % 8)));
  }
  return bytes;
}

// Reads `id` into a buffer larger than any partition this family writes.
void readInto(Scenario& scenario, Session& session, uint32_t id, Operation& operation) {
  sim::UserBlock buffer(kReadBuffer);
  ReadPartition::Out out{};
  const Answer answer = scenario.call<ReadPartition>(
      session, {.partitionId = id, .bufferAddress = buffer.address(), .bufferLength = kReadBuffer}, &out);
  scenario.record(answer);
  operation.sent = true;
  operation.answer = answer.answer();
  const int32_t code = answer.answer();
  operation.readable = code == 0 || code == kNoPartition || code == kNoCopy || code == kUnreadable;
  operation.seen.code = code;
  if (code == 0) operation.seen.bytes.assign(buffer.data(), buffer.data() + std::min(out.size, kReadBuffer));
}

class FlashFamily : public Family {
 public:
  void addKinds(std::vector<OperationKind>& kinds) override {
    const OperationKind own[] = {
        // Now and then the nth program or erase of the write from now is
        // torn and the part goes dark: any of the record's words or erases,
        // or the table's.
        {"write a flash partition to keep", 3, false, [this](Scenario& s) { return canUse(s); },
         [this](Scenario& s, Random& random) { prepareWrite(s, random, true, !cut_ && random.below(3) == 0); }},
        {"write a flash partition to memory only", 2, false, [this](Scenario& s) { return canUse(s); },
         [this](Scenario& s, Random& random) { prepareWrite(s, random, false, false); }},
        {"read a flash partition", 5, false, [this](Scenario& s) { return canUse(s); },
         [this](Scenario& s, Random& random) { prepareRead(s, random); }},
        {"flood flash queries of unknown ids, then create from another session", 1, true,
         [this](Scenario& s) { return boardPresent(s) && !cut_ && !s.deviceRemoved(); },
         [this](Scenario& s, Random&) { prepareFlood(s); }},
        // Power comes back only with the board: it goes, the programs using
        // it close (racing the removal), and the lifecycle's re-add, once the
        // device is deleted, brings it back powered.
        {"remove the board without flash power", 20, true, [this](Scenario& s) { return boardPresent(s) && cut_; },
         [](Scenario& s, Random&) {
           s.planRemoval();
           s.describe("remove the board without flash power, closing every session");
           s.addTask("remove", [&s] { s.removeDevice(); });
           for (Session* session : s.sessions()) {
             session->closing = true;
             s.addTask("close", [&s, session] { s.closeSession(*session); });
           }
         }},
    };
    kinds.insert(kinds.end(), std::begin(own), std::end(own));
  }

  void beforeAdd(Scenario& scenario) override {
    if (!cut_) return;
    scenario.board().flash().restorePower();
    cut_ = false;
  }

  void afterStep(Scenario& scenario) override {
    const StepEvents& events = scenario.events();
    const bool mounted = events.resetSucceeded || events.added;
    // A reset that failed may have got to its bring-up; a shutdown does not
    // mount, but a bring-up of another kind would advance the generation too.
    const bool mayHaveMounted = mounted || events.resetRequested || (events.generationAdvanced && !events.mainOnly);
    // A board made to misbehave may answer a read with anything.
    const bool unsure = events.hardwareFault;
    for (size_t slot = 0; slot < kIdCount; ++slot) {
      const Operation* operation = nullptr;
      for (const auto& pending : pending_) {
        if (pending->slot == slot) operation = pending.get();
      }
      Partition& partition = partitions_[slot];
      if (!mayHaveMounted) {
        if (operation != nullptr && !apply(partition, *operation, unsure)) {
          reportRead(scenario, *operation, partition.life);
        }
        continue;
      }
      // The operation ran before or after the mount (or without one).
      Partition merged{{}, {}};
      bool consistent = false;
      const auto branch = [&](Partition candidate, bool mountFirst, bool mountAfter) {
        if (mountFirst) remount(candidate, slot);
        if (operation != nullptr && !apply(candidate, *operation, unsure)) return;
        if (mountAfter) remount(candidate, slot);
        consistent = true;
        merged.life.insert(candidate.life.begin(), candidate.life.end());
        merged.durable.insert(candidate.durable.begin(), candidate.durable.end());
      };
      branch(partition, false, true);
      branch(partition, true, false);
      if (!mounted) branch(partition, false, false);
      if (!consistent) {
        Outcomes either = partition.life;
        Partition mountedFirst = partition;
        remount(mountedFirst, slot);
        either.insert(mountedFirst.life.begin(), mountedFirst.life.end());
        reportRead(scenario, *operation, either);
      }
      partition = merged;
    }
    pending_.clear();
    if (events.added && scenario.deviceAdded() && !scenario.deviceRemoved()) checkAll(scenario);
    checkFlood(scenario);
  }

 private:
  bool canUse(Scenario& scenario) {
    if (!boardPresent(scenario)) return false;
    bool hasMain = false;
    for (Session* session : scenario.sessions()) hasMain = hasMain || session->main;
    return hasMain && pending_.size() < kIdCount;
  }

  // Mostly a session no reset has made stale: a stale one's requests say
  // nothing of the partitions.
  static Session* pickMain(Scenario& scenario, Random& random) {
    std::vector<Session*> fresh;
    for (Session* session : scenario.sessions()) {
      if (session->main && !session->stale) fresh.push_back(session);
    }
    if (fresh.empty() || random.below(8) == 0) return pickSession(scenario, random, false);
    return fresh[random.below(static_cast<uint32_t>(fresh.size()))];
  }

  Operation* reserve(Scenario& scenario, Random& random) {
    // The step's operations are prepared before any of them runs: a slot
    // another one of this step took is not used twice.
    if (pendingStep_ != scenario.step()) pending_.clear();
    pendingStep_ = scenario.step();
    std::vector<size_t> free;
    for (size_t slot = 0; slot < kIdCount; ++slot) {
      bool taken = false;
      for (const auto& pending : pending_) taken = taken || pending->slot == slot;
      if (!taken) free.push_back(slot);
    }
    pending_.push_back(std::make_unique<Operation>());
    pending_.back()->slot = free[random.below(static_cast<uint32_t>(free.size()))];
    return pending_.back().get();
  }

  void prepareWrite(Scenario& scenario, Random& random, bool persist, bool cut) {
    Operation* operation = reserve(scenario, random);
    operation->write = true;
    operation->persist = persist;
    operation->data = randomBytes(random, sizes_[operation->slot]);
    sizes_[operation->slot] = static_cast<uint32_t>(operation->data.size());
    Session* session = pickMain(scenario, random);
    session->busy = true;
    const uint32_t id = kIds[operation->slot];
    // A record of n bytes is one erase per sector and n/2 words; a table
    // write two erases and a few dozen words.
    const uint64_t nth = cut ? 1 + random.below(static_cast<uint32_t>(operation->data.size() / 2 + 48)) : 0;
    const uint64_t tearSeed = random.next() | 1;
    if (cut) cut_ = true;
    scenario.describe(std::string("write partition ") + std::to_string(id) + (persist ? " to keep, " : " in memory, ") +
                      std::to_string(operation->data.size()) + " bytes" +
                      (cut ? ", flash power lost at operation " + std::to_string(nth) : std::string()));
    scenario.addTask("flash write", [&scenario, session, operation, id, nth, tearSeed, family = this] {
      // The sequence number the write must name is the one a query gives.
      ReadPartition::Out query{};
      const Answer queried = scenario.call<ReadPartition>(*session, {.partitionId = id}, &query);
      scenario.record(queried);
      if (queried.answer() != 0) return;
      if (nth != 0) {
        scenario.board().flash().setTearSeed(tearSeed);
        scenario.board().flash().losePowerDuring(nth);
      }
      sim::UserBlock data(operation->data.size());
      std::copy(operation->data.begin(), operation->data.end(), data.data());
      WritePartition::Out out{};
      const Answer written = scenario.call<WritePartition>(*session,
                                                           {.partitionId = id,
                                                            .bufferAddress = data.address(),
                                                            .bufferLength = static_cast<uint32_t>(data.size()),
                                                            .flags = static_cast<uint8_t>(operation->persist ? 1 : 0),
                                                            .sequenceNumber = query.sequenceNumber},
                                                           &out);
      scenario.record(written);
      operation->sent = true;
      operation->answer = written.answer();
    });
  }

  void prepareRead(Scenario& scenario, Random& random) {
    Operation* operation = reserve(scenario, random);
    Session* session = pickMain(scenario, random);
    session->busy = true;
    const uint32_t id = kIds[operation->slot];
    scenario.describe("read partition " + std::to_string(id));
    scenario.addTask("flash read",
                     [&scenario, session, operation, id] { readInto(scenario, *session, id, *operation); });
  }

  // On sessions of its own: the flood on one, the writers of two new ids
  // on another, a reader of both on the third, then new sessions after the
  // reset.
  void prepareFlood(Scenario& scenario) {
    const uint32_t first = kFirstFloodId + floods_ * kFloodIds;
    const uint32_t created = kFirstFloodId - 1 - floods_;
    ++floods_;
    flood_ = Flood{true, first, created, {}};
    scenario.describe("query " + std::to_string(kFloodIds) + " flash partitions from " + hex(first) + " after " +
                      hex(created) + " was read and deleted, then create it again; reset between a read of " +
                      hex(created - kResetIdDistance) + " and its write");
    scenario.addTask("flash flood", [&scenario, this] {
      Session flooder, creator, reader;
      for (Session* session : {&flooder, &creator, &reader}) {
        session->file = sim::DeviceFile::open(scenario.module(), kMainInterface);
        if (!session->file) return;
      }
      const uint32_t id = flood_.created;
      uint32_t number = 0, stale = 0;
      // A device whose bring-up failed answers no flash request at all.
      if (query(scenario, creator, id, number).answer() == 0) {
        expect("create", writeByte(scenario, creator, id, 1, number));
        expect("read", query(scenario, reader, id, stale));
        expect("delete", remove(scenario, creator, id));
        bool refused = false;
        for (uint32_t i = 0; i < kFloodIds && !refused; ++i) {
          const Answer queried = scenario.call<ReadPartition>(flooder, {.partitionId = flood_.first + i});
          refused = queried.answer() != 0;
          if (refused) expect("query of " + hex(flood_.first + i), queried);
        }
        expect("create again", putByte(scenario, creator, id, 2));
        expect("stale write", writeByte(scenario, reader, id, 3, stale), kSequenceMismatch);
        expect("delete again", remove(scenario, creator, id));
        resetBetween(scenario, creator, reader, id - kResetIdDistance);
      }
      for (Session* session : {&flooder, &creator, &reader}) session->file->close();
    });
  }

  // The reader takes the number of `id` after three writes. The reset
  // mounts the store anew, where a delete and a create are two writes: a
  // store that numbered the id afresh at the mount would give the number
  // read back to the reader.
  void resetBetween(Scenario& scenario, Session& creator, Session& reader, uint32_t id) {
    uint32_t stale = 0;
    for (uint8_t value = 4; value < 7; ++value) expect("write", putByte(scenario, creator, id, value));
    expect("read", query(scenario, reader, id, stale));
    const Answer reset = scenario.call<ResetDevice>(creator, {});
    scenario.recordReset(reset);
    flood_.resetFailed = reset.answer() != 0;
    for (Session* session : {&creator, &reader}) {
      session->file->close();
      session->file = sim::DeviceFile::open(scenario.module(), kMainInterface);
      if (!session->file) return;
    }
    expect("delete after the reset", remove(scenario, creator, id));
    expect("create after the reset", putByte(scenario, creator, id, 7));
    expect("write with a number read before the reset", writeByte(scenario, reader, id, 8, stale), kSequenceMismatch);
    expect("last delete", remove(scenario, creator, id));
  }

  void expect(const std::string& what, const Answer& answer, int32_t wanted = 0) {
    flood_.answers.push_back(Flood::Expected{what, answer, wanted, flood_.resetFailed});
  }

  static Answer query(Scenario& scenario, Session& session, uint32_t id, uint32_t& sequence) {
    ReadPartition::Out out{};
    const Answer answer = scenario.call<ReadPartition>(session, {.partitionId = id}, &out);
    scenario.record(answer);
    sequence = out.sequenceNumber;
    return answer;
  }

  static Answer writeByte(Scenario& scenario, Session& session, uint32_t id, uint8_t value, uint32_t sequence) {
    sim::UserBlock data(1);
    data.data()[0] = value;
    const Answer answer = scenario.call<WritePartition>(session, {.partitionId = id,
                                                                  .bufferAddress = data.address(),
                                                                  .bufferLength = 1,
                                                                  .flags = 1,
                                                                  .sequenceNumber = sequence});
    scenario.record(answer);
    return answer;
  }

  static Answer putByte(Scenario& scenario, Session& session, uint32_t id, uint8_t value) {
    uint32_t sequence = 0;
    const Answer queried = query(scenario, session, id, sequence);
    return queried.answer() != 0 ? queried : writeByte(scenario, session, id, value, sequence);
  }

  static Answer remove(Scenario& scenario, Session& session, uint32_t id) {
    const Answer answer = scenario.call<DeletePartition>(session, {.partitionId = id});
    scenario.record(answer);
    return answer;
  }

  // A flood alone in its step: only a fault the step injected, or a board
  // that shut down over temperature, excuses an answer other than the one
  // expected; after a reset that failed, only a stale write that went
  // through is wrong.
  void checkFlood(Scenario& scenario) {
    if (!flood_.ran) return;
    flood_.ran = false;
    const StepEvents& events = scenario.events();
    const bool excused = events.kernelFault || events.hardwareFault;
    for (const Flood::Expected& expected : flood_.answers) {
      const int32_t code = expected.answer.answer();
      if (expected.wanted != 0 && code == 0) {
        return scenario.fail("after queries of unknown ids, the " + expected.what + " went through");
      }
      if (excused || expected.afterFailedReset || code == expected.wanted || code == kOverTemperatureShutdown ||
          code == kStale) {
        continue;
      }
      return scenario.fail("after queries of unknown ids, the " + expected.what + " answered " + hex(code));
    }
  }

  // The partition as a mount finds it: what the flash holds, with no memory
  // copy below id 80.
  static void remount(Partition& partition, size_t slot) {
    partition.life.clear();
    for (const Outcome& held : partition.durable) {
      if (held.code == 0 && kIds[slot] < kFirstPreloadedId) {
        partition.life.insert(Outcome{kNoCopy, {}});
      } else {
        partition.life.insert(held);
      }
    }
  }

  // False when a read saw what the partition cannot hold.
  static bool apply(Partition& partition, const Operation& operation, bool unsure) {
    if (!operation.sent) return true;
    if (!operation.write) {
      if (!operation.readable) return true;
      if (partition.life.count(operation.seen) == 0) return unsure;
      partition.life = {operation.seen};
      return true;
    }
    Partition written = partition;
    written.life = {holding(operation.data)};
    if (operation.persist) {
      written.durable = {holding(operation.data)};
    } else if (!(partition.durable.size() == 1 && partition.durable.begin()->code == kNoPartition)) {
      // A memory-only copy leaves the flash record behind until the next
      // table write drops it, and its sectors free for another record.
      written.durable.insert(Outcome{});
      written.durable.insert(Outcome{kUnreadable, {}});
    }
    if (operation.answer == 0) {
      partition = std::move(written);
      return true;
    }
    // Refused before anything changed.
    if (!unsure &&
        (operation.answer == kSequenceMismatch || operation.answer == kGateClosed || operation.answer == kStale)) {
      return true;
    }
    // It may have got anywhere. A record rewritten in place that did not
    // complete is read from flash again: the old record if the erase never
    // happened, or one cut short, unreadable in this life and after a mount.
    const Outcomes flashBefore = partition.durable;
    partition.life.insert(written.life.begin(), written.life.end());
    partition.durable.insert(written.durable.begin(), written.durable.end());
    if (operation.persist) {
      partition.life.insert(flashBefore.begin(), flashBefore.end());
      partition.life.insert(Outcome{kUnreadable, {}});
      partition.durable.insert(Outcome{kUnreadable, {}});
    }
    return true;
  }

  void reportRead(Scenario& scenario, const Operation& operation, const Outcomes& allowed) {
    scenario.fail("partition " + std::to_string(kIds[operation.slot]) + " read " + describeOutcome(operation.seen) +
                  ", not one of " + describeSet(allowed));
  }

  // After the board came back: every partition reads as the flash held it.
  void checkAll(Scenario& scenario) {
    std::vector<Operation> reads(kIdCount);
    scenario.runTask("flash check", [&scenario, &reads] {
      Session session;
      session.file = sim::DeviceFile::open(scenario.module(), kMainInterface);
      if (!session.file) return;
      for (size_t slot = 0; slot < kIdCount; ++slot) {
        reads[slot].slot = slot;
        readInto(scenario, session, kIds[slot], reads[slot]);
      }
      session.file->close();
    });
    for (size_t slot = 0; slot < kIdCount; ++slot) {
      if (!apply(partitions_[slot], reads[slot], false))
        return reportRead(scenario, reads[slot], partitions_[slot].life);
    }
  }

  Partition partitions_[kIdCount];
  // The size each partition was last asked to take.
  uint32_t sizes_[kIdCount] = {};
  std::vector<std::unique_ptr<Operation>> pending_;
  uint32_t pendingStep_ = UINT32_MAX;
  bool cut_ = false;
  struct Flood {
    struct Expected {
      std::string what;
      Answer answer;
      int32_t wanted;
      bool afterFailedReset;
    };
    bool ran = false;
    uint32_t first = 0;
    uint32_t created = 0;
    std::vector<Expected> answers;
    bool resetFailed = false;
  } flood_;
  uint32_t floods_ = 0;
};

}  // namespace

std::unique_ptr<Family> makeFlashFamily() { return std::make_unique<FlashFamily>(); }

}  // namespace vlscenario
