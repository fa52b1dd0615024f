// One request through the whole road of the main interface (framing layer,
// decoding, the frame, the gate, the handler, copies both ways) against the
// cheapest system call there is: an ioctl on /dev/null, which the host
// kernel refuses at once. The goal is a request no dearer than one call.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "Ratio.h"
#include "driver/platform/entry/EntryPoints.h"
#include "sim/board/Board.h"
#include "sim/host/DeviceFile.h"
#include "sim/host/Module.h"
#include "sim/kernel/UserMemory.h"

namespace {

constexpr uint32_t kCheckInitializationStatus = 0x00204209;

// A board added to the linked driver and its main interface open, for
// `send` to run the benchmark's loop over.
template <class Send>
void onOpenInterface(benchmark::State& state, Send send) {
  auto module = sim::Module::enter(&nVLAPAL200_driverEntry);
  sim::Board board;
  const nVLZUK_tPCIDeviceDescription description = board.description();
  void* device = nullptr;
  if (module == nullptr || module->record().addDevice(&description, nullptr, &device) != 0) {
    state.SkipWithError("the board was not added");
    return;
  }
  {
    auto file = sim::DeviceFile::open(*module, "vl9738_vl9738k");
    if (!send(*file)) state.SkipWithError("the request failed");
    file->close();
  }
  module->record().removeDevice(device);
  module->record().deleteDevice(device);
}

// The request's frame laid out once, as a client that reuses its buffers.
void BM_CheckInitializationStatusRequest(benchmark::State& state) {
  onOpenInterface(state, [&state](sim::DeviceFile& file) {
    sim::UserBlock header(sim::DeviceFile::kHeaderSize);
    sim::UserBlock input(8);
    sim::UserBlock output(4);
    header.put<uint64_t>(0, input.address());
    header.put<uint64_t>(8, output.address());
    header.put<uint32_t>(16, 8);
    header.put<uint32_t>(20, 4);
    input.put<uint32_t>(0, 2);
    int32_t failed = 0;
    for (auto _ : state) {
      failed |= file.ioctlRaw(kCheckInitializationStatus, header.address());
      failed |= output.get<int32_t>(0);
    }
    return failed == 0;
  });
}
BENCHMARK(BM_CheckInitializationStatusRequest);

// The same request framed afresh each call, as the tests, the fuzzers, the
// scenario runner and the front end send theirs: the simulated host gives
// the header, the input and the output user blocks of their own each time.
void BM_FramedCheckInitializationStatusRequest(benchmark::State& state) {
  onOpenInterface(state, [&state](sim::DeviceFile& file) {
    const sim::DeviceFile::Request request{kCheckInitializationStatus, {2, 0, 0, 0, 0, 0, 0, 0}, 4, 0};
    int32_t failed = 0;
    for (auto _ : state) {
      const sim::DeviceFile::Reply reply = file.ioctl(request);
      failed |= reply.status | (reply.output.size() == 4 ? reply.output[0] : 1);
    }
    return failed == 0;
  });
}
BENCHMARK(BM_FramedCheckInitializationStatusRequest);

void BM_IoctlOnDevNull(benchmark::State& state) {
  const int fd = ::open("/dev/null", O_RDONLY);
  int value = 0;
  for (auto _ : state) benchmark::DoNotOptimize(::ioctl(fd, kCheckInitializationStatus, &value));
  ::close(fd);
}
BENCHMARK(BM_IoctlOnDevNull);

VL_BENCH_RATIO(BM_CheckInitializationStatusRequest, BM_IoctlOnDevNull);
VL_BENCH_RATIO(BM_FramedCheckInitializationStatusRequest, BM_IoctlOnDevNull);

}  // namespace
