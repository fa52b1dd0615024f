// Arbitrary requests against the main interface of one simulated board
// brought up by the driver: the published codes (and any other), block
// sizes, block contents and user addresses that are valid, unmapped, null
// or overlapping. Any crash, leak or sanitizer report is a finding. The
// input layout is FuzzHarness.h's, the known codes the 100 published ones.
#include "FuzzHarness.h"
#include "tests/module/PublishedRequests.h"

namespace {

constexpr uint32_t kResetDevice = 0x0020420C;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static vlfuzz::Harness harness("vl9738_vl9738k");
  vlfuzz::Input input;
  if (!vlfuzz::decode(data, size, vltest::kPublishedRequests, input)) return 0;
  harness.send(input);
  // A reset leaves this session stale; later inputs get a fresh one.
  if (input.code == kResetDevice) harness.reopen();
  return 0;
}
