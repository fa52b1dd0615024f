#include "WholeNumber.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace vlcli {

std::optional<uint64_t> wholeNumber(const std::string& text, int base, uint64_t lowest, uint64_t highest) {
  // strtoull would skip leading spaces and take a sign; the first
  // character must already be a digit.
  const unsigned char first = text.empty() ? 0 : static_cast<unsigned char>(text[0]);
  if (!(base == 16 ? std::isxdigit(first) : std::isdigit(first))) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const unsigned long long value = std::strtoull(text.c_str(), &end, base);
  if (errno != 0 || end != text.c_str() + text.size() || value < lowest || value > highest) return std::nullopt;
  return value;
}

}  // namespace vlcli
