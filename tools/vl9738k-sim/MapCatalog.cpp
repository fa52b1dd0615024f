#include "MapCatalog.h"

#include <cstring>

namespace vlcli {
namespace {

const CatalogMap* byClass(const std::string& mapClass) {
  for (size_t i = 0; i < kCatalogMapCount; ++i) {
    if (mapClass == kCatalogMaps[i].mapClass) return &kCatalogMaps[i];
  }
  return nullptr;
}

}  // namespace

const CatalogMap* catalogMapFor(const std::string& registeredName) {
  if (const CatalogMap* map = byClass("t" + registeredName)) return map;
  static const char* const kCardPrefixes[] = {"Ref", "Lo0", "Lo1"};
  for (const char* prefix : kCardPrefixes) {
    if (registeredName.rfind(prefix, 0) == 0) return byClass("t" + registeredName.substr(std::strlen(prefix)));
  }
  return nullptr;
}

std::string requestName(const std::string& registeredName) {
  const CatalogMap* map = catalogMapFor(registeredName);
  if (map == nullptr || map->version[0] == '\0') return registeredName;
  return registeredName + "_Ver" + map->version;
}

const CatalogRegister* findRegister(const CatalogMap& map, const std::string& name) {
  for (uint32_t i = 0; i < map.registerCount; ++i) {
    if (name == map.registers[i].name) return &map.registers[i];
  }
  return nullptr;
}

}  // namespace vlcli
