// A client thread: up to three sessions of either interface, each
// operation drawn from the seed. Shared settings are reserved and
// committed often and sessions closed at random points, so that closes
// that release reservations meet the chaos thread's resets and removals.
#include <cstring>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "Stress.h"
#include "driver/board/ioctl/ListModeRequests.h"
#include "driver/board/ioctl/ReservationRequests.h"
#include "driver/board/ioctl/SettingsRequests.h"
#include "fuzz/SeedBlocks.h"
#include "sim/host/RequestClient.h"
#include "sim/kernel/UserMemory.h"
#include "tests/module/PublishedRequests.h"

namespace vlstress {
namespace {

namespace rq = nVL9738K_24_0::requests;

constexpr uint32_t kResetDevice = 0x0020420C;
constexpr uint32_t kMessageCommit = 1;
constexpr size_t kMaxSessions = 3;
// The two settings every client may share, with the values clients ask
// for (so that they often disagree): policy name, resource id, values.
struct Shared {
  const char* policy;
  uint32_t resource;
  uint8_t values[2];
};
constexpr Shared kShared[] = {{"9738 Reference Clock Source", 1, {0, 2}}, {"9738 Cross Switch Mode", 3, {4, 5}}};
// A list recorded on an LO path's engine: timing engine, list engine leaf.
constexpr uint16_t kTimingEngine[2] = {2400, 2401};
constexpr uint16_t kListEngineLeaf = 2404;
// Map regions: the session's pages, the register window, and two the
// driver refuses.
constexpr uint64_t kMapRegions[] = {0x30000, 0x10001, 0, 2};
constexpr uint32_t kNotifierKind = 0x80000000;
constexpr size_t kPage = 4096;
// Where a user block lays out a settings request's parts.
constexpr size_t kNameAt = 0x0, kPolicyNameAt = 0x80, kBlobAt = 0x100, kIdsAt = 0x300, kResultsAt = 0x380,
                 kMessageAt = 0x3C0;

// The development requests that rewrite the board's identity in flash
// would leave every later bring-up failing; a reset is the chaos thread's.
bool leftToOthers(uint32_t code) {
  return code == kResetDevice || code == 0x00204211 || code == 0x00204213 || code == 0x00204215;
}

const std::vector<vlfuzz::Seed>& corpus(const char* folder, const vltest::PublishedRequest* first, size_t count) {
  static std::vector<vlfuzz::Seed> seeds[2];
  std::vector<vlfuzz::Seed>& own = seeds[first == vltest::kPublishedRequests ? 0 : 1];
  if (own.empty()) {
    for (size_t i = 0; i < count; ++i)
      own.push_back(vlfuzz::seedOf(vlfuzz::seedFolder(VL_SOURCE_DIR, folder), first[i].code, first[i].in));
  }
  return own;
}

// Read before the threads start, so that no two fill them at once.
struct Corpora {
  const std::vector<vlfuzz::Seed>& main;
  const std::vector<vlfuzz::Seed>& fpga;
};
Corpora corpora() {
  return {corpus("main", vltest::kPublishedRequests, std::size(vltest::kPublishedRequests)),
          corpus("fpga", vltest::kPublishedFpgaSessionRequests, std::size(vltest::kPublishedFpgaSessionRequests))};
}

struct Held {
  std::unique_ptr<sim::DeviceFile> file;
  bool main = true;
  std::vector<sim::DeviceFile::Mapping> maps;
};

template <class Op>
int32_t call(sim::DeviceFile& file, const typename Op::In& in, typename Op::Out* out = nullptr) {
  sim::RequestClient client(file);
  const auto reply = client.template call<Op>(in);
  if (out != nullptr) *out = reply.out;
  return reply.status != 0 ? reply.status : reply.out.status;
}

// The deploy of one value of each shared setting, as the wire carries it.
std::vector<uint8_t> deployBlob(uint32_t referenceClock, uint32_t crossSwitch) {
  std::vector<uint8_t> blob(4, 0);
  auto add = [&blob](uint32_t resource, std::initializer_list<uint8_t> bytes) {
    blob.insert(blob.end(), {uint8_t(resource), 0, 0, 0});
    blob.insert(blob.end(), 8, 0);
    blob.insert(blob.end(), bytes);
  };
  add(kShared[0].resource, {uint8_t(referenceClock), 0, 0x8E, 0x0A, 2, 0, 20, 0, 40, 40, 0, 0, 0, 0, 5, 0, 1, 0});
  add(kShared[1].resource, {0, uint8_t(crossSwitch)});
  return blob;
}

// The policy ids of the shared settings `mask` picks at kIdsAt of `user`,
// their resource ids at kMessageAt, `count` of each; the first lookup that
// was not success ends the list with its code.
int32_t findShared(sim::DeviceFile& file, sim::UserBlock& user, uint32_t mask, uint32_t& count) {
  for (size_t i = 0; i < std::size(kShared); ++i) {
    if ((mask & (1u << i)) == 0) continue;
    const size_t length = std::strlen(kShared[i].policy);
    std::memcpy(user.data() + kPolicyNameAt, kShared[i].policy, length);
    rq::FindReservationPolicyID::Out found{};
    const int32_t code = call<rq::FindReservationPolicyID>(
        file, {user.address() + kPolicyNameAt, static_cast<uint32_t>(length), 0, 0}, &found);
    if (code != 0) return code;
    user.put<uint32_t>(kIdsAt + 4 * count, found.policyId);
    user.put<uint32_t>(kMessageAt + 4 * count, kShared[i].resource);
    ++count;
  }
  return 0;
}

// Gives the session a reservation client, deploys a value of each shared
// setting and reserves the policies `mask` picks; with `commit`, commits
// them. The first code that was not success, 0 when all were.
int32_t reserveShared(Stress* stress, sim::DeviceFile& file, const std::string& name, uint32_t mask, uint32_t values,
                      bool commit, std::string* step = nullptr) {
  sim::UserBlock user(0x400);
  std::memcpy(user.data() + kNameAt, name.data(), name.size());
  auto stop = [step](const char* what, int32_t code) {
    if (step != nullptr) *step = std::string(what) + " answered " + std::to_string(code);
    return code;
  };
  // A second descriptor for a session that has its client is refused: fine.
  call<rq::SetDescriptor>(file, {user.address() + kNameAt, static_cast<uint32_t>(name.size()), 0});
  uint32_t count = 0;
  if (const int32_t code = findShared(file, user, mask, count)) return stop("the policy lookup", code);
  const std::vector<uint8_t> blob = deployBlob(kShared[0].values[values & 1], kShared[1].values[(values >> 1) & 1]);
  std::memcpy(user.data() + kBlobAt, blob.data(), blob.size());
  if (const int32_t code = call<rq::SettingsDeploy>(file, {user.address() + kBlobAt, uint32_t(blob.size()), 0}))
    return stop("the deploy", code);
  if (const int32_t code =
          call<rq::Reserve>(file, {count, user.address() + kIdsAt, user.address() + kResultsAt, {}, 0}))
    return stop("the reserve", code);
  if (!commit) return 0;
  if (const int32_t code =
          call<rq::SettingsSendMessage>(file, {user.address() + kMessageAt, count, kMessageCommit, 0, 0, 0, 0, 0}))
    return stop("the commit", code);
  if (stress != nullptr) stress->count(Stress::kCommits);
  return 0;
}

int32_t releaseShared(sim::DeviceFile& file, uint32_t mask) {
  sim::UserBlock user(0x400);
  uint32_t count = 0;
  findShared(file, user, mask, count);
  return call<rq::Release>(file, {count, user.address() + kIdsAt, 0});
}

// A published request, with zeros or with the corpus' seed of its code
// (its tail laid out in user memory as the fuzzers lay it).
void sendPublished(sim::DeviceFile& file, const vltest::PublishedRequest& request, const vlfuzz::Seed* seed) {
  vlfuzz::LaidOutSeed laid{std::vector<uint8_t>(request.in, 0), nullptr};
  if (seed != nullptr) laid = vlfuzz::layOut(*seed);
  file.ioctl({request.code, laid.block, request.out, 0});
}

// Starts recording a list-mode commit on an LO path's engine, commits
// into it, and stops, or leaves the recording for the close to end.
void recordList(sim::DeviceFile& file, Random& random, const std::string& name) {
  sim::UserBlock path(0x10);
  const uint32_t lo = random.below(2);
  path.put<uint16_t>(0, kTimingEngine[lo]);
  path.put<uint8_t>(2, 0);
  path.put<uint16_t>(4, kListEngineLeaf);
  path.put<uint8_t>(6, 0);
  if (call<rq::SetContext>(file, {path.address(), 2, 0}) != 0) return;
  if (call<rq::StartCommitSnooping>(file, {0}) != 0) return;
  reserveShared(nullptr, file, name, 1u << random.below(2), random.below(4), true);
  if (random.below(3) != 0) call<rq::StopCommitSnooping>(file, {0});
}

class Client {
 public:
  Client(Stress& stress, size_t thread, uint64_t seed)
      : stress_(stress), thread_(thread), random_(seed, thread), corpora_(corpora()) {}

