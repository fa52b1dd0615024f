#include "ListModeResources.h"

#include "ListModeStatusCodes.h"
#include "driver/platform/memory/Memory.h"
#include "driver/platform/status/StatusCodes.h"
#include "driver/platform/status/StatusSite.h"

namespace listmodek {

namespace {

using nVLAPAL000::kAllocationKindPlain;
namespace st = nVLAPALS100;

// The list engine's registers fill its whole window from address 0.
constexpr uint32_t kWindowSize = 0xFFFFFFFF;

}  // namespace

ListModeResources::~ListModeResources() {
  while (SubsystemResources* record = records_.first()) {
    records_.erase(*record);
    destroy(record);
  }
}

void ListModeResources::destroy(SubsystemResources* record) {
  delete record->assembler;
  delete record->commandControl;
  delete record->map;
  delete record->transport;
  delete record;
}

// Each step looks among the children of the node the previous one reached.
// A step that finds nothing is not the caller's failure: the FPGA simply
// has no such engine.
const vlifw::ContextInterface* ListModeResources::resolve(const tPath& path) const {
  const vlifw::ContextInterface* node = root_;
  tStatus lookup;
  for (const vlifw::PathElement& element : path) {
    if (node == nullptr) return nullptr;
    node = node->findChild(element.uid, element.instance, lookup);
    if (lookup.isFatal()) return nullptr;
  }
  return node;
}

Session* ListModeResources::createSession(const tPath& path, tStatus& status) {
  if (status.isFatal()) return nullptr;
  if (path.empty() || !isListModeId(path[path.size() - 1].uid)) {
    status.setCode(st::kStatusInvalidParameter, VL_SITE_AT(sites::kListModeResources, __LINE__));
    return nullptr;
  }
  const vlifw::ContextInterface* engine = resolve(path);
  if (engine == nullptr) return nullptr;
  SubsystemResources* record = records_.find(engine);
  if (record == nullptr) {
    record = new (status, kAllocationKindPlain) SubsystemResources{};
    if (record == nullptr) return nullptr;
    createEngine(*record, engine, target_, status);
    // Nothing of a failed engine is kept, so the next session tries anew.
    if (status.isFatal()) {
      destroy(record);
      return nullptr;
    }
    records_.insert(*record);
  }
  const uint8_t subsystem = static_cast<uint8_t>(engine->contextualizeRead(0, status).subsystem);
  Session* session =
      new (status, kAllocationKindPlain) Session(record->commandControl, record->assembler, subsystem, status);
  if (session != nullptr && status.isFatal()) {
    delete session;
    return nullptr;
  }
  return session;
}

void ListModeResources::createEngine(SubsystemResources& record, const vlifw::ContextInterface* context,
                                     vlifw::InstructionTarget* target, tStatus& status) {
  record.key = context;
  record.mapNode = vlitl_RBNode{};
  record.transport = new (status, kAllocationKindPlain) vlifw::InstructionTargetMXRM(target, context, true);
  record.map = new (status, kAllocationKindPlain) CommandControl::tMap(record.transport, 0, 0, kWindowSize);
  record.commandControl = new (status, kAllocationKindPlain) CommandControl(record.map, status);
  record.assembler = new (status, kAllocationKindPlain) pcode::Assembler(status);
  if (status.isFatal()) return;
  ListTraits traits{};
  record.commandControl->getCapabilities(traits, status);
  record.assembler->setCapabilities(traits);
}

bool ListModeResources::allIdle(tStatus& status) {
  if (status.isFatal()) return false;
  for (SubsystemResources* record = records_.first(); record != nullptr; record = records_.next(record)) {
    if (!record->commandControl->readListIsDone(status)) return false;
  }
  return true;
}

}  // namespace listmodek
