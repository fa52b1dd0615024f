// Arbitrary requests against the FPGA-session interface of one simulated
// board brought up by the driver, entered through its driver entry: the 30
// codes (and any other), block sizes, block contents and user addresses
// that are valid, unmapped, null or overlapping. Any crash, leak or
// sanitizer report is a finding.
//
// Input layout as the main interface's fuzzer: byte 0 picks the code
// (below 30: the interface's code of that index; else bytes 1-4 are the
// code), byte 5 the address mode, byte 6 bit 0 keeps the code's own sizes
// (else bytes 7-8 and 9-10 are the input and output sizes), and the rest is
// the input block. Waits are bounded so that no input blocks the run.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "driver/board/ioctl/fpga/FpgaSessionRequests.h"
#include "driver/platform/entry/EntryPoints.h"
#include "sim/board/Board.h"
#include "sim/host/DeviceFile.h"
#include "sim/host/Module.h"
#include "sim/kernel/Memory.h"
#include "sim/kernel/UserMemory.h"

namespace {

using namespace nVL9738K_24_0::lymrequests;

constexpr size_t kHeaderBytes = 11;
constexpr size_t kMaxBlock = 512;
constexpr uint64_t kUnmapped = 0x1000;
constexpr uint32_t kLongestWaitMs = 2;

struct Shape {
  uint32_t code;
  uint32_t in;
  uint32_t out;
};

template <class... Op>
constexpr auto shapesOf() {
  return std::array<Shape, sizeof...(Op) + 1>{Shape{Op::kCode, sizeof(typename Op::In), sizeof(typename Op::Out)}...,
                                              Shape{ReleasePersonality::kCode, 16, 0}};
}

constexpr auto kShapes =
    shapesOf<GetAttribute32, SetAttribute32, IsSessionValid, ConfigurePersonalityQrt, DownloadToFpga, AbortWaits, Reset,
             Abort, ClientFunctionCall, ReadBlock, WriteBlock, Read32, Write32, GetMemoryMappedIoWindowSize,
             IrqNodeReserve, IrqNodeUnreserve, WaitOnIrqs, UnlockFifoBuffer, StartFifo, StopFifo, AcquireFifoBytes,
             ReleaseFifoBytes, UnreserveFifo, DeployFifoSettings, DownloadToFlash, SetFlashAutoloadMode,
             GetFlashAutoloadMode, ClearFlash, GetP2PEndpointId>();

// The time-out fields of the two waits, kept short.
void boundWaits(uint32_t code, uint8_t* input, size_t size) {
  size_t at = SIZE_MAX;
  if (code == WaitOnIrqs::kCode) at = offsetof(WaitOnIrqs::In, timeoutMs);
  if (code == AcquireFifoBytes::kCode) at = offsetof(AcquireFifoBytes::In, timeoutMs);
  if (at == SIZE_MAX || size < at + 4) return;
  uint32_t timeout;
  std::memcpy(&timeout, input + at, 4);
  timeout %= kLongestWaitMs + 1;
  std::memcpy(input + at, &timeout, 4);
}

class Harness {
 public:
  Harness() : module_(sim::Module::enter(&nVLAPAL200_driverEntry)) {
    // A flash image or a block transfer may ask the kernel for gigabytes;
    // a kernel of a modest machine refuses them, and the run stays small.
    sim::Memory::setLargestBlock(uint64_t{1} << 28);
    board_.bar0().stopRecording();
    if (!module_) __builtin_trap();
    const nVLZUK_tPCIDeviceDescription description = board_.description();
    if (module_->record().addDevice(&description, nullptr, &device_) != 0) __builtin_trap();
    file_ = sim::DeviceFile::open(*module_, "vl9738_atomiclymddkqrt");
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
          outAddress = inAddress;
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
    board_.bar0().clearTraffic();
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
  uint32_t code;
  std::memcpy(&code, data + 1, sizeof(code));
  size_t inSize = u16At(data + 7) % kMaxBlock;
  size_t outSize = u16At(data + 9) % kMaxBlock;
  if (data[0] < kShapes.size()) {
    code = kShapes[data[0]].code;
    if ((data[6] & 1) != 0) {
      inSize = kShapes[data[0]].in;
      outSize = kShapes[data[0]].out;
    }
  }
  const size_t available = size - kHeaderBytes;
  uint8_t input[kMaxBlock] = {};
  std::memcpy(input, data + kHeaderBytes, available < inSize ? available : inSize);
  boundWaits(code, input, inSize);
  harness.send(code, data[5], input, inSize, outSize);
  return 0;
}
