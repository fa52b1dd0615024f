// What the board is for, as user mode asks for it: a frequency and a power
// on LO0 from a stable reference. The settings go through the published
// requests only: the session takes a reservation client, deploys the
// settings records, reserves the policies that share them and commits;
// the lock query reports the reference clock.
#ifndef VL9738K_TOOLS_CLI_SETTINGSCOMMANDS_H
#define VL9738K_TOOLS_CLI_SETTINGSCOMMANDS_H

#include <cstdint>
#include <ostream>

#include "sim/host/DeviceFile.h"

namespace vlcli {

class SettingsCommands {
 public:
  SettingsCommands(sim::DeviceFile& file, std::ostream& out) : file_(file), out_(out) {}

  // Deploys, reserves and commits an LO0 frequency, an LO0 power and the
  // reference path 0 from the onboard source; one line per request. False
  // when a request failed.
  bool tune();
  // The reference clock's lock flags and report.
  bool lockQuery();
  // The NCO frequency word and the amplitude word of LO0's DAC, read from
  // the hardware through its register map; false when a read failed.
  bool showDac(const char* when);

 private:
  bool ensureClient();
  // The policy of a setting, found by its published name.
  bool findPolicy(const char* name, uint32_t& id);
  int64_t sendMessage(const uint32_t* ids, uint32_t count, uint32_t type, uint64_t output, uint32_t outputSize);

  sim::DeviceFile& file_;
  std::ostream& out_;
  bool client_ = false;
};

}  // namespace vlcli

#endif
