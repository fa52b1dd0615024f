// Arbitrary requests against the FPGA-session interface of one simulated
// board brought up by the driver: the 30 codes (and any other), block sizes,
// block contents and user addresses that are valid, unmapped, null or
// overlapping. Any crash, leak or sanitizer report is a finding. The input
// layout is FuzzHarness.h's; waits and block transfers are bounded so that
// no input blocks the run.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "FuzzHarness.h"
#include "driver/board/ioctl/fpga/FpgaSessionRequests.h"

namespace {

using namespace nVL9738K_24_0::lymrequests;

constexpr uint32_t kLongestWaitMs = 2;
// A block transfer moves one element per register access of the model: a
// few megabytes take seconds, and a corpus that keeps such inputs slows
// the whole run down. Counts the kernel's largest block refuses outright
// stay as they are.
constexpr uint32_t kLongestTransfer = 64 * 1024;
constexpr uint32_t kLargestBlock = 1u << 28;

struct Shape {
  uint32_t code;
  uint32_t in;
  uint32_t out;
};

template <class... Op>
struct Shapes {
  static constexpr Shape kAll[] = {Shape{Op::kCode, sizeof(typename Op::In), sizeof(typename Op::Out)}...,
                                   Shape{ReleasePersonality::kCode, 16, 0}};
};

constexpr const auto& kShapes =
    Shapes<GetAttribute32, SetAttribute32, IsSessionValid, ConfigurePersonalityQrt, DownloadToFpga, AbortWaits, Reset,
           Abort, ClientFunctionCall, ReadBlock, WriteBlock, Read32, Write32, GetMemoryMappedIoWindowSize,
           IrqNodeReserve, IrqNodeUnreserve, WaitOnIrqs, UnlockFifoBuffer, StartFifo, StopFifo, AcquireFifoBytes,
           ReleaseFifoBytes, UnreserveFifo, DeployFifoSettings, DownloadToFlash, SetFlashAutoloadMode,
           GetFlashAutoloadMode, ClearFlash, GetP2PEndpointId>::kAll;

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

// The byte counts of the block transfers, kept short unless refused.
void boundTransfers(uint32_t code, uint8_t* input, size_t size) {
  static_assert(offsetof(ReadBlock::In, byteCount) == offsetof(WriteBlock::In, byteCount));
  constexpr size_t at = offsetof(ReadBlock::In, byteCount);
  if ((code != ReadBlock::kCode && code != WriteBlock::kCode) || size < at + 4) return;
  uint32_t count;
  std::memcpy(&count, input + at, 4);
  if (count > kLongestTransfer && count <= kLargestBlock) count %= kLongestTransfer + 1;
  std::memcpy(input + at, &count, 4);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static vlfuzz::Harness harness("vl9738_atomiclymddkqrt");
  vlfuzz::Input input;
  if (!vlfuzz::decode(data, size, kShapes, input)) return 0;
  boundWaits(input.code, input.block, input.inSize);
  boundTransfers(input.code, input.block, input.inSize);
  harness.send(input);
  return 0;
}
