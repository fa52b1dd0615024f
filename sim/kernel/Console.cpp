#include "Console.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "../../driver/platform/zuk/ZukPrint.h"
#include "FaultSite.h"

namespace sim {
namespace {

std::mutex gConsoleMutex;
std::vector<std::string> gLines;
bool gEcho = std::getenv("VL9738K_SIM_ECHO") != nullptr;

}  // namespace

std::vector<std::string> Console::lines() {
  std::lock_guard<std::mutex> guard(gConsoleMutex);
  return gLines;
}

size_t Console::lineCount() {
  std::lock_guard<std::mutex> guard(gConsoleMutex);
  return gLines.size();
}

std::string Console::text() {
  std::lock_guard<std::mutex> guard(gConsoleMutex);
  std::string all;
  for (const std::string& line : gLines) all += line;
  return all;
}

bool Console::contains(const std::string& fragment) { return text().find(fragment) != std::string::npos; }

void Console::clear() {
  std::lock_guard<std::mutex> guard(gConsoleMutex);
  gLines.clear();
}

void Console::setEcho(bool echo) {
  std::lock_guard<std::mutex> guard(gConsoleMutex);
  gEcho = echo;
}

void Console::reset() { clear(); }

}  // namespace sim

extern "C" {

void nVLZUK100_printToDebugger(const char* text) {
  sim::SimScope scope;
  std::lock_guard<std::mutex> guard(sim::gConsoleMutex);
  sim::gLines.emplace_back(text != nullptr ? text : "");
  if (sim::gEcho) std::fputs(sim::gLines.back().c_str(), stderr);
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
