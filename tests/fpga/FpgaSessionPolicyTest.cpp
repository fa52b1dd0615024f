// Whether a personality reuses the running design or needs a download, and
// whether the download may happen: over the board object on the model,
// with the design's signature register answering in the FPGA window.
#include <gtest/gtest.h>

#include <deque>

#include "driver/board/LymSupport.h"
#include "driver/fpga/session/OpenFpgaSessionPolicyCommon.h"
#include "driver/fpga/session/SessionStatusCodes.h"
#include "tests/platform/pci/PciTestDevice.h"
#include "tests/regaccess/RegisterMapFixture.h"

namespace vltest {
namespace {

using nVL9738K_24_0::BoardOstervaneBase;
using Policy = vllym::OpenFpgaSessionPolicyCommon;
using Words = std::vector<uint32_t>;

// The design shifts its signature out of one register, a word per read.
struct SignatureSource : sim::RegisterBlock {
  std::deque<uint32_t> words;
  int reads = 0;
  uint32_t read(uint64_t, unsigned) override {
    ++reads;
    const uint32_t word = words.empty() ? 0 : words.front();
    if (!words.empty()) words.pop_front();
    return word;
  }
  void write(uint64_t, unsigned, uint32_t) override {}
};

constexpr uint32_t kSignatureOffset = 0x40;
const Words kExpected{0xA1, 0xB2, 0xC3, 0xD4};
const Words kWildcard{0xDEADBEEF, 0x5555AAAA, 0x01234567, 0xDEADBEEF};

struct Opened {
  bool proceed;
  bool needsDownload;
  int64_t code;
  bool operator==(const Opened&) const = default;
};

class FpgaSessionPolicies : public testing::Test {
 protected:
  FpgaSessionPolicies() {
    pci.board().bar0().attach(BoardOstervaneBase::kFpgaOffset + kSignatureOffset, 4, design);
    pci.board().bridge().configPort().setReadable(0x110, 4, 5u << 8);  // the programmed bit is monitor bit 5
    signature.setOffset(kSignatureOffset);
  }
  Opened open(bool programmed, uint32_t attributes, const Words& running, const Words& expected = kExpected) {
    pci.board().bridge().fpgaLoader().setProgrammed(programmed);
    design.words.assign(running.begin(), running.end());
    vllym::Signature wanted;
    wanted.insert_(wanted.end(), expected.data(), expected.data() + expected.size());
    tStatus status;
    bool needsDownload = true;
    const bool proceed = policy.openSession(attributes, wanted, needsDownload, status);
    return Opened{proceed, needsDownload, status.getCode()};
  }

  SignatureSource design;
  PciTestBoard pci;
  LymTestDevice device{pci.device()};
  tStatus built;
  nVL9738K_24_0::LymSupport<LymTestDevice> board{device, built};
  uint32_t personalities = 0;
  int32_t refusalCode = static_cast<int32_t>(vllym::kStatusDownloadRefused);
  vllym::FpgaDownloadPolicySingleFpgaSession download{&personalities, &refusalCode};
  vllym::SignatureRegisterCommon signature{board.getFpgaIoAccessor()};
  Policy policy{&download, &signature, &board.getDownload()};
};

TEST_F(FpgaSessionPolicies, DownloadsDependOnTheReasonAndHowManySessionsHoldAPersonality) {
  // {reason, personalities, allowed}
  for (auto [reason, count, allowed] :
       {std::tuple{0u, 0u, true}, {0u, 1u, false}, {1u, 1u, true}, {1u, 2u, false}, {2u, 0u, false}}) {
    personalities = count;
    tStatus status;
    EXPECT_EQ(download.isDownloadAllowed(static_cast<vllym::FpgaDownloadReason>(reason), status), allowed);
    EXPECT_EQ(status.getCode(), allowed ? 0 : vllym::kStatusDownloadRefused) << reason << " " << count;
  }
}

TEST_F(FpgaSessionPolicies, TheRunningDesignIsReusedByAttributeOrMatchingSignature) {
  EXPECT_EQ(open(false, Policy::kReuseRunningDesign, kExpected), (Opened{true, true, 0}));
  EXPECT_EQ(open(true, Policy::kReuseRunningDesign | Policy::kForceDownload, {}), (Opened{true, false, 0}));
  EXPECT_EQ(open(true, Policy::kForceDownload, kExpected), (Opened{true, true, 0}));
  EXPECT_EQ(design.reads, 0);
  EXPECT_EQ(open(true, 0, kExpected), (Opened{true, false, 0}));
  EXPECT_EQ(design.reads, 4);
  EXPECT_EQ(open(true, 0, {0xA1, 0xB2, 0xC3, 0xD5}), (Opened{true, true, 0}));
  for (const Words& expected : {kExpected, Words{0, 0, 0, 0}, Words{}}) {
    EXPECT_EQ(open(true, 0, kWildcard, expected), (Opened{true, false, 0}));
  }
}

// With one personality held, only an open that needs no download goes on;
// a signature register outside the FPGA window fails any open.
TEST_F(FpgaSessionPolicies, AnotherSessionsOpenGoesOnOnlyWithoutADownloadAndAReadableSignature) {
  personalities = 1;
  EXPECT_EQ(open(true, 0, {1, 2, 3, 4}), (Opened{false, false, vllym::kStatusDownloadRefused}));
  EXPECT_EQ(open(true, 0, kExpected), (Opened{true, false, 0}));
  signature.setOffset(BoardOstervaneBase::kFpgaSize - 2);
  EXPECT_EQ(open(true, 0, kExpected), (Opened{false, false, nVLAPALS100::kStatusInvalidParameter}));
}

}  // namespace
}  // namespace vltest
