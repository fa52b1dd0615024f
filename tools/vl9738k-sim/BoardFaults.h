// The faults the front end can give a simulated board before it is
// offered to the driver, by name.
#ifndef VL9738K_TOOLS_CLI_BOARDFAULTS_H
#define VL9738K_TOOLS_CLI_BOARDFAULTS_H

#include <cstddef>

#include "sim/board/Board.h"

namespace vlcli {

struct BoardFault {
  const char* name;
  const char* what;
  // Either changes the options the board is built with, or the built
  // board's models; the other is null.
  void (*configure)(sim::BoardOptions& options);
  void (*apply)(sim::Board& board);
};

extern const BoardFault kBoardFaults[];
extern const size_t kBoardFaultCount;

// Null for a name the table does not hold.
const BoardFault* findBoardFault(const char* name);

}  // namespace vlcli

#endif
