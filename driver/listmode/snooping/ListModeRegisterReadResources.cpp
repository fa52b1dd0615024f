#include "ListModeRegisterReadResources.h"

#include "SnoopingSites.h"
#include "driver/platform/status/StatusCodes.h"
#include "driver/platform/status/StatusSite.h"

namespace nVL9738K_24_0 {

ListModeRegisterReadResources::ListModeRegisterReadResources(tStatus& status)
    : acquisitionPool_(status), generationPool_(status), otherPool_(status) {}

void ListModeRegisterReadResources::configure(uint8_t acquisition, uint8_t generation, tStatus& status) {
  tSubsystems a, b;
  a.push_back(acquisition, status);
  b.push_back(generation, status);
  registerSubsystems(a, b, status);
}

void ListModeRegisterReadResources::configure3(uint8_t acquisition, uint8_t generation, uint8_t other,
                                               tStatus& status) {
  tSubsystems a, b, c;
  a.push_back(acquisition, status);
  b.push_back(generation, status);
  c.push_back(other, status);
  registerSubsystems3(a, b, c, status);
}

void ListModeRegisterReadResources::fill(tSubsystems& list, const tSubsystems& numbers, tPool& pool, tStatus& status) {
  if (status.isFatal()) return;
  list.clear();
  for (uint8_t number : numbers) {
    if (number == 0 || status.isFatal()) break;
    list.push_back(number, status);
    pollerStore_.setPoller(number, &poller_, status);
    poolStore_.setPool(number, &pool, status);
  }
}

void ListModeRegisterReadResources::registerSubsystems(const tSubsystems& acquisition, const tSubsystems& generation,
                                                       tStatus& status) {
  fill(acquisition_, acquisition, acquisitionPool_, status);
  fill(generation_, generation, generationPool_, status);
}

void ListModeRegisterReadResources::registerSubsystems3(const tSubsystems& acquisition, const tSubsystems& generation,
                                                        const tSubsystems& other, tStatus& status) {
  registerSubsystems(acquisition, generation, status);
  fill(other_, other, otherPool_, status);
}

void ListModeRegisterReadResources::clearSubsystems(tStatus& status) {
  if (status.isFatal()) return;
  tSubsystems* lists[] = {&acquisition_, &generation_, &other_};
  for (tSubsystems* list : lists) {
    for (uint8_t number : *list) pollerStore_.setPoller(number, nullptr, status);
  }
  for (tPool* pool : {&acquisitionPool_, &generationPool_, &otherPool_}) pool->setRedirection(nullptr, status);
  for (tSubsystems* list : lists) {
    for (uint8_t number : *list) poolStore_.setPool(number, nullptr, status);
    list->clear();
  }
}

ListModeRegisterReadResources::tPool* ListModeRegisterReadResources::poolOf(uint8_t subsystem) {
  const struct {
    const tSubsystems* list;
    tPool* pool;
  } choices[] = {{&acquisition_, &acquisitionPool_}, {&generation_, &generationPool_}, {&other_, &otherPool_}};
  for (const auto& choice : choices) {
    for (uint8_t number : *choice.list) {
      if (number == subsystem) return choice.pool;
    }
  }
  return nullptr;
}

void ListModeRegisterReadResources::attachSession(listmodek::Session& session, tStatus& status) {
  if (status.isFatal()) return;
  tPool* pool = poolOf(session.getSubsystem());
  if (pool == nullptr) {
    status.setCode(nVLAPALS100::kStatusRequestFailure, VL_SITE_AT(listmodek::snooping_sites::kReadResources, __LINE__));
    return;
  }
  session.addSnoopingListener(&poller_, status);
  session.addSnoopingListener(pool, status);
  session.addStateListener(pool, status);
  pool->setRedirection(session.getCommandControl(), status);
  session.addSnoopingListener(&wait_, status);
}

}  // namespace nVL9738K_24_0
