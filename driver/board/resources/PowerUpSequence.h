// Powering the reference and LO cards up once the FPGA is configured: the
// card power and supply enables in their fixed order and waits, the link
// to each CPLD, the LO rails' power-good poll, the thermal strobe and the
// LED release, then the check that the LO0 and Ref CPLDs work with this
// driver. Every step runs only while the status is clean.
#ifndef VL9738K_BOARD_RESOURCES_POWERUPSEQUENCE_H
#define VL9738K_BOARD_RESOURCES_POWERUPSEQUENCE_H

#include <stdint.h>

#include "CompositeMaps.h"
#include "driver/regmaps/board/tHostRegMap.h"

namespace nVL9738K_24_0 {

class RfResources;

class PowerUpSequence {
 public:
  using tStatus = nVLAPALS100::tStatus;

  static constexpr uint32_t kRefPowerSettleMs = 260;
  static constexpr uint32_t kRefSupplySettleMs = 200;
  static constexpr uint32_t kLinkSetupMs = 1;
  // Every LO rail and both LO supplies report good.
  static constexpr uint32_t kLoPowerGood = 0x8888888;
  static constexpr uint64_t kLoPowerTimeoutUs = 2000000;
  static constexpr uint64_t kLoPowerMaxIntervalUs = 100000;
  static constexpr uint64_t kLoPowerFirstIntervalUs = 1000;
  static constexpr uint32_t kLinkUp = 1u << 8;
  static constexpr uint64_t kLinkTimeoutUs = 1000;
  static constexpr uint64_t kLinkMaxIntervalUs = 100;
  static constexpr uint64_t kLinkFirstIntervalUs = 10;
  // Driver versions each checked CPLD works with.
  static constexpr uint32_t kLo0Supported[2] = {0x18060812, 0x19050613};
  static constexpr uint32_t kRefSupported[2] = {0x18072613, 0x21120915};

  // Without `rf` the chips behind the CPLDs keep what they hold.
  PowerUpSequence(nHostRegMap::tHostRegMap& host, CompositeMaps& composites, RfResources* rf = nullptr)
      : host_(host), composites_(composites), rf_(rf) {}

  void run(tStatus& status);

 private:
  void powerReferenceCard(tStatus& status);
  void powerLoCards(tStatus& status);
  void applyLoDefaults(tStatus& status);
  void bringUpLink(nEndpointRegMap::tEndpointRegMap& endpoint, CompositeMaps::Cpld cpld, tStatus& status);
  void checkCpldVersions(tStatus& status);
  void checkCpldVersion(CompositeMaps::Cpld cpld, const uint32_t (&supported)[2], tStatus& status);

  nHostRegMap::tHostRegMap& host_;
  CompositeMaps& composites_;
  RfResources* rf_;
};

}  // namespace nVL9738K_24_0

#endif
