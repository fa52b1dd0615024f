// The policies that decide whether a session's personality reuses the
// running design or needs a download, and whether a download may happen:
// over the board object on the model, with the design's signature register
// answering from the FPGA window.
#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <tuple>

#include "driver/board/LymSupport.h"
#include "driver/fpga/DownloadKmr4.h"
#include "driver/fpga/session/OpenFpgaSessionPolicyCommon.h"
#include "driver/fpga/session/SessionStatusCodes.h"
#include "tests/platform/pci/PciTestDevice.h"
#include "tests/regaccess/RegisterMapFixture.h"

namespace vltest {
namespace {

using nVL9738K_24_0::BoardOstervaneBase;
using vllym::FpgaDownloadReason;
using vllym::OpenFpgaSessionPolicyCommon;

struct PolicyDevice {
  nVLAPAL000::tPCIDevice& pci;
  void* mapBAR(uint8_t bar, tStatus& status) { return pci.mapBAR(bar, status); }
  void unmapBAR(void* address) { pci.unmapBAR(address); }
  uint64_t getBARLength(uint8_t bar) const { return pci.getBARLength(bar); }
  const nVLAPAL000::tPCIInformation& getPCIInformation() const { return pci.getPCIInformation(); }
  void prepareForFpgaDownload(tStatus&) {}
  void completeInitialization(tStatus&) {}
};

// A design's signature register: each read shifts out the next word.
struct SignatureSource : sim::RegisterBlock {
  std::deque<uint32_t> words;
  uint32_t read(uint64_t, unsigned) override {
    if (words.empty()) return 0;
    const uint32_t word = words.front();
    words.pop_front();
    return word;
  }
  void write(uint64_t, unsigned, uint32_t) override {}
};

constexpr uint32_t kSignatureOffset = 0x40;
const std::vector<uint32_t> kExpected{0xA1, 0xB2, 0xC3, 0xD4};
const std::vector<uint32_t> kWildcard{0xDEADBEEF, 0x5555AAAA, 0x01234567, 0xDEADBEEF};

vllym::Signature signatureOf(const std::vector<uint32_t>& words) {
  vllym::Signature signature;
  signature.insert_(signature.end(), words.data(), words.data() + words.size());
  return signature;
}

class FpgaSessionPolicies : public testing::Test {
 protected:
  FpgaSessionPolicies() {
    pci.board().bar0().attach(BoardOstervaneBase::kFpgaOffset + kSignatureOffset, 4, design);
    signature.setOffset(kSignatureOffset);
  }

  void programmed(bool running) {
    pci.board().bridge().configPort().setReadable(vllym::DownloadKmr4::kActivePort - 0x400, 4, 5u << 8);
    pci.board().bridge().fpgaLoader().setProgrammed(running);
  }
  struct Opened {
    bool proceed;
    bool needsDownload;
    int64_t code;
  };
  Opened openWith(uint32_t attributes, const std::vector<uint32_t>& expected = kExpected) {
    tStatus status{tStatus::kFullSize};
    bool needsDownload = true;
    const bool proceed = open.openSession(attributes, signatureOf(expected), needsDownload, status);
    return Opened{proceed, needsDownload, status.getCode()};
  }
  size_t signatureReads() {
    size_t reads = 0;
    for (const BusAccess& access : pci.board().bar0().traffic()) {
      if (access.kind == BusAccess::Kind::Read && access.offset == BoardOstervaneBase::kFpgaOffset + kSignatureOffset &&
          access.width == 4) {
        ++reads;
      }
    }
    return reads;
  }