  void run(uint32_t rounds) {
    // A refused open (the board resetting, leaving or gone) is no round:
    // the client backs off and tries again, so that every round meets the
    // board; a client refused for good is the watchdog's to report.
    for (uint32_t round = 0; round < rounds;) {
      refused_ = false;
      step();
      if (refused_) {
        backOff();
        continue;
      }
      ++round;
      stress_.noteProgress(thread_, doing_);
    }
    for (Held& held : held_) closeHeld(held);
    held_.clear();
  }

 private:
  void step() {
    // While the board leaves, each session sends a last request or closes.
    // The flag is read once: read again, it could rise between the reads,
    // and the client would wait for the removal with sessions the removal
    // waits for.
    if (stress_.removing()) {
      if (!held_.empty()) {
        Held& held = pick();
        if (random_.below(4) == 0) return publishedOn(held);
        doing_ = "close during a removal";
        return closeAt(&held - held_.data());
      }
      // With nothing left to close, the client waits for the board to
      // return (a removal waits for nothing of the client's).
      while (stress_.removing()) backOff();
    }
    const uint32_t draw = random_.below(100);
    if (held_.empty() || (draw < 14 && held_.size() < kMaxSessions)) return openOne(random_.below(4) != 0);
    Held& held = pick();
    if (draw < 30) {
      doing_ = "close";
      return closeAt(&held - held_.data());
    }
    if (!held.main) return fpgaRequest(held);
    if (draw < 52) {
      doing_ = "reserve and commit";
      reserveShared(&stress_, *held.file, "client " + std::to_string(thread_), 1 + random_.below(3), random_.below(4),
                    random_.below(4) != 0);
    } else if (draw < 58) {
      doing_ = "release";
      releaseShared(*held.file, 1 + random_.below(3));
    } else if (draw < 76) {
      publishedOn(held);
    } else if (draw < 84) {
      doing_ = "record a list";
      recordList(*held.file, random_, "client " + std::to_string(thread_));
    } else if (draw < 91) {
      notifier(held);
    } else {
      mapOrUnmap(held);
    }
  }

