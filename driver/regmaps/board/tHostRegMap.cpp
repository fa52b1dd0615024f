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

constexpr arm::tChildWindow block(uint32_t offset, uint32_t size) {
  return arm::childWindow(0, 0, tHostRegMap::kWindowSize, offset, size);
}

constexpr arm::tChildWindow kBoardControl = block(tHostRegMap::kBoardControlBase, kBlockSize);
constexpr arm::tChildWindow kRefCpldConfig = block(tHostRegMap::kRefCpldConfigBase, kBlockSize);
constexpr arm::tChildWindow kLo0CpldConfig = block(tHostRegMap::kLo0CpldConfigBase, kBlockSize);
constexpr arm::tChildWindow kLo1CpldConfig = block(tHostRegMap::kLo1CpldConfigBase, kBlockSize);
constexpr arm::tChildWindow kRoutingRegs = block(tHostRegMap::kRoutingRegsBase, kRoutingSize);
constexpr arm::tChildWindow kPrivateEndpoint = block(tHostRegMap::kPrivateEndpointBase, kPrivateEndpointSize);

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

tHostRegMap::tHostRegMap(vllym::kernel::IIoAccessor* accessor)
    : arm::tRegisterMapEngine(kDescriptor, nullptr, &bus_, 0, 0, kWindowSize, children_),
      BoardControl(accessor, kBoardControl.base, kBoardControl.windowStart, kBoardControl.windowSize),
      RefCpldConfig(accessor, kRefCpldConfig.base, kRefCpldConfig.windowStart, kRefCpldConfig.windowSize),
      Lo0CpldConfig(accessor, kLo0CpldConfig.base, kLo0CpldConfig.windowStart, kLo0CpldConfig.windowSize),
      Lo1CpldConfig(accessor, kLo1CpldConfig.base, kLo1CpldConfig.windowStart, kLo1CpldConfig.windowSize),
      RoutingRegs(accessor, kRoutingRegs.base, kRoutingRegs.windowStart, kRoutingRegs.windowSize),
      PrivateEndpoint(accessor, kPrivateEndpoint.base, kPrivateEndpoint.windowStart, kPrivateEndpoint.windowSize),
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
