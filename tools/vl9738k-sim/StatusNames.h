// Every status the front end shows, as its code and a short name.
#ifndef VL9738K_TOOLS_CLI_STATUSNAMES_H
#define VL9738K_TOOLS_CLI_STATUSNAMES_H

#include <cstdint>
#include <string>
#include <vector>

namespace vlcli {

// The short name of `code`, or null when the table does not know it.
const char* statusName(int64_t code);
// "<code> <name>": codes of the board family (0xBFFA....) in hex, the
// others in decimal; "unknown status" for codes the table does not hold.
std::string statusText(int64_t code);
// The failure codes statusText() has shown since the last call, each once,
// in the order first shown: the front end explains the ones a code alone
// does not.
std::vector<int64_t> takeShownFailures();

}  // namespace vlcli

#endif