  Held& pick() { return held_[random_.below(static_cast<uint32_t>(held_.size()))]; }

  void openOne(bool main) {
    if (stress_.removing()) return;
    doing_ = main ? "open main" : "open FPGA";
    Held held;
    held.main = main;
    held.file = stress_.open(main ? kMainInterface : kFpgaInterface);
    if (held.file) {
      held_.push_back(std::move(held));
    } else {
      refused_ = true;
    }
  }

  void closeHeld(Held& held) {
    for (sim::DeviceFile::Mapping& map : held.maps) held.file->munmap(map);
    held.maps.clear();
    stress_.close(held.file);
  }

  void closeAt(size_t index) {
    closeHeld(held_[index]);
    held_.erase(held_.begin() + static_cast<std::ptrdiff_t>(index));
  }

  void publishedOn(Held& held) {
    if (!held.main) return fpgaRequest(held);
    doing_ = "published request";
    const size_t count = std::size(vltest::kPublishedRequests);
    const size_t index = random_.below(static_cast<uint32_t>(count));
    const vltest::PublishedRequest& request = vltest::kPublishedRequests[index];
    if (leftToOthers(request.code)) return;
    sendPublished(*held.file, request, random_.below(2) == 0 ? &corpora_.main[index] : nullptr);
  }

  void fpgaRequest(Held& held) {
    doing_ = "FPGA-session request";
    const size_t count = std::size(vltest::kPublishedFpgaSessionRequests);
    const size_t index = random_.below(static_cast<uint32_t>(count));
    sendPublished(*held.file, vltest::kPublishedFpgaSessionRequests[index],
                  random_.below(4) != 0 ? &corpora_.fpga[index] : nullptr);
  }

  void notifier(Held& held) {
    doing_ = "notifier";
    if (random_.below(2) == 0) {
      held.file->createNotifier(random_.next(), random_.below(8), kNotifierKind);
    } else {
      held.file->destroyNotifier(kNotifierKind);
    }
  }

  void mapOrUnmap(Held& held) {
    doing_ = "map or unmap";
    if (!held.maps.empty() && random_.below(2) == 0) {
      held.file->munmap(held.maps.back());
      held.maps.pop_back();
      return;
    }
    const uint64_t region = kMapRegions[random_.below(std::size(kMapRegions))];
    sim::DeviceFile::Mapping map = held.file->mmap(region, kPage * (1 + random_.below(2)), 1 + 2 * random_.below(2));
    if (map.mapped != 0) held.maps.push_back(map);
  }

  Stress& stress_;
  size_t thread_;
  Random random_;
  Corpora corpora_;
  std::vector<Held> held_;
  const char* doing_ = "starting";
  bool refused_ = false;
};

}  // namespace

void runClient(Stress& stress, size_t thread, uint64_t seed, uint32_t rounds) {
  Client(stress, thread, seed).run(rounds);
}

void loadCorpora() { corpora(); }

std::string reserveCommitRelease(Stress& stress, uint32_t client) {
  auto file = stress.open(kMainInterface);
  if (!file) return "the open failed";
  std::string step;
  const std::string name = "final " + std::to_string(client);
  if (reserveShared(&stress, *file, name, 3, client, true, &step) == 0) {
    if (const int32_t code = releaseShared(*file, 3); code != 0) step = "the release answered " + std::to_string(code);
  }
  stress.close(file);
  return step;
}

int32_t resetBoard(Stress& stress) {
  auto file = stress.open(kMainInterface);
  if (!file) return sim::DeviceFile::kNoSuchInterface;
  stress.count(Stress::kResets);
  const sim::DeviceFile::Reply reply = file->ioctl({kResetDevice, std::vector<uint8_t>(4, 0), 4, 0});
  int32_t answer = reply.status;
  if (answer == 0 && reply.output.size() >= 4) std::memcpy(&answer, reply.output.data(), 4);
  stress.close(file);
  return answer;
}

}  // namespace vlstress