  SignatureSource design;
  PciTestBoard pci;
  PolicyDevice device{pci.device()};
  tStatus buildStatus{tStatus::kFullSize};
  nVL9738K_24_0::LymSupport<PolicyDevice> board{device, buildStatus};
  uint32_t personalities = 0;
  int32_t refusalCode = static_cast<int32_t>(vllym::kStatusDownloadRefused);
  vllym::FpgaDownloadPolicySingleFpgaSession download{&personalities, &refusalCode};
  vllym::SignatureRegisterCommon signature{board.getFpgaIoAccessor()};
  OpenFpgaSessionPolicyCommon open{&download, &signature, &board};
};

// {reason, personalities configured, allowed}
class DownloadAllowed : public FpgaSessionPolicies,
                        public testing::WithParamInterface<std::tuple<uint32_t, uint32_t, bool>> {};

TEST_P(DownloadAllowed, DependsOnTheReasonAndHowManySessionsHoldAPersonality) {
  const auto [reason, count, allowed] = GetParam();
  personalities = count;
  tStatus status;
  EXPECT_EQ(download.isDownloadAllowed(static_cast<FpgaDownloadReason>(reason), status), allowed);
  EXPECT_EQ(status.getCode(), allowed ? 0 : vllym::kStatusDownloadRefused);
}

INSTANTIATE_TEST_SUITE_P(Reasons, DownloadAllowed,
                         testing::Values(std::make_tuple(0u, 0u, true), std::make_tuple(0u, 1u, false),
                                         std::make_tuple(1u, 0u, true), std::make_tuple(1u, 1u, true),
                                         std::make_tuple(1u, 2u, false), std::make_tuple(2u, 0u, false)));

// The refusal code is the device's attribute 84 or a personality's: set to
// success or a warning it must not turn a refusal into a go-ahead.
class RefusalCodeOfNoError : public FpgaSessionPolicies, public testing::WithParamInterface<int32_t> {};

TEST_P(RefusalCodeOfNoError, ARefusedDownloadAndARefusedOpenStillFail) {
  refusalCode = GetParam();
  personalities = 2;
  tStatus status;
  EXPECT_FALSE(download.isDownloadAllowed(vllym::kDownloadRequested, status));
  EXPECT_EQ(status.getCode(), vllym::kStatusDownloadRefused);

  programmed(false);
  const Opened opened = openWith(0);
  EXPECT_FALSE(opened.proceed);
  EXPECT_FALSE(opened.needsDownload);
  EXPECT_EQ(opened.code, vllym::kStatusDownloadRefused);
}

INSTANTIATE_TEST_SUITE_P(Codes, RefusalCodeOfNoError, testing::Values(0, 5));

TEST_F(FpgaSessionPolicies, APersonalitysOwnRefusalErrorIsTheOneReported) {
  refusalCode = -61000;
  personalities = 1;
  programmed(false);
  EXPECT_EQ(openWith(0).code, -61000);
}

TEST_F(FpgaSessionPolicies, WithOnePersonalityAnExplicitDownloadIsAllowedAndAnotherSessionsOpenRefused) {
  personalities = 1;
  tStatus status;
  EXPECT_TRUE(download.isDownloadAllowed(vllym::kDownloadRequested, status));
  programmed(false);
  const Opened opened = openWith(0);
  EXPECT_FALSE(opened.proceed);
  EXPECT_EQ(opened.code, vllym::kStatusDownloadRefused);
}

TEST_F(FpgaSessionPolicies, AnUnprogrammedFpgaNeedsADownloadWithoutReadingTheSignature) {
  programmed(false);
  const Opened opened = openWith(OpenFpgaSessionPolicyCommon::kReuseRunningDesign);
  EXPECT_TRUE(opened.proceed);
  EXPECT_TRUE(opened.needsDownload);
  EXPECT_EQ(opened.code, 0);
  EXPECT_EQ(signatureReads(), 0u);
}

TEST_F(FpgaSessionPolicies, ReuseIsAskedForOrForbiddenByTheAttributesWhateverTheSignature) {
  programmed(true);
  design.words.assign(kExpected.begin(), kExpected.end());
  const Opened reused =
      openWith(OpenFpgaSessionPolicyCommon::kReuseRunningDesign | OpenFpgaSessionPolicyCommon::kForceDownload);
  EXPECT_TRUE(reused.proceed);
  EXPECT_FALSE(reused.needsDownload);
  const Opened forced = openWith(OpenFpgaSessionPolicyCommon::kForceDownload);
  EXPECT_TRUE(forced.proceed);
  EXPECT_TRUE(forced.needsDownload);
  EXPECT_EQ(signatureReads(), 0u);
}

TEST_F(FpgaSessionPolicies, TheSignatureIsFourReadsOfOneRegisterAndAMatchReusesTheDesign) {
  programmed(true);
  design.words.assign(kExpected.begin(), kExpected.end());
  const Opened opened = openWith(0);
  EXPECT_TRUE(opened.proceed);
  EXPECT_FALSE(opened.needsDownload);
  EXPECT_EQ(signatureReads(), 4u);
}

TEST_F(FpgaSessionPolicies, ADifferentSignatureNeedsADownload) {
  programmed(true);
  design.words = {0xA1, 0xB2, 0xC3, 0xD5};
  const Opened opened = openWith(0);
  EXPECT_TRUE(opened.proceed);
  EXPECT_TRUE(opened.needsDownload);
}

class WildcardDesign : public FpgaSessionPolicies, public testing::WithParamInterface<std::vector<uint32_t>> {};

TEST_P(WildcardDesign, IsReusedForAnyPersonality) {
  programmed(true);
  design.words.assign(kWildcard.begin(), kWildcard.end());
  const Opened opened = openWith(0, GetParam());
  EXPECT_TRUE(opened.proceed);
  EXPECT_FALSE(opened.needsDownload);
}

INSTANTIATE_TEST_SUITE_P(Expected, WildcardDesign,
                         testing::Values(kExpected, std::vector<uint32_t>{0, 0, 0, 0}, std::vector<uint32_t>{}));

TEST_F(FpgaSessionPolicies, ASignatureRegisterOutsideTheFpgaWindowFailsTheOpen) {
  programmed(true);
  signature.setOffset(BoardOstervaneBase::kFpgaSize - 2);
  const Opened opened = openWith(0);
  EXPECT_FALSE(opened.proceed);
  EXPECT_FALSE(opened.needsDownload);
  EXPECT_EQ(opened.code, nVLAPALS100::kStatusInvalidParameter);
}

}  // namespace
}  // namespace vltest
