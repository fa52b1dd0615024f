#include "BoardFaults.h"

#include <cstring>

namespace vlcli {

const BoardFault kBoardFaults[] = {
    {"blank-flash", "the calibration flash is erased: no serial number, slot or capabilities",
     [](sim::BoardOptions& options) { options.flash.blank = true; }, nullptr},
    {"fpga-fails", "the FPGA refuses every bitstream", nullptr,
     [](sim::Board& board) { board.bridge().fpgaLoader().setFault(sim::FpgaLoader::Fault::Fails); }},
    {"ref-link-down", "the Ref CPLD's link never comes up", nullptr,
     [](sim::Board& board) { board.fixedLogic().holdCpldLinkDown(0, true); }},
    {"lo0-link-down", "the LO0 CPLD's link never comes up", nullptr,
     [](sim::Board& board) { board.fixedLogic().holdCpldLinkDown(1, true); }},
    {"lo1-link-down", "the LO1 CPLD's link never comes up", nullptr,
     [](sim::Board& board) { board.fixedLogic().holdCpldLinkDown(2, true); }},
    {"lo-power-down", "the LO card's rails never report good", nullptr,
     [](sim::Board& board) { board.fixedLogic().holdLoPowerDown(true); }},
    {"ref-not-ready", "the Ref CPLD never reports ready", nullptr,
     [](sim::Board& board) { board.fixedLogic().refCpld().setReady(false); }},
    {"pll-never-locks", "the reference PLL never locks", nullptr,
     [](sim::Board& board) { board.fixedLogic().refCpld().setPllNeverLocks(true); }},
    {"over-temperature", "the FPGA reports overheating", nullptr,
     [](sim::Board& board) { board.fixedLogic().setOverTemperature(true); }},
};
const size_t kBoardFaultCount = sizeof kBoardFaults / sizeof kBoardFaults[0];

const BoardFault* findBoardFault(const char* name) {
  for (const BoardFault& fault : kBoardFaults) {
    if (std::strcmp(fault.name, name) == 0) return &fault;
  }
  return nullptr;
}

}  // namespace vlcli
