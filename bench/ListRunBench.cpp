// What a list run that may go on costs the requests that write its
// registers: an arm_write of LO0's attenuator by name and a commit of LO0's
// power, through the packaged module's device file, while a list recorded
// over the attenuator is started and held at a trigger wait, against the
// same requests with no run. A register a run may overwrite carries a flag
// of its own, so the difference is the bus write the flag makes go out,
// never a walk of what the engine's recordings wrote.
#include <benchmark/benchmark.h>

#include <cstring>

#include "Ratio.h"
#include "driver/board/ioctl/ArmRequests.h"
#include "driver/board/ioctl/ListModeRequests.h"
#include "driver/board/ioctl/SettingsRequests.h"
#include "driver/listmode/pcode/PcodeFormat.h"
#include "driver/platform/entry/EntryPoints.h"
#include "sim/board/Board.h"
#include "sim/host/DeviceFile.h"
#include "sim/host/Module.h"
#include "sim/kernel/UserMemory.h"

namespace {

namespace rq = nVL9738K_24_0::requests;
namespace pcode = listmodek::pcode;

constexpr uint64_t kLocation[2] = {0x1000, 0x2};
constexpr uint32_t kAttenuatorId = 0x80E95C1E;
constexpr char kBoardControl[] = "Lo0BoardCtrlRegMap";

// One main-interface file on a board added to the packaged module, with
// its requests framed as user mode frames them.
class Bench {
 public:
  explicit Bench(bool running) {
    module_ = sim::Module::enter(&nVLAPAL200_driverEntry);
    const nVLZUK_tPCIDeviceDescription description = board_.description();
    if (module_ == nullptr || module_->record().addDevice(&description, nullptr, &device_) != 0) return;
    file_ = sim::DeviceFile::open(*module_, "vl9738_vl9738k");
    if (!file_) return;
    std::memcpy(name_.data(), kBoardControl, sizeof kBoardControl - 1);
    ids_.put<uint32_t>(0, 6);
    // LO0's engine: the generation timing engine and its list engine.
    path_.put<uint16_t>(0, 2400);
    path_.put<uint16_t>(4, 2404);
    ok_ = send<rq::SetContext>({path_.address(), 2, 0}) == 0;
    if (!running || !ok_) return;
    ok_ = send<rq::StartCommitSnooping>({}) == 0 && writeAttenuator(0x15) == 0 && send<rq::StopCommitSnooping>({}) == 0;
    const pcode::Instruction wait{pcode::numberOperand(0) | pcode::kTriggerWaitBit,
                                  pcode::header(pcode::kWaitForListTrigger, pcode::kFlagBit)};
    board_.timingEngine(2400)->listEngine().loadProgram(kLocation[0] | kLocation[1] << 32, {wait.operand, wait.header});
    ok_ = ok_ && send<rq::DeployListSettings>({kLocation[0], kLocation[1], 0}) == 0 && send<rq::Commit>({}) == 0 &&
          send<rq::Initiate>({}) == 0 && board_.timingEngine(2400)->listEngine().waitsForTrigger();
  }
  ~Bench() {
    if (file_) file_->close();
    if (device_ != nullptr) {
      module_->record().removeDevice(device_);
      module_->record().deleteDevice(device_);
    }
  }
  bool ok() const { return ok_; }

  template <class Op>
  int32_t send(const typename Op::In& in) {
    sim::UserBlock input(sizeof in), output(sizeof(typename Op::Out));
    input.put(0, in);
    sim::UserBlock header(sim::DeviceFile::kHeaderSize);
    header.put<uint64_t>(0, input.address());
    header.put<uint64_t>(8, output.address());
    header.put<uint32_t>(16, static_cast<uint32_t>(input.size()));
    header.put<uint32_t>(20, static_cast<uint32_t>(output.size()));
    const int32_t framed = file_->ioctlRaw(Op::kCode, header.address());
    return framed != 0 ? framed : output.get<typename Op::Out>(0).status;
  }
  int32_t writeAttenuator(uint32_t value) {
    return send<rq::ArmWrite>({name_.address(), sizeof kBoardControl - 1, kAttenuatorId, value, 0, 0});
  }
  int32_t commitPower() { return send<rq::SettingsSendMessage>({ids_.address(), 1, 1, 0, 0, 0, 0, 0}); }
  // The value a direct write keeps sending.
  int32_t writeAttenuatorAgain() { return writeAttenuator(0x2A); }

 private:
  sim::Board board_;
  std::unique_ptr<sim::Module> module_;
  void* device_ = nullptr;
  std::unique_ptr<sim::DeviceFile> file_;
  sim::UserBlock name_{32};
  sim::UserBlock ids_{4};
  sim::UserBlock path_{8};
  bool ok_ = false;
};

// The same request each time: with no run the shadow holds its value and
// nothing goes out; during the run the flag makes it go out.
template <bool kRunning, int32_t (Bench::*kRequest)()>
void repeat(benchmark::State& state) {
  Bench bench(kRunning);
  if (!bench.ok()) {
    state.SkipWithError("the list did not start");
    return;
  }
  int32_t failed = 0;
  for (auto _ : state) failed |= (bench.*kRequest)();
  if (failed != 0) state.SkipWithError("a request failed");
}

void BM_ArmWriteByNameDuringARun(benchmark::State& state) { repeat<true, &Bench::writeAttenuatorAgain>(state); }
void BM_ArmWriteByNameWithNoRun(benchmark::State& state) { repeat<false, &Bench::writeAttenuatorAgain>(state); }
void BM_LoCommitDuringARun(benchmark::State& state) { repeat<true, &Bench::commitPower>(state); }
void BM_LoCommitWithNoRun(benchmark::State& state) { repeat<false, &Bench::commitPower>(state); }
BENCHMARK(BM_ArmWriteByNameDuringARun);
BENCHMARK(BM_ArmWriteByNameWithNoRun);
BENCHMARK(BM_LoCommitDuringARun);
BENCHMARK(BM_LoCommitWithNoRun);

VL_BENCH_RATIO(BM_ArmWriteByNameDuringARun, BM_ArmWriteByNameWithNoRun);
VL_BENCH_RATIO(BM_LoCommitDuringARun, BM_LoCommitWithNoRun);

}  // namespace
