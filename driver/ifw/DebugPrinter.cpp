#include "DebugPrinter.h"

#include "SourceSites.h"
#include "driver/platform/debug/Vlsdbg.h"

namespace vlifw {
namespace {

constexpr vlsdbg_Location kLocation{sites::kDebugPrinter, 0, "\n"};

}  // namespace

DebugPrinter::DebugPrinter() : level_(0), end_(0) {
  for (char& character : indentation_) character = ' ';
  indentation_[0] = '\0';
}

void DebugPrinter::print(const ContextInterface& root) {
  moveTo(0);
  printTree(root);
}

void DebugPrinter::printTree(const ContextInterface& context) {
  printLine("%s{");
  indent();
  nVLAPALS100::tStatus status;
  const uint64_t info = context.getInfo(status);
  if (status.isFatal()) {
    printLine("DEBUG PRINT FAILURE: Could not get info for context.");
  } else {
    printLine("%s\"UID\": %d,", info & 0xFFFF);
    printLine("%s\"Instance\": %d,", (info >> 16) & 0xFF);
    printLine("%s\"Version\": %d,", (info >> 32) & 0xFFFF);
    printLine("%s\"Oldest Compatible Version\": %d,", info >> 48);
  }
  ContextInterface::tChildren children;
  nVLAPALS100::tStatus childStatus;
  context.getChildren(children, childStatus);
  if (childStatus.isFatal()) printLine("DEBUG PRINT FAILURE: Could not get children from context.");
  printLine("%s\"Children\" : [");
  if (!children.empty()) {
    indent();
    for (const ContextInterface* child : children) printTree(*child);
    outdent();
  }
  printLine("%s]");
  outdent();
  printLine("%s}");
}

void DebugPrinter::printLine(const char* format, uint64_t value) {
  vlsdbg_printf(kVlsdbgLevelDebug, &kLocation, format, indentation_, static_cast<int>(value));
}

void DebugPrinter::printLine(const char* format) { vlsdbg_printf(kVlsdbgLevelDebug, &kLocation, format, indentation_); }

void DebugPrinter::indent() { moveTo(level_ + 1); }

void DebugPrinter::outdent() { moveTo(level_ - 1); }

// Two spaces per level, at most 255 characters of them.
void DebugPrinter::moveTo(uint64_t level) {
  indentation_[end_] = ' ';
  level_ = level;
  end_ = 2 * level_ < kIndentationSize - 1 ? 2 * level_ : kIndentationSize - 1;
  indentation_[end_] = '\0';
}

}  // namespace vlifw
