// The register port's accessor: one 32-bit bus access per call at the
// window's base plus the offset, none once the status holds an error.
#include "RegisterPortFixture.h"

namespace {

using namespace vltest;

using PCIRegisterAccessorOnBoard = RegisterPortOnBoard;

TEST_F(PCIRegisterAccessorOnBoard, AFailedStatusStopsEveryAccess) {
  status.setCode(nVLAPALS100::kStatusTimeout, VL_SITE);
  accessor.write32(Port::kScratch, 1, status);
  EXPECT_EQ(accessor.read32(Port::kSignature, status), 0u);
  EXPECT_TRUE(portTraffic().empty());
  EXPECT_EQ(model.scratch(), 0u);
}

}  // namespace
