// The main job: load the packaged module into the simulated kernel layer,
// report what it registered, offer it a simulated board, and unload it.
#include <cstdio>
#include <cstring>
#include <string>

#include "FpgaSessionMode.h"
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

// A published value as user space reads it: text with its terminator, or
// a little-endian number.
std::string valueText(const sim::DeviceRegistry::Property& property) {
  const std::vector<uint8_t>& value = property.value;
  bool isText = value.size() > 1 && value.back() == 0;
  for (size_t i = 0; isText && i + 1 < value.size(); ++i) isText = value[i] >= 0x20 && value[i] < 0x7F;
  if (isText) return "\"" + std::string(value.begin(), value.end() - 1) + "\"";
  uint64_t number = 0;
  for (size_t i = 0; i < value.size() && i < 8; ++i) number |= uint64_t{value[i]} << (8 * i);
  char text[32];
  std::snprintf(text, sizeof text, "%llu (0x%llX)", static_cast<unsigned long long>(number),
                static_cast<unsigned long long>(number));
  return text;
}

void reportDevice(const sim::Board& board) {
  std::printf("  device interfaces:\n");
  for (const sim::DeviceRegistry::Interface& interface : sim::DeviceRegistry::interfaces()) {
    std::printf("    %-24s index %u  %s\n", interface.name.c_str(), interface.index,
                interface.announced ? "announced to user space" : "not announced");
  }
  std::printf("  device properties:\n");
  for (const sim::DeviceRegistry::Property& property : sim::DeviceRegistry::properties()) {
    if (property.owner != board.pciHandle() || property.kind != 0) continue;
    std::printf("    %-22s %s\n", property.name.c_str(), valueText(property).c_str());
  }
  // The driver logs the outcome of each deferred bring-up stage.
  std::printf("  bring-up statuses (kernel log):\n");
  for (const std::string& line : sim::Console::lines()) {
    const size_t at = line.find("bring-up:");
    if (at == std::string::npos) continue;
    std::string stage = line.substr(at);
    while (!stage.empty() && (stage.back() == '\n' || stage.back() == '\r')) stage.pop_back();
    std::printf("    %s\n", stage.c_str());
  }
}

void reportBoard(sim::Board& board) {
  sim::FixedLogic& logic = board.fixedLogic();
  std::printf("  FPGA programmed: %s\n", board.bridge().fpgaLoader().programmed() ? "yes" : "no");
  std::printf("  card power: Ref 0x%llX, LO 0x%llX (status 0x%llX)\n",
              static_cast<unsigned long long>(logic.registers().written(sim::FixedLogic::kRefCardPower, 4)),
              static_cast<unsigned long long>(logic.registers().written(sim::FixedLogic::kLoCardPower, 4)),
              static_cast<unsigned long long>(logic.registers().readable(sim::FixedLogic::kLoCardPower, 4)));
  static const char* const kCplds[] = {"Ref", "LO0", "LO1"};
  for (unsigned cpld = 0; cpld < 3; ++cpld) {
    std::printf("  %s CPLD link: %s (%llu strobe)\n", kCplds[cpld], logic.cpldLinkUp(cpld) ? "up" : "down",
                static_cast<unsigned long long>(logic.cplds().linkStrobes(cpld)));
  }
}

}  // namespace

int main(int argc, char** argv) {
  // --fpga-session also drives the FPGA-session interface once the board is up.
  const bool fpgaSession = argc > 1 && std::strcmp(argv[1], "--fpga-session") == 0;
  const int first = fpgaSession ? 2 : 1;
  const std::string path = argc > first ? argv[first] : sim::Module::defaultPath();
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
  int result = 0;
  const int32_t added = module->record().addDevice(&description, nullptr, &device);
  std::printf("  add device answered %d\n", added);
  if (added == 0 && device != nullptr) {
    reportDevice(board);
    std::printf("\nThe board after bring-up\n");
    reportBoard(board);
    if (fpgaSession && runFpgaSessionMode(*module, board) != 0) result = 1;
    std::printf("\nRemoving the board\n");
    module->record().removeDevice(device);
    module->record().deleteDevice(device);
  }

  std::printf("\nUnloading\n");
  module->unload();
  std::printf("  still registered: %s\n", sim::Drivers::isRegistered(&module->record()) ? "yes" : "no");
  std::printf("  kernel log lines: %zu\n", sim::Console::lines().size());
  return result;
}
