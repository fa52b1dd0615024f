// Numbers on the tools' command lines: the whole text is the number, or it
// is refused. A sign, a space, a character after the digits, or a value
// past the range would otherwise be read as some other number
// (strtoull takes "-1" for its largest value and stops quietly at "12zz").
#ifndef VL9738K_TOOLS_CLI_WHOLENUMBER_H
#define VL9738K_TOOLS_CLI_WHOLENUMBER_H

#include <cstdint>
#include <optional>
#include <string>

namespace vlcli {

// `base` as strtoull takes it: 10, 16 (an optional 0x), or 0 (C's rules:
// 0x for hexadecimal, a leading 0 for octal). The value must lie in
// [lowest, highest]; nothing when the text is not such a number.
std::optional<uint64_t> wholeNumber(const std::string& text, int base, uint64_t lowest = 0,
                                    uint64_t highest = UINT64_MAX);

}  // namespace vlcli

#endif
