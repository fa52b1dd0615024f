// Arbitrary requests against the main interface of one simulated board
// brought up by the driver, entered through its driver entry: codes (published ones and any other),
// block sizes, block contents and user addresses that are valid, unmapped,
// null or overlapping. Any crash, leak or sanitizer report is a finding.
//
// Input layout: byte 0 picks the code (below 100: the published code of
// that index; else bytes 1-4 are the code), byte 5 the address mode,
// byte 6 bit 0 keeps the published sizes (else bytes 7-8 and 9-10 are the
// input and output sizes), and the rest is the input block.
#include <cstdint>
#include <cstring>
#include <memory>

#include "driver/platform/entry/EntryPoints.h"
#include "sim/board/Board.h"
#include "sim/host/DeviceFile.h"
#include "sim/host/Module.h"
#include "sim/kernel/Memory.h"
#include "sim/kernel/UserMemory.h"
#include "tests/module/PublishedRequests.h"

namespace {

constexpr size_t kHeaderBytes = 11;
constexpr size_t kMaxBlock = 512;
constexpr uint32_t kResetDevice = 0x0020420C;
// An address no user block is ever registered at.
constexpr uint64_t kUnmapped = 0x1000;

class Harness {
 public:
  Harness() : module_(sim::Module::enter(&nVLAPAL200_driverEntry)) {
    // Requests may ask the kernel for gigabytes; a kernel of a modest
    // machine refuses them, and the run stays small.
    sim::Memory::setLargestBlock(uint64_t{1} << 28);
    board_.bar0().stopRecording();
    if (!module_) __builtin_trap();
    const nVLZUK_tPCIDeviceDescription description = board_.description();
    if (module_->record().addDevice(&description, nullptr, &device_) != 0) __builtin_trap();
    reopen();
  }

  void reopen() {
    if (file_) file_->close();
    file_ = sim::DeviceFile::open(*module_, "vl9738_vl9738k");
    if (!file_) __builtin_trap();
  }

  void send(uint32_t code, uint8_t mode, const uint8_t* input, size_t inSize, size_t outSize) {
    std::unique_ptr<sim::UserBlock> header, in, out;
    {
      sim::SimScope scope;
      header = std::make_unique<sim::UserBlock>(sim::DeviceFile::kHeaderSize);
      in = std::make_unique<sim::UserBlock>(inSize == 0 ? 1 : inSize);
      out = std::make_unique<sim::UserBlock>(outSize == 0 ? 1 : outSize);
      if (inSize != 0) std::memcpy(in->data(), input, inSize);
      uint64_t inAddress = in->address();
      uint64_t outAddress = out->address();
      switch (mode % 5) {
        case 1:
          inAddress = kUnmapped;
          break;
        case 2:
          outAddress = kUnmapped;
          break;
        case 3:
          outAddress = inAddress;  // one block serves both ways
          outSize = inSize;
          break;
        case 4:
          inAddress = 0;
          outAddress = 0;
          break;
        default:
          break;
      }
      header->put<uint64_t>(0, inAddress);
      header->put<uint64_t>(8, outAddress);
      header->put<uint32_t>(16, static_cast<uint32_t>(inSize));
      header->put<uint32_t>(20, static_cast<uint32_t>(outSize));
    }
    file_->ioctlRaw(code, header->address());
    // The model keeps its bus traffic for tests to inspect; here nothing
    // does, so it must not pile up over millions of requests.
    board_.bar0().clearTraffic();
    // A reset leaves this session stale; later inputs get a fresh one.
    if (code == kResetDevice) reopen();
  }

 private:
  std::unique_ptr<sim::Module> module_;
  sim::Board board_;
  void* device_ = nullptr;
  std::unique_ptr<sim::DeviceFile> file_;
};

uint16_t u16At(const uint8_t* data) {
  uint16_t value;
  std::memcpy(&value, data, sizeof(value));
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Harness harness;
  if (size < kHeaderBytes) return 0;
  constexpr size_t kPublished = sizeof(vltest::kPublishedRequests) / sizeof(vltest::kPublishedRequests[0]);
  uint32_t code;
  std::memcpy(&code, data + 1, sizeof(code));
  size_t inSize = u16At(data + 7) % kMaxBlock;
  size_t outSize = u16At(data + 9) % kMaxBlock;
  if (data[0] < kPublished) {
    const auto& request = vltest::kPublishedRequests[data[0]];
    code = request.code;
    if ((data[6] & 1) != 0) {
      inSize = request.in;
      outSize = request.out;
    }
  }
  const uint8_t* block = data + kHeaderBytes;
  const size_t available = size - kHeaderBytes;
  uint8_t input[kMaxBlock] = {};
  std::memcpy(input, block, available < inSize ? available : inSize);
  harness.send(code, data[5], input, inSize, outSize);
  return 0;
}
