#include "KernelHoldings.h"

#include <algorithm>

#include "../kernel/DeviceRegistry.h"
#include "../kernel/Interrupts.h"

namespace sim {

namespace {

constexpr uint32_t kInterfaceProperty = 2;

}  // namespace

std::vector<std::string> kernelHoldingsOf(uint64_t device) {
  std::vector<std::string> held;
  const std::vector<DeviceRegistry::Interface> interfaces = DeviceRegistry::interfaces();
  std::vector<uint64_t> own;
  for (const DeviceRegistry::Interface& entry : interfaces) {
    if (entry.device != device) continue;
    own.push_back(entry.handle);
    held.push_back("interface " + entry.name);
  }
  auto registered = [&interfaces](uint64_t handle) {
    return std::any_of(interfaces.begin(), interfaces.end(),
                       [handle](const DeviceRegistry::Interface& entry) { return entry.handle == handle; });
  };
  for (const DeviceRegistry::Property& property : DeviceRegistry::properties()) {
    const bool mine = property.kind == kInterfaceProperty
                          ? std::count(own.begin(), own.end(), property.owner) != 0 || !registered(property.owner)
                          : property.owner == device;
    if (mine) held.push_back("property " + property.name);
  }
  if (Interrupts::isReserved(device)) held.push_back("interrupt");
  return held;
}

}  // namespace sim
