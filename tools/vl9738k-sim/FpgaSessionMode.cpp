#include "FpgaSessionMode.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "StatusNames.h"
#include "driver/board/ioctl/fpga/FpgaSessionRequests.h"
#include "sim/board/FpgaPersonality.h"
#include "sim/host/DeviceFile.h"
#include "sim/host/RequestClient.h"
#include "sim/kernel/UserMemory.h"

namespace {

constexpr size_t kStepWidth = 36;

using namespace nVL9738K_24_0::lymrequests;

// Where the demonstration design keeps its registers in the FPGA window.
constexpr uint32_t kControl = 0x100, kReset = 0x104, kSignature = 0x108, kIrq = 0x200, kFifoControl = 0x400;
constexpr uint32_t kForceDownload = 1u << 29;

void putU32(std::vector<uint8_t>& bytes, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<uint8_t>(value >> shift));
}

sim::UserBlock* userCopy(const std::vector<uint8_t>& bytes) {
  auto* block = new sim::UserBlock(bytes.size());
  std::memcpy(block->data(), bytes.data(), bytes.size());
  return block;
}

}  // namespace

namespace vlcli {

int runFpgaSessionMode(sim::Module& module, sim::Board& board, std::ostream& out) {
  auto report = [&out](const char* step, int32_t status) {
    out << "  " << step << std::string(kStepWidth - std::strlen(step), ' ') << statusText(status) << "\n";
    return status == 0 ? 0 : 1;
  };
  // Each step is reported under the request's published name.
  auto sent = [&report](const auto& reply) { return report(reply.request, reply.outStatus()); };
  out << "  FPGA session on vl9738_atomiclymddkqrt\n";
  int32_t opened = 0;
  auto file = sim::DeviceFile::open(module, "vl9738_atomiclymddkqrt", &opened);
  if (!file) return report("open", opened);
  sim::RequestClient client(*file);

  // The design on the model: its registers, IRQ block and one FIFO to the
  // device; the loader takes the bitfile below as a whole, intact image.
  sim::FpgaPersonality design(board.fpga(), kControl, kReset, kSignature);
  design.setSignature({0x11, 0x22, 0x33, 0x44});
  board.fpga().placeIrqBlock(kIrq);
  board.fpga().addFifo(kFifoControl, 0, sim::FpgaWindow::FifoDirection::HostToDevice);
  board.bridge().channel(0).setFifoCapacity(uint64_t{1} << 20);
  std::vector<uint8_t> bitfile(8192);
  for (size_t i = 0; i < bitfile.size(); ++i) bitfile[i] = static_cast<uint8_t>(i * 13 + 5);
  board.bridge().fpgaLoader().expect(bitfile);

  std::vector<uint8_t> personality;
  for (uint32_t word :
       {kControl, kReset, kIrq, kSignature, 0xFFFFFFFFu, 0u, kForceDownload, 0xFFFF0F0Fu, 0x11u, 0x22u, 0x33u, 0x44u}) {
    putU32(personality, word);
  }
  std::vector<uint8_t> fifo = {1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  putU32(fifo, 0);  // FIFO number
  putU32(fifo, kFifoControl);
  putU32(fifo, 0);
  fifo.push_back(1);  // through DMA
  putU32(fifo, 0xFFFFFFFF);
  putU32(fifo, 0);
  std::unique_ptr<sim::UserBlock> blocks[] = {std::unique_ptr<sim::UserBlock>(userCopy(personality)),
                                              std::unique_ptr<sim::UserBlock>(userCopy(fifo)),
                                              std::unique_ptr<sim::UserBlock>(userCopy(bitfile))};
  int failures = 0;
  const auto configured =
      client.call<ConfigurePersonalityQrt>({.personalityAddress = blocks[0]->address(),
                                            .personalitySize = static_cast<uint32_t>(personality.size()),
                                            .fifoListAddress = blocks[1]->address(),
                                            .fifoListSize = static_cast<uint32_t>(fifo.size()),
                                            .bitfileAddress = blocks[2]->address(),
                                            .bitfileSize = static_cast<uint32_t>(bitfile.size())});
  failures += sent(configured);
  out << "    downloaded " << unsigned{configured.out.downloaded} << ", loader received "
      << board.bridge().fpgaLoader().received().size() << " bytes\n";

  failures += sent(client.call<Write32>({.offset = kControl, .value = 0x5}));
  const auto signature = client.call<Read32>({.offset = kSignature});
  failures += sent(signature);
  out << "    first signature word 0x" << std::hex << signature.out.value << std::dec << ", control writes "
      << design.controlWrites().size() << "\n";

  sim::UserBlock stream(4096);
  for (size_t i = 0; i < stream.size(); ++i) stream.data()[i] = static_cast<uint8_t>(i);
  failures += sent(client.call<DeployFifoSettings>(
      {.ownerId = 1, .fifo = 0, .bufferAddress = stream.address(), .bufferSize = stream.size(), .mode = 2}));
  failures += sent(client.call<StartFifo>({.ownerId = 1, .fifo = 0}));
  failures += sent(client.call<ReleaseFifoBytes>({.ownerId = 1, .fifo = 0, .bytes = 4096}));
  out << "    the device took " << board.bridge().channel(0).drain().size() << " bytes\n";
  failures += sent(client.call<StopFifo>({.ownerId = 1, .fifo = 0}));

  board.fpga().raiseIrqs(0x2);
  const auto irq = client.call<WaitOnIrqs>({.irqMask = 0x3, .timeoutMs = 100});
  failures += sent(irq);
  out << "    IRQs 0x" << std::hex << irq.out.irqs << std::dec << ", timed out " << unsigned{irq.out.timedOut} << "\n";

  sim::DeviceFile::Request release;
  release.code = ReleasePersonality::kCode;
  release.input.assign(16, 0);
  const std::string name = ReleasePersonality::kName;
  out << "  " << name << std::string(kStepWidth - name.size(), ' ') << "answered " << file->ioctl(release).resultField
      << " bytes\n";
  file->close();
  return failures == 0 ? 0 : 1;
}

}  // namespace vlcli
