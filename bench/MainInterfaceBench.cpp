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

void BM_CheckInitializationStatusRequest(benchmark::State& state) {
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
      failed |= file->ioctlRaw(kCheckInitializationStatus, header.address());
      failed |= output.get<int32_t>(0);
    }
    if (failed != 0) state.SkipWithError("the request failed");
    file->close();
  }
  module->record().removeDevice(device);
  module->record().deleteDevice(device);
}
BENCHMARK(BM_CheckInitializationStatusRequest);

void BM_IoctlOnDevNull(benchmark::State& state) {
  const int fd = ::open("/dev/null", O_RDONLY);
  int value = 0;
  for (auto _ : state) benchmark::DoNotOptimize(::ioctl(fd, kCheckInitializationStatus, &value));
  ::close(fd);
}
BENCHMARK(BM_IoctlOnDevNull);

VL_BENCH_RATIO(BM_CheckInitializationStatusRequest, BM_IoctlOnDevNull);

}  // namespace
