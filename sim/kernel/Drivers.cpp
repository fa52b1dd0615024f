#include "Drivers.h"

#include <algorithm>
#include <mutex>

namespace sim {
namespace {

std::mutex gDriversMutex;
std::vector<nVLZUK_tDriverRecord*> gDrivers;

}  // namespace

FaultSite& Drivers::registrationFaults() {
  static FaultSite site("nVLZUK200_registerDriver");
  return site;
}

std::vector<nVLZUK_tDriverRecord*> Drivers::registered() {
  std::lock_guard<std::mutex> guard(gDriversMutex);
  return gDrivers;
}

bool Drivers::isRegistered(const nVLZUK_tDriverRecord* record) {
  std::lock_guard<std::mutex> guard(gDriversMutex);
  return std::find(gDrivers.begin(), gDrivers.end(), record) != gDrivers.end();
}

void Drivers::reset() {
  registrationFaults().clear();
  std::lock_guard<std::mutex> guard(gDriversMutex);
  gDrivers.clear();
}

}  // namespace sim

extern "C" {

int32_t nVLZUK200_registerDriver(nVLZUK_tDriverRecord* record) {
  int32_t code = 0;
  if (sim::Drivers::registrationFaults().hit(&code)) return code;
  sim::SimScope scope;
  std::lock_guard<std::mutex> guard(sim::gDriversMutex);
  sim::gDrivers.push_back(record);
  return 0;
}

void nVLZUK200_unregisterDriver(nVLZUK_tDriverRecord* record) {
  sim::SimScope scope;
  std::lock_guard<std::mutex> guard(sim::gDriversMutex);
  sim::gDrivers.erase(std::remove(sim::gDrivers.begin(), sim::gDrivers.end(), record), sim::gDrivers.end());
}

}  // extern "C"
