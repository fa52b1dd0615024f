#include "Threads.h"

#include <map>
#include <mutex>
#include <thread>

#include "../../driver/platform/zuk/ZukThread.h"
#include "Scheduler.h"

namespace sim {
namespace {

// In the deterministic mode a kernel thread is a scheduled task instead.
struct KernelThread {
  std::string name;
  std::thread thread;
  uint64_t task = 0;
};

constinit FaultSite gCreationFaults("nVLZUK250_createNamedThread");
std::mutex gThreadsMutex;
// Never destroyed: a thread still in it at exit must not end the process.
auto* gThreads = new std::map<uint64_t, KernelThread>;
uint64_t gNextId = 0x1000;

}  // namespace

FaultSite& Threads::creationFaults() { return gCreationFaults; }

std::vector<std::string> Threads::unjoinedNames() {
  std::lock_guard<std::mutex> guard(gThreadsMutex);
  std::vector<std::string> names;
  for (const auto& [id, thread] : *gThreads) names.push_back(thread.name);
  return names;
}

void Threads::reset() {
  creationFaults().clear();
  std::map<uint64_t, KernelThread> left;
  {
    std::lock_guard<std::mutex> guard(gThreadsMutex);
    left.swap(*gThreads);
  }
  for (auto& [id, thread] : left) {
    if (thread.thread.joinable()) thread.thread.join();
  }
}

}  // namespace sim

extern "C" {

int32_t nVLZUK250_createNamedThread(nVLZUK_tThreadRecord* record, const char* name, uint64_t* threadId) {
  int32_t code = 0;
  if (sim::Threads::creationFaults().hit(&code)) return code;
  sim::SimScope scope;
  uint64_t id = 0;
  {
    std::lock_guard<std::mutex> guard(sim::gThreadsMutex);
    id = sim::gNextId++;
    sim::KernelThread& thread = (*sim::gThreads)[id];
    thread.name = name != nullptr ? name : "";
    if (!sim::Scheduler::active()) thread.thread = std::thread([record] { record->entry(record->context); });
  }
  *threadId = id;
  // The spawn may switch tasks, so it runs with no host lock held.
  if (sim::Scheduler::active()) {
    const uint64_t task =
        sim::Scheduler::spawn(name != nullptr ? name : "", [record] { record->entry(record->context); });
    std::lock_guard<std::mutex> guard(sim::gThreadsMutex);
    (*sim::gThreads)[id].task = task;
  }
  return 0;
}

void nVLZUK200_joinThread(uint64_t threadId) {
  std::thread thread;
  uint64_t task = 0;
  {
    std::lock_guard<std::mutex> guard(sim::gThreadsMutex);
    const auto found = sim::gThreads->find(threadId);
    if (found == sim::gThreads->end()) return;
    thread = std::move(found->second.thread);
    task = found->second.task;
    sim::gThreads->erase(found);
  }
  if (task != 0) {
    sim::Scheduler::join(task);
  } else {
    thread.join();
  }
}

}  // extern "C"
