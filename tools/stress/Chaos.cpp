// The chaos thread: until the clients are done, a reset, an FPGA download
// through an FPGA-interface session of its own, an over-temperature
// shutdown (read through a fresh main session while the board runs hot)
// with the reset that brings the board back, or a removal and re-adding.
#include <cstring>
#include <thread>

#include "Stress.h"
#include "driver/board/ioctl/fpga/FpgaSessionRequests.h"
#include "sim/board/SyntheticBitstream.h"
#include "sim/host/RequestClient.h"
#include "sim/kernel/UserMemory.h"
#include "tests/fpga/SessionWire.h"

namespace vlstress {
namespace {

namespace lym = nVL9738K_24_0::lymrequests;

constexpr uint32_t kGetTemperature = 0x00204202;
constexpr uint32_t kForceDownload = 1u << 29;
constexpr size_t kPage = 4096;
// The design's two FIFOs: to the device on channel 0, from it on 1.
constexpr uint32_t kToDeviceControl = 0x400, kFromDeviceControl = 0x440;

const std::vector<uint8_t>& bitstream() {
  static const std::vector<uint8_t> image = vlimage::makeSyntheticBitstream();
  return image;
}

// User memory that starts a page, as the loader locks it.
struct PageAligned {
  explicit PageAligned(size_t size) : block(size + kPage), offset((kPage - block.address() % kPage) % kPage) {}
  uint64_t address() const { return block.address() + offset; }
  uint8_t* data() { return block.data() + offset; }
  sim::UserBlock block;
  size_t offset;
};

// A configuration that forces the board's bitstream down, or a plain
// download after it.
void download(Stress& stress, bool configure) {
  auto file = stress.open(kFpgaInterface);
  if (!file) return;
  stress.count(Stress::kDownloads);
  PageAligned bitfile(bitstream().size());
  std::memcpy(bitfile.data(), bitstream().data(), bitstream().size());
  sim::RequestClient client(*file);
  if (configure) {
    const std::vector<uint8_t> personality = vltest::personalityBlock(kForceDownload);
    const std::vector<uint8_t> fifos = vltest::fifoList({{0, 1, 1, kToDeviceControl}, {1, 0, 1, kFromDeviceControl}});
    auto personalityCopy = vltest::userCopyOf(personality);
    auto fifoCopy = vltest::userCopyOf(fifos);
    client.call<lym::ConfigurePersonalityQrt>({.personalityAddress = personalityCopy->address(),
                                               .personalitySize = static_cast<uint32_t>(personality.size()),
                                               .fifoListAddress = fifoCopy->address(),
                                               .fifoListSize = static_cast<uint32_t>(fifos.size()),
                                               .bitfileAddress = bitfile.address(),
                                               .bitfileSize = static_cast<uint32_t>(bitstream().size())});
  } else {
    client.call<lym::DownloadToFpga>({.address = bitfile.address(), .size = static_cast<uint32_t>(bitstream().size())});
  }
  stress.close(file);
}

// The board runs hot while a fresh session reads its sensor once.
void overheat(Stress& stress) {
  auto file = stress.open(kMainInterface);
  if (!file) return;
  stress.count(Stress::kShutdowns);
  stress.board().fixedLogic().setOverTemperature(true);
  const std::vector<uint8_t> boardSensorOnce = {16, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0};
  file->ioctl({kGetTemperature, boardSensorOnce, 12, 0});
  stress.board().fixedLogic().setOverTemperature(false);
  stress.close(file);
}

}  // namespace

void runChaos(Stress& stress, size_t thread, uint64_t seed) {
  Random random(seed, thread);
  while (!stress.clientsDone()) {
    // A pause of a drawn number of yields between two blows.
    for (uint32_t spins = random.below(200); spins != 0 && !stress.clientsDone(); --spins) std::this_thread::yield();
    const uint32_t draw = random.below(100);
    if (draw < 40) {
      stress.noteProgress(thread, "reset");
      resetBoard(stress);
    } else if (draw < 60) {
      stress.noteProgress(thread, "FPGA download");
      download(stress, random.below(2) == 0);
    } else if (draw < 75) {
      stress.noteProgress(thread, "over-temperature shutdown");
      overheat(stress);
      for (uint32_t spins = random.below(100); spins != 0; --spins) std::this_thread::yield();
      stress.noteProgress(thread, "reset after a shutdown");
      resetBoard(stress);
    } else {
      stress.noteProgress(thread, "remove and add again");
      stress.removeAndAddAgain(random);
    }
  }
}

}  // namespace vlstress
