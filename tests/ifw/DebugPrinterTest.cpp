// The context-tree printer's lines, exactly as they reach the kernel log.
#include <gtest/gtest.h>

#include <string>

#include "driver/ifw/Context.h"
#include "driver/ifw/DebugPrinter.h"
#include "sim/kernel/Console.h"

namespace {

using nVLAPALS100::tStatus;
using vlifw::Context;
using vlifw::ContextInterface;

const std::string kPrefix = "[   vl9738k|" + std::string(20, ' ') + "DebugPrinter|0000] ";

// The messages of the printed lines, each checked for prefix and newline.
std::vector<std::string> printedMessages() {
  std::vector<std::string> messages;
  for (const std::string& line : sim::Console::lines()) {
    EXPECT_EQ(line.substr(0, kPrefix.size()), kPrefix);
    EXPECT_EQ(line.back(), '\n');
    messages.push_back(line.substr(kPrefix.size(), line.size() - kPrefix.size() - 1));
  }
  return messages;
}

TEST(DebugPrinter, PrintsATreeWithTwoSpacesPerLevel) {
  Context root, engine, timer;
  timer.initialize(8, 0x4800, 1680, 3, 4, 2, nullptr, 0);
  engine.initialize(
      8, 0x4000, 2400, 1, 7, 5, new Context* [1] { &timer }, 1);
  root.initialize(
      0, 0, 1, 0, 2, 2, new Context* [1] { &engine }, 1);
  sim::Console::clear();

  vlifw::DebugPrinter printer;
  printer.print(root);
  EXPECT_EQ(printedMessages(), (std::vector<std::string>{"{",
                                                         "  \"UID\": 1,",
                                                         "  \"Instance\": 0,",
                                                         "  \"Version\": 2,",
                                                         "  \"Oldest Compatible Version\": 2,",
                                                         "  \"Children\" : [",
                                                         "    {",
                                                         "      \"UID\": 2400,",
                                                         "      \"Instance\": 1,",
                                                         "      \"Version\": 7,",
                                                         "      \"Oldest Compatible Version\": 5,",
                                                         "      \"Children\" : [",
                                                         "        {",
                                                         "          \"UID\": 1680,",
                                                         "          \"Instance\": 3,",
                                                         "          \"Version\": 4,",
                                                         "          \"Oldest Compatible Version\": 2,",
                                                         "          \"Children\" : [",
                                                         "          ]",
                                                         "        }",
                                                         "      ]",
                                                         "    }",
                                                         "  ]",
                                                         "}"}));

  // A second print starts from no indentation again.
  sim::Console::clear();
  printer.print(timer);
  EXPECT_EQ(printedMessages().front(), "{");
  EXPECT_EQ(printedMessages().back(), "}");
}

// A node that can tell nothing about itself.
class SilentContext : public ContextInterface {
 public:
  vlifw::ReadInstruction contextualizeRead(uint64_t, tStatus&) const override { return {}; }
  vlifw::WriteInstruction contextualizeWrite(uint64_t, uint64_t, tStatus&) const override { return {}; }
  uint64_t getInfo(tStatus& status) const override {
    status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE);
    return 0;
  }
  void getSubsystemAndOffset(uint8_t*, uint64_t*, tStatus&) const override {}
  void checkVersion(uint16_t, uint16_t, bool, bool*, bool*, tStatus&) const override {}
  const ContextInterface* findChild(uint16_t, uint8_t, tStatus&) const override { return nullptr; }
  void getChildrenWithUid(uint16_t, tChildren&, tStatus&) const override {}
  void getChildren(tChildren&, tStatus& status) const override {
    status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE);
  }
};

TEST(DebugPrinter, SaysWhatItCouldNotGet) {
  SilentContext silent;
  sim::Console::clear();
  vlifw::DebugPrinter printer;
  printer.print(silent);
  EXPECT_EQ(printedMessages(), (std::vector<std::string>{"{", "DEBUG PRINT FAILURE: Could not get info for context.",
                                                         "DEBUG PRINT FAILURE: Could not get children from context.",
                                                         "  \"Children\" : [", "  ]", "}"}));
}

}  // namespace
