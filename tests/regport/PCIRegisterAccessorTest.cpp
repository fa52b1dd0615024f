// The register port's accessor: one 32-bit bus access per call at the
// window's base plus the offset, none once the status holds an error.
#include "RegisterPortFixture.h"

namespace {

using namespace vltest;

using PCIRegisterAccessorOnBoard = RegisterPortOnBoard;

TEST_F(PCIRegisterAccessorOnBoard, EachCallIsOneBusAccessAtBasePlusOffset) {
  accessor.write32(Port::kScratch, 0xCAFEF00D, status);
  EXPECT_EQ(accessor.read32(Port::kScratch, status), 0xCAFEF00Du);
  EXPECT_EQ(accessor.read32(Port::kSignature, status), Port::kDefaultSignature);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(model.scratch(), 0xCAFEF00Du);
  EXPECT_EQ(portTraffic(), (std::vector<BusAccess>{written(Port::kScratch, 0xCAFEF00D),
                                                   {BusAccess::Kind::Read, Port::kScratch, 4, 0xCAFEF00D},
                                                   {BusAccess::Kind::Read, Port::kSignature, 4, 0x78759}}));
  EXPECT_EQ(accessor.getWindowSize(), Port::kSize);
}

TEST_F(PCIRegisterAccessorOnBoard, AFailedStatusStopsEveryAccess) {
  status.setCode(nVLAPALS100::kStatusTimeout, VL_SITE);
  accessor.write32(Port::kScratch, 1, status);
  EXPECT_EQ(accessor.read32(Port::kSignature, status), 0u);
  EXPECT_TRUE(portTraffic().empty());
  EXPECT_EQ(model.scratch(), 0u);
}

}  // namespace
