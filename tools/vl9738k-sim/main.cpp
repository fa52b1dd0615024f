// The main job: load the packaged module into the simulated kernel layer,
// report what it registered, and unload it again.
#include <cstdio>
#include <string>

#include "sim/host/Module.h"
#include "sim/kernel/Kernel.h"

namespace {

const char* entryName(int index) {
  static const char* const kNames[] = {"open",         "close",      "read",       "write",
                                       "ioctl",        "unload",     "add device", "remove device",
                                       "map memory",   "unmap memory", "delete device"};
  return kNames[index];
}

void reportRecord(const nVLZUK_tDriverRecord& record) {
  const void* entries[] = {reinterpret_cast<const void*>(record.open),
                           reinterpret_cast<const void*>(record.close),
                           reinterpret_cast<const void*>(record.read),
                           reinterpret_cast<const void*>(record.write),
                           reinterpret_cast<const void*>(record.ioctl),
                           reinterpret_cast<const void*>(record.unload),
                           reinterpret_cast<const void*>(record.addDevice),
                           reinterpret_cast<const void*>(record.removeDevice),
                           reinterpret_cast<const void*>(record.mapMemory),
                           reinterpret_cast<const void*>(record.unmapMemory),
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
  std::printf("  registered with the kernel layer: %s\n",
              sim::Drivers::isRegistered(&module->record()) ? "yes" : "no");
  reportRecord(module->record());
  std::printf("\nUnloading\n");
  module->unload();
  std::printf("  still registered: %s\n", sim::Drivers::isRegistered(&module->record()) ? "yes" : "no");
  std::printf("  kernel log lines: %zu\n", sim::Console::lines().size());
  return 0;
}
