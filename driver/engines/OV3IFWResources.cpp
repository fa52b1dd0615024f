#include "OV3IFWResources.h"

#include "driver/ifw/IfwStatusCodes.h"
#include "driver/platform/memory/Memory.h"
#include "driver/platform/status/StatusCodes.h"
#include "driver/platform/status/StatusSite.h"

namespace ov3ifw {

namespace {

using nVLAPAL000::kAllocationKindPlain;
namespace st = nVLAPALS100;

constexpr const char kSource[] = "OV3IFWResources";
// Every register of a map built here lies in its window.
constexpr uint32_t kWholeWindow = 0xFFFFFFFF;
// The engine's settling timers at words 32 and 96 of its timer block share
// the PLL counter at word 48.
constexpr uint32_t kSettlingTimerWords[2] = {32, 96};

// Edge-triggered on a rising edge, with the shortest import pulse the
// engines accept.
constexpr trigki::TriggerConfiguration kDefaultTrigger{2, 1, 0, 3, 0};
// 20.0 in the engines' unsigned 32-bit format with 16 integer bits.
constexpr uint64_t kDefaultPulseWidthRaw = 0x140000;

}  // namespace

OV3IFWResources::OV3IFWResources(vlifw::InstructionTarget* target, RegisterPoller::PollerStore* pollerStore,
                                 vlifw::InstructionTarget* listModeTarget)
    : target_(target) {
  if (target_ == nullptr) {
    failConstruction();
    return;
  }
  subsystemMap_ = new (constructionStatus_, kAllocationKindPlain) vlifw::SubsystemMap(target_, constructionStatus_);
  if (subsystemMap_ == nullptr || constructionStatus_.isFatal()) {
    failConstruction();
    return;
  }
  root_ = subsystemMap_->getSubsystem(0, constructionStatus_);
  if (root_ == nullptr || constructionStatus_.isFatal()) {
    failConstruction();
    return;
  }
  readEngineSubsystems();
  createRoutingResources();
  createAcquisitionRegisters();
  createGenerationRegisters();
  createTimerRegisters(kAcquisitionEngineUid, acquisitionTimer_, pollerStore);
  createTimerRegisters(kGenerationEngineUid, generationTimer_, pollerStore);
  tStatus local;
  listModeResources_ = new (local, kAllocationKindPlain)
      listmodek::ListModeResources(listModeTarget != nullptr ? listModeTarget : target_, root_);
}

// The reverse of the order of building.
OV3IFWResources::~OV3IFWResources() {
  destroy(generationTimer_);
  destroy(acquisitionTimer_);
  delete acquisitionTriggerControl_;
  delete acquisitionRegisters_;
  delete acquisitionTarget_;
  delete generationTriggerControl_;
  delete generationRegisters_;
  delete generationTarget_;
  delete listModeResources_;
  delete routingResources_;
  delete subsystemMap_;
}

void OV3IFWResources::destroy(TimerGroup& group) {
  delete group.control1;
  delete group.control0;
  delete group.registers;
  delete group.target;
}

// The timer groups stay clean: without an engine tree their getters give
// null, not an error.
void OV3IFWResources::failConstruction() {
  for (tStatus* status : {&constructionStatus_, &acquisitionStatus_, &generationStatus_}) {
    status->setCode(kNotBuilt, VL_SITE_AT(kSource, __LINE__));
  }
}

const vlifw::ContextInterface* OV3IFWResources::resolve(const uint16_t* uids, uint32_t count, tStatus& status) const {
  const vlifw::ContextInterface* node = root_;
  for (uint32_t i = 0; i < count && node != nullptr; ++i) {
    if (status.isFatal()) return nullptr;
    node = node->findChild(uids[i], 0, status);
  }
  return status.isFatal() ? nullptr : node;
}

void OV3IFWResources::readEngineSubsystems() {
  tStatus local;
  const vlifw::ContextInterface* generation = root_->findChild(kGenerationEngineUid, 0, local);
  if (generation != nullptr) generation->getSubsystemAndOffset(&generationSubsystem_, nullptr, local);
  local.clear();
  const vlifw::ContextInterface* acquisition = root_->findChild(kAcquisitionEngineUid, 0, local);
  if (acquisition != nullptr) acquisition->getSubsystemAndOffset(&acquisitionSubsystem_, nullptr, local);
}

void OV3IFWResources::createRoutingResources() {
  tStatus local;
  const uint16_t path[] = {kRoutingContainerUid, kRoutingHostUid};
  const vlifw::ContextInterface* context = resolve(path, 2, local);
  OV3RoutingResources* resources = new (local, kAllocationKindPlain) OV3RoutingResources(target_, context, local);
  if (resources == nullptr) return;
  delete routingResources_;
  routingResources_ = resources;
}

vlifw::InstructionTargetMXRM* OV3IFWResources::bindEngineBlock(uint16_t engineUid, uint16_t blockUid, tStatus& status) {
  const uint16_t path[] = {engineUid, blockUid};
  const vlifw::ContextInterface* block = resolve(path, 2, status);
  if (block == nullptr) return nullptr;
  block->checkVersion(kEngineBlockVersion, kEngineBlockVersion, true, nullptr, nullptr, status);
  if (status.isFatal()) return nullptr;
  return new (status, kAllocationKindPlain) vlifw::InstructionTargetMXRM(target_, block, true);
}

void OV3IFWResources::createAcquisitionRegisters() {
  tStatus& status = acquisitionStatus_;
  acquisitionTarget_ = bindEngineBlock(kAcquisitionEngineUid, kAcquisitionBlockUid, status);
  if (acquisitionTarget_ == nullptr) return;
  acquisitionRegisters_ = new (status, kAllocationKindPlain)
      nQRTAcquisitionRegisters::tQRTAcquisitionRegisters(acquisitionTarget_, 0, 0, kWholeWindow);
  if (acquisitionRegisters_ == nullptr) return;
  const uint16_t version = static_cast<uint16_t>(acquisitionTarget_->getContext()->getInfo(status) >> 32);
  if (status.isFatal()) return;
  acquisitionTriggerControl_ =
      new (status, kAllocationKindPlain) qrtifwprim::AcqTriggerControl(acquisitionRegisters_, nullptr, version, status);
  if (acquisitionTriggerControl_ == nullptr) return;
  configureDefaultTrigger(acquisitionTriggerControl_, -4, status);
  setDefaultPulseWidth(acquisitionTriggerControl_, -4, status);
  setDefaultPulseWidth(acquisitionTriggerControl_, -106, status);
}

void OV3IFWResources::createGenerationRegisters() {
  tStatus& status = generationStatus_;
  generationTarget_ = bindEngineBlock(kGenerationEngineUid, kGenerationBlockUid, status);
  if (generationTarget_ == nullptr) return;
  generationRegisters_ = new (status, kAllocationKindPlain)
      nQRTGenerationRegisters::tQRTGenerationRegisters(generationTarget_, 0, 0, kWholeWindow);
  if (generationRegisters_ == nullptr) return;
  generationTriggerControl_ = new (status, kAllocationKindPlain) qrtifwprim::GenTriggerControl(generationRegisters_);
  if (generationTriggerControl_ == nullptr) return;
  configureDefaultTrigger(generationTriggerControl_, 6, status);
  setDefaultPulseWidth(generationTriggerControl_, 6, status);
  setDefaultPulseWidth(generationTriggerControl_, 107, status);
}

// A timer block that is not where it belongs is a fault of the image
// (-52003) unless the walk already said why.
void OV3IFWResources::createTimerRegisters(uint16_t engineUid, TimerGroup& group,
                                           RegisterPoller::PollerStore* pollerStore) {
  tStatus& status = group.status;
  const uint16_t path[] = {engineUid, kTimerContainerUid, kTimerBlockUid};
  const vlifw::ContextInterface* timer = resolve(path, 3, status);
  if (timer == nullptr) {
    status.setCode(st::kStatusBadSelector, VL_SITE_AT(kSource, __LINE__));
    return;
  }
  timer->checkVersion(kTimerBlockVersion, kTimerBlockVersion, true, nullptr, nullptr, status);
  if (status.isFatal()) return;
  group.subsystem = static_cast<uint8_t>(timer->contextualizeRead(0, status).subsystem);
  group.target = new (status, kAllocationKindPlain) vlifw::InstructionTargetMXRM(target_, timer, true);
  if (group.target != nullptr) {
    group.registers =
        new (status, kAllocationKindPlain) nQRTTimerRegisters::tQRTTimerRegisters(group.target, 0, 0, kWholeWindow);
  }
  if (group.registers == nullptr) {
    status.setCode(st::kStatusBadSelector, VL_SITE_AT(kSource, __LINE__));
    return;
  }
  auto& map = *group.registers;
  static_assert(kSettlingTimerWords[0] == 0x20 && kSettlingTimerWords[1] == 0x60, "timer map members");
  group.control0 = new (status, kAllocationKindPlain)
      tSettling(&map.SettlingTimer1, &map.PllCounter0, 0, group.subsystem, pollerStore, status);
  group.control1 = new (status, kAllocationKindPlain)
      tSettling(&map.SettlingTimer2, &map.PllCounter0, 0, group.subsystem, pollerStore, status);
}

OV3IFWResources::tSettling* OV3IFWResources::settling(TimerGroup& group, uint32_t which, tStatus& status) {
  status.merge(group.status);
  if (status.isFatal()) return nullptr;
  return which == 0 ? group.control0 : group.control1;
}

OV3IFWResources::tTrigger* OV3IFWResources::getGenerationTriggerControl(tStatus& status) {
  status.merge(generationStatus_);
  return status.isFatal() ? nullptr : generationTriggerControl_;
}

OV3IFWResources::tTrigger* OV3IFWResources::getAcquisitionTriggerControl(tStatus& status) {
  status.merge(acquisitionStatus_);
  return status.isFatal() ? nullptr : acquisitionTriggerControl_;
}

OV3IFWResources::tTrigger* OV3IFWResources::getTriggerControlForPath(const tPath& path, tStatus& status) {
  if (status.isFatal()) return nullptr;
  if (path.size() == 2 && path[0].instance == 0 && path[1].instance == 0) {
    if (path[0].uid == kGenerationEngineUid && path[1].uid == kGenerationBlockUid) {
      return getGenerationTriggerControl(status);
    }
    if (path[0].uid == kAcquisitionEngineUid && path[1].uid == kAcquisitionBlockUid) {
      return getAcquisitionTriggerControl(status);
    }
  }
  status.setCode(st::kStatusInvalidParameter, VL_SITE_AT(kSource, __LINE__));
  return nullptr;
}

const vlifw::ContextInterface* OV3IFWResources::getGenerationSnoopingContext(tStatus& status) {
  status.merge(constructionStatus_);
  const uint16_t path[] = {kGenerationEngineUid, kTimerContainerUid, kGenerationSnoopingUid};
  return resolve(path, 3, status);
}

const vlifw::ContextInterface* OV3IFWResources::getAcquisitionSnoopingContext(tStatus& status) {
  status.merge(constructionStatus_);
  const uint16_t path[] = {kAcquisitionEngineUid, kTimerContainerUid, kAcquisitionSnoopingUid};
  return resolve(path, 3, status);
}

vlpxiroutingmatrix::PxiTriggerRoutingHost* OV3IFWResources::getPxiTriggerRoutingHost() const {
  return routingResources_ == nullptr ? nullptr : routingResources_->getPxiTriggerRoutingHost();
}

listmodek::Session* OV3IFWResources::createListModeSession(const tPath& path, tStatus& status) {
  status.merge(constructionStatus_);
  if (status.isFatal() || listModeResources_ == nullptr) return nullptr;
  return listModeResources_->createSession(path, status);
}

void OV3IFWResources::configureDefaultTrigger(tTrigger* control, int32_t triggerId, tStatus& status) {
  control->configureTrigger(triggerId, kDefaultTrigger, status);
}

void OV3IFWResources::configureDefaultTriggerIfPresent(tTrigger* control, int32_t triggerId, tStatus& status) {
  if (status.isNotFatal() && control != nullptr) configureDefaultTrigger(control, triggerId, status);
}

void OV3IFWResources::setDefaultPulseWidth(tTrigger* control, int32_t eventId, tStatus& status) {
  if (status.isFatal() || control == nullptr) return;
  vlfxptype::Number width{};
  control->getPulseWidthConfiguration(width.configuration, status);
  if (status.isFatal()) return;
  width.raw = kDefaultPulseWidthRaw;
  control->setMinExportPulseWidth(eventId, width, status);
}

}  // namespace ov3ifw
