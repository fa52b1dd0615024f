#include "KernelSockets.h"

#include <mutex>
#include <set>

#include "../../driver/platform/zuk/ZukSocket.h"

namespace sim {
namespace {

std::mutex gSocketsMutex;
std::set<uint64_t> gBuffers;
std::vector<KernelSockets::Message> gSent;
uint64_t gNextHandle = 0x5000;
constinit FaultSite gCreationFaults("nVLZUK250_createKernelSocketBuffer");
constinit FaultSite gSendFaults("nVLZUK250_kernelSocketSend");

}  // namespace

FaultSite& KernelSockets::bufferCreationFaults() { return gCreationFaults; }
FaultSite& KernelSockets::sendFaults() { return gSendFaults; }

std::vector<KernelSockets::Message> KernelSockets::sent() {
  std::lock_guard<std::mutex> guard(gSocketsMutex);
  return gSent;
}

int64_t KernelSockets::outstandingBuffers() {
  std::lock_guard<std::mutex> guard(gSocketsMutex);
  return static_cast<int64_t>(gBuffers.size());
}

void KernelSockets::reset() {
  gCreationFaults.clear();
  gSendFaults.clear();
  std::lock_guard<std::mutex> guard(gSocketsMutex);
  gBuffers.clear();
  gSent.clear();
}

}  // namespace sim

extern "C" {

uint64_t nVLZUK250_createKernelSocketBuffer(uint32_t) {
  if (sim::gCreationFaults.hit()) return 0;
  sim::SimScope scope;
  std::lock_guard<std::mutex> guard(sim::gSocketsMutex);
  const uint64_t handle = sim::gNextHandle++;
  sim::gBuffers.insert(handle);
  return handle;
}

int32_t nVLZUK250_kernelSocketSend(uint64_t buffer, uint32_t port, uint32_t type, const void* message, uint32_t size) {
  int32_t code = 0;
  if (sim::gSendFaults.hit(&code)) return code;
  sim::SimScope scope;
  std::lock_guard<std::mutex> guard(sim::gSocketsMutex);
  if (sim::gBuffers.erase(buffer) == 0) return sim::KernelSockets::kUnknownBuffer;
  const auto* bytes = static_cast<const uint8_t*>(message);
  sim::gSent.push_back({port, type, std::vector<uint8_t>(bytes, bytes + size)});
  return 0;
}

void nVLZUK250_releaseKernelSocketBuffer(uint64_t buffer) {
  sim::SimScope scope;
  std::lock_guard<std::mutex> guard(sim::gSocketsMutex);
  sim::gBuffers.erase(buffer);
}

}  // extern "C"
