// The main job: load the packaged module into the simulated kernel layer,
// report what it registered, offer it a simulated board, and unload it.
#include <cstdio>
#include <string>

#include "sim/board/Board.h"
#include "sim/host/Module.h"
#include "sim/kernel/Kernel.h"

namespace {

const char* entryName(int index) {
  static const char* const kNames[] = {"open",       "close",        "read",         "write",
                                       "ioctl",      "unload",       "add device",   "remove device",
                                       "map memory", "unmap memory", "delete device"};
  return kNames[index];
}

void reportRecord(const nVLZUK_tDriverRecord& record) {
  const void* entries[] = {
      reinterpret_cast<const void*>(record.open),        reinterpret_cast<const void*>(record.close),
      reinterpret_cast<const void*>(record.read),        reinterpret_cast<const void*>(record.write),
      reinterpret_cast<const void*>(record.ioctl),       reinterpret_cast<const void*>(record.unload),
      reinterpret_cast<const void*>(record.addDevice),   reinterpret_cast<const void*>(record.removeDevice),
      reinterpret_cast<const void*>(record.mapMemory),   reinterpret_cast<const void*>(record.unmapMemory),
      reinterpret_cast<const void*>(record.deleteDevice)};
  int filled = 0;
  for (const void* entry : entries) filled += entry != nullptr ? 1 : 0;
  std::printf("  module name      : %s\n", record.moduleName != nullptr ? record.moduleName : "(none)");
  std::printf("  entry points     : %d of 11 filled\n", filled);
  for (int i = 0; i < 11; ++i) std::printf("    %-14s %s\n", entryName(i), entries[i] != nullptr ? "set" : "MISSING");
}

}  // namespace

int main(int argc, char** argv) {
  const std::string path = argc > 1 ? argv[1] : sim::Module::defaultPath();
  sim::resetKernel();
  std::printf("vl9738k on the simulated kernel layer\n\n");
  std::printf("Loading %s\n", path.c_str());
  auto module = sim::Module::load(path);
  if (!module) {
    std::printf("  could not map the module: %s\n", sim::Module::lastError());
    return 1;
  }
  std::printf("  driver entry returned %d\n", module->entryResult());
  if (!module->registered()) return 1;
  std::printf("  registered with the kernel layer: %s\n", sim::Drivers::isRegistered(&module->record()) ? "yes" : "no");
  reportRecord(module->record());
  std::printf("\nPlugging in a simulated board\n");
  sim::Board board;
  const nVLZUK_tPCIDeviceDescription description = board.description();
  std::printf("  PCI %02X:%02X.%X  vendor %04X device %04X  subsystem %04X:%04X  BAR 0 %llu KiB\n", description.bus,
              description.device, description.function, description.vendorId, description.deviceId,
              description.subsystemVendorId, description.subsystemId,
              static_cast<unsigned long long>(description.windows[0].size / 1024));
  void* device = nullptr;
  const int32_t added = module->record().addDevice(&description, nullptr, &device);
  std::printf("  add device answered %d%s\n", added,
              added == -51256 ? " (not supported: this build does not accept boards yet)" : "");
  if (added == 0 && device != nullptr) {
    module->record().removeDevice(device);
    module->record().deleteDevice(device);
  }

  std::printf("\nUnloading\n");
  module->unload();
  std::printf("  still registered: %s\n", sim::Drivers::isRegistered(&module->record()) ? "yes" : "no");
  std::printf("  kernel log lines: %zu\n", sim::Console::lines().size());
  return 0;
}
