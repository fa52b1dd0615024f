// The front end's FPGA-session mode: drives the board's FPGA-session
// interface as a user-mode client would, against the board model.
#ifndef VL9738K_TOOLS_CLI_FPGASESSIONMODE_H
#define VL9738K_TOOLS_CLI_FPGASESSIONMODE_H

#include <ostream>

#include "sim/board/Board.h"
#include "sim/host/Module.h"

namespace vlcli {

// Opens a session, configures a personality with a bitfile, reads and
// writes registers, streams a FIFO to the device and waits on an IRQ;
// returns 0 when every step answered success.
int runFpgaSessionMode(sim::Module& module, sim::Board& board, std::ostream& out);

}  // namespace vlcli

#endif
