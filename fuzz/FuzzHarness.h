// What both request fuzzers share: one simulated board brought up by the
// driver, entered through its driver entry, one session of the interface
// under test, and the input layout.
//
// Input layout: byte 0 picks the code (below the interface's count: its
// code of that index; else bytes 1-4 are the code), byte 5 the address
// mode (valid, unmapped input, unmapped output, one block both ways, null),
// byte 6 bit 0 keeps the code's own sizes (else bytes 7-8 and 9-10 are the
// input and output sizes), then the input block, and the rest is the tail:
// in the valid mode, an 8-byte field of the block that holds kTailMark in
// its upper half is sent as the address of the tail's byte its lower half
// names, so that an input can carry a name, a path or a buffer of its own
// (the tail goes as a user block of its own; without marks it is unused).
#ifndef VL9738K_FUZZ_FUZZHARNESS_H
#define VL9738K_FUZZ_FUZZHARNESS_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "SeedBlocks.h"
#include "driver/platform/entry/EntryPoints.h"
#include "sim/board/Board.h"
#include "sim/board/PxiRoutingMatrixModel.h"
#include "sim/host/DeviceFile.h"
#include "sim/host/Module.h"
#include "sim/kernel/Clock.h"
#include "sim/kernel/Console.h"
#include "sim/kernel/Memory.h"
#include "sim/kernel/UserMemory.h"

namespace vlfuzz {

constexpr size_t kMaxBlock = 512;
// An address no user block is ever registered at.
constexpr uint64_t kUnmapped = 0x1000;
// The driver's bounded polls (a flash erase busy-waits half a second before
// it looks) read the virtual clock until it passes their end; at the
// clock's usual microsecond a spin that is most of an input's run. As in
// the scenario runner, a spinning reader moves it 50 us at a time, as if
// it had been preempted: the clock still moves only with the driver's own
// reads, so a sequence of inputs runs the same way each time.
constexpr uint64_t kSpinStepNs = 50'000;
// The register-port subsystem of the FPGA's trigger routing matrix, as the
// scenario runner places it: without the matrix the board has no routing
// resources and every routing request stops at its first check.
constexpr uint8_t kRoutingMatrixSubsystem = 7;

struct Input {
  uint32_t code = 0;
  uint8_t mode = 0;
  size_t inSize = 0;
  size_t outSize = 0;
  uint8_t block[kMaxBlock] = {};
  size_t tailSize = 0;
  uint8_t tail[kMaxBlock] = {};
};

// `known` lists the interface's codes with their sizes (members code, in,
// out). False when the input is too short to say anything.
template <class Known, size_t kCount>
bool decode(const uint8_t* data, size_t size, const Known (&known)[kCount], Input& input) {
  if (size < kHeaderBytes) return false;
  auto u16At = [data](size_t at) {
    uint16_t value;
    std::memcpy(&value, data + at, sizeof(value));
    return value;
  };
  std::memcpy(&input.code, data + 1, sizeof(input.code));
  input.mode = data[5];
  input.inSize = u16At(7) % kMaxBlock;
  input.outSize = u16At(9) % kMaxBlock;
  if (data[0] < kCount) {
    input.code = known[data[0]].code;
    if ((data[6] & 1) != 0) {
      input.inSize = known[data[0]].in;
      input.outSize = known[data[0]].out;
    }
  }
  const size_t available = size - kHeaderBytes;
  std::memcpy(input.block, data + kHeaderBytes, available < input.inSize ? available : input.inSize);
  input.tailSize = available > input.inSize ? available - input.inSize : 0;
  if (input.tailSize > kMaxBlock) input.tailSize = kMaxBlock;
  std::memcpy(input.tail, data + kHeaderBytes + input.inSize, input.tailSize);
  return true;
}

class Harness {
 public:
  explicit Harness(const char* interface)
      : interface_(interface), module_(sim::Module::enter(&nVLAPAL200_driverEntry)) {
    // Requests may ask the kernel for gigabytes (a flash image, a block
    // transfer); a kernel of a modest machine refuses them, and the run
    // stays small.
    sim::Memory::setLargestBlock(uint64_t{1} << 28);
    sim::Clock::instance().setSpinStepNs(kSpinStepNs);
    matrix_.place(board_.registerPort(), kRoutingMatrixSubsystem);
    if (!module_) __builtin_trap();
    const nVLZUK_tPCIDeviceDescription description = board_.description();
    if (module_->record().addDevice(&description, nullptr, &device_) != 0) __builtin_trap();
    reopen();
  }

  // A fresh session in place of one a reset left stale.
  void reopen() {
    if (file_) file_->close();
    file_ = sim::DeviceFile::open(*module_, interface_);
    if (!file_) __builtin_trap();
  }

  void send(const Input& input) {
    size_t outSize = input.outSize;
    std::unique_ptr<sim::UserBlock> header, in, out, tail;
    {
      sim::SimScope scope;
      header = std::make_unique<sim::UserBlock>(sim::DeviceFile::kHeaderSize);
      in = std::make_unique<sim::UserBlock>(input.inSize == 0 ? 1 : input.inSize);
      out = std::make_unique<sim::UserBlock>(outSize == 0 ? 1 : outSize);
      if (input.inSize != 0) std::memcpy(in->data(), input.block, input.inSize);
      uint64_t inAddress = in->address();
      uint64_t outAddress = out->address();
      switch (input.mode % 5) {
        case 1:
          inAddress = kUnmapped;
          break;
        case 2:
          outAddress = kUnmapped;
          break;
        case 3:
          outAddress = inAddress;  // one block serves both ways
          outSize = input.inSize;
          break;
        case 4:
          inAddress = 0;
          outAddress = 0;
          break;
        default:
          // SeedBlocks.h's layout, which the sweeps and scenarios share.
          tail = pointAtTail(in->data(), input.inSize, input.tail, input.tailSize);
          break;
      }
      header->put<uint64_t>(0, inAddress);
      header->put<uint64_t>(8, outAddress);
      header->put<uint32_t>(16, static_cast<uint32_t>(input.inSize));
      header->put<uint32_t>(20, static_cast<uint32_t>(outSize));
    }
    file_->ioctlRaw(input.code, header->address());
    // Nobody reads the kernel log here either. Kept, each line the driver
    // prints is memory an input took and never gave back: libFuzzer then
    // runs the input again and scans the whole heap for a leak, which costs
    // more than most requests do.
    sim::Console::clear();
  }

 private:
  const char* interface_;
  std::unique_ptr<sim::Module> module_;
  sim::PxiRoutingMatrixModel matrix_;
  sim::Board board_;
  void* device_ = nullptr;
  std::unique_ptr<sim::DeviceFile> file_;
};

}  // namespace vlfuzz

#endif
