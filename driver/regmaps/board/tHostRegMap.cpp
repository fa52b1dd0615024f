#include "tHostRegMap.h"

#include "driver/regaccess/ChildWindow.h"

namespace nHostRegMap {
namespace {

// Whole-map passes run over the blocks in member order.
constexpr uint16_t kBlockOrder[] = {
    arm::kChildStep | 0, arm::kChildStep | 1, arm::kChildStep | 2,
    arm::kChildStep | 3, arm::kChildStep | 4, arm::kChildStep | 5,
};
constexpr uint16_t kBlockCount = sizeof kBlockOrder / sizeof kBlockOrder[0];

// Each block's extent in the fixed-logic space.
constexpr uint32_t kBlockSize = 0x100;
constexpr uint32_t kRoutingSize = 0x8000;
constexpr uint32_t kPrivateEndpointSize = 0x1000;

}  // namespace

const arm::tMapDescriptor tHostRegMap::kDescriptor = {
    "tHostRegMap",
    {true, arm::tOneBitRule::kNonZero, arm::tContextUse::kIgnored, "", "", "Vl9738Ov3Fpga_HostRegMap",
     arm::tFieldIdRule::kSelectsRegister},
    nullptr,
    0,
    nullptr,
    0,
    nullptr,
    0,
    arm::kNoItems,
    2,
    arm::kNoSeeds,
    0,
    63,
    kBlockOrder,
    kBlockCount,
    kBlockOrder,
    kBlockCount,
    kBlockCount,
};

tHostRegMap::tHostRegMap(vllym::kernel::IIoAccessor* accessor, uint32_t base, uint32_t windowStart, uint32_t windowSize)
    : arm::tRegisterMapEngine(kDescriptor, nullptr, &bus_, base, windowStart, windowSize, children_),
      BoardControl(accessor, arm::childWindow(base, windowStart, windowSize, kBoardControlBase, kBlockSize).base,
                   arm::childWindow(base, windowStart, windowSize, kBoardControlBase, kBlockSize).windowStart,
                   arm::childWindow(base, windowStart, windowSize, kBoardControlBase, kBlockSize).windowSize),
      RefCpldConfig(accessor, arm::childWindow(base, windowStart, windowSize, kRefCpldConfigBase, kBlockSize).base,
                    arm::childWindow(base, windowStart, windowSize, kRefCpldConfigBase, kBlockSize).windowStart,
                    arm::childWindow(base, windowStart, windowSize, kRefCpldConfigBase, kBlockSize).windowSize),
      Lo0CpldConfig(accessor, arm::childWindow(base, windowStart, windowSize, kLo0CpldConfigBase, kBlockSize).base,
                    arm::childWindow(base, windowStart, windowSize, kLo0CpldConfigBase, kBlockSize).windowStart,
                    arm::childWindow(base, windowStart, windowSize, kLo0CpldConfigBase, kBlockSize).windowSize),
      Lo1CpldConfig(accessor, arm::childWindow(base, windowStart, windowSize, kLo1CpldConfigBase, kBlockSize).base,
                    arm::childWindow(base, windowStart, windowSize, kLo1CpldConfigBase, kBlockSize).windowStart,
                    arm::childWindow(base, windowStart, windowSize, kLo1CpldConfigBase, kBlockSize).windowSize),
      RoutingRegs(accessor, arm::childWindow(base, windowStart, windowSize, kRoutingRegsBase, kRoutingSize).base,
                  arm::childWindow(base, windowStart, windowSize, kRoutingRegsBase, kRoutingSize).windowStart,
                  arm::childWindow(base, windowStart, windowSize, kRoutingRegsBase, kRoutingSize).windowSize),
      PrivateEndpoint(
          accessor, arm::childWindow(base, windowStart, windowSize, kPrivateEndpointBase, kPrivateEndpointSize).base,
          arm::childWindow(base, windowStart, windowSize, kPrivateEndpointBase, kPrivateEndpointSize).windowStart,
          arm::childWindow(base, windowStart, windowSize, kPrivateEndpointBase, kPrivateEndpointSize).windowSize),
      RefCpld{nullptr, nullptr, 0, 0},
      Lo0Cpld{nullptr, nullptr, 0, 0},
      Lo1Cpld{nullptr, nullptr, 0, 0},
      bus_(accessor),
      children_{&BoardControl, &RefCpldConfig, &Lo0CpldConfig, &Lo1CpldConfig, &RoutingRegs, &PrivateEndpoint} {}

tHostRegMap::~tHostRegMap() {
  delete[] RefCpld.buffer;
  delete[] Lo0Cpld.buffer;
  delete[] Lo1Cpld.buffer;
}

void tHostRegMap::registerMaps(vlregitools::WrapperDispatcher<arm::tRegisterMapInterface>& dispatcher,
                               tStatus& status) {
  struct tNamed {
    const char* name;
    arm::tRegisterMapInterface* map;
  };
  const tNamed maps[kRegistrationCount] = {
      {"HostRegMap", this},
      {"BoardControl", &BoardControl},
      {"RefCpldConfig", &RefCpldConfig},
      {"RefRegPortInterfaceRegMap", &RefCpldConfig.RegPortInterfaceRegMap},
      {"RefEndpointRegMap", &RefCpldConfig.EndpointRegMap},
      {"Lo0CpldConfig", &Lo0CpldConfig},
      {"Lo0RegPortInterfaceRegMap", &Lo0CpldConfig.RegPortInterfaceRegMap},
      {"Lo0EndpointRegMap", &Lo0CpldConfig.EndpointRegMap},
      {"Lo1CpldConfig", &Lo1CpldConfig},
      {"Lo1RegPortInterfaceRegMap", &Lo1CpldConfig.RegPortInterfaceRegMap},
      {"Lo1EndpointRegMap", &Lo1CpldConfig.EndpointRegMap},
      {"RoutingRegs", &RoutingRegs},
      {"PrivateEndpoint", &PrivateEndpoint},
      {"JtagInterfaceRegMap", &PrivateEndpoint.JtagInterfaceRegMap},
      {"PrivateRegMap", &PrivateEndpoint.PrivateRegMap},
      {"CoreBrdRegMap", &PrivateEndpoint.CoreBrdRegMap},
  };
  for (const tNamed& entry : maps) dispatcher.add(entry.name, *entry.map, status);
}

}  // namespace nHostRegMap
