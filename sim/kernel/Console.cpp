#include "Console.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "../../driver/platform/zuk/ZukPrint.h"
#include "FaultSite.h"
#include "RecentLog.h"

namespace sim {
namespace {

std::mutex gConsoleMutex;
bool gEcho = std::getenv("VL9738K_SIM_ECHO") != nullptr;

// Both constructed on first use: followers sign on while the library loads.
RecentLog<std::string>& kept() {
  static RecentLog<std::string> lines(Console::kKeptLines);
  return lines;
}
std::vector<Console::Follower*>& followers() {
  static std::vector<Console::Follower*> all;
  return all;
}

}  // namespace

std::vector<std::string> Console::lines() {
  std::lock_guard<std::mutex> guard(gConsoleMutex);
  return kept().kept();
}

size_t Console::lineCount() {
  std::lock_guard<std::mutex> guard(gConsoleMutex);
  return kept().count();
}

std::string Console::text() {
  std::lock_guard<std::mutex> guard(gConsoleMutex);
  std::string all;
  for (const std::string& line : kept()) all += line;
  return all;
}

bool Console::contains(const std::string& fragment) { return text().find(fragment) != std::string::npos; }

void Console::clear() {
  std::lock_guard<std::mutex> guard(gConsoleMutex);
  kept().clear();
  for (Follower* follower : followers()) follower->cleared();
}

void Console::setEcho(bool echo) {
  std::lock_guard<std::mutex> guard(gConsoleMutex);
  gEcho = echo;
}

void Console::reset() { clear(); }

void Console::follow(Follower& follower) {
  std::lock_guard<std::mutex> guard(gConsoleMutex);
  followers().push_back(&follower);
}

}  // namespace sim

extern "C" {

void nVLZUK100_printToDebugger(const char* text) {
  sim::SimScope scope;
  std::lock_guard<std::mutex> guard(sim::gConsoleMutex);
  const size_t position = sim::kept().count();
  sim::kept().push(text != nullptr ? text : "");
  for (sim::Console::Follower* follower : sim::followers()) follower->printed(position, sim::kept().back());
  if (sim::gEcho) std::fputs(sim::kept().back().c_str(), stderr);
}

int32_t nVLZUK100_vsnPrintf(char* buffer, uint64_t size, const char* format, va_list arguments) {
  return std::vsnprintf(buffer, size, format, arguments);
}

int32_t nVLZUK100_vsprintf(char* buffer, const char* format, va_list arguments) {
  return std::vsprintf(buffer, format, arguments);
}

// A halt stops the machine; here it stops the process, after saying where.
void nVLZUK250_halt(const char* component, const char* file, uint64_t line, const char* message) {
  std::fprintf(stderr, "HALT [%s|%s|%llu] %s\n", component != nullptr ? component : "", file != nullptr ? file : "",
               static_cast<unsigned long long>(line), message != nullptr ? message : "");
  std::fflush(stderr);
  std::abort();
}

}  // extern "C"
