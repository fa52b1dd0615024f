// What the front end knows of the board's register maps without asking
// the driver: each map class's version text and its registers by name
// (generated from the register-map tables), and which class a registered
// name stands for. The fields of a register come from the driver.
#ifndef VL9738K_TOOLS_CLI_MAPCATALOG_H
#define VL9738K_TOOLS_CLI_MAPCATALOG_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace vlcli {

enum CatalogAccess : uint8_t {
  kCatalogReadable = 1u << 0,
  kCatalogWritable = 1u << 1,
  // No shadow: reads and writes go straight to the hardware.
  kCatalogDirect = 1u << 2,
};

struct CatalogRegister {
  const char* name;
  uint32_t id;
  // The element of an arrayed register that shares one id.
  uint32_t context;
  uint8_t width;   // bits
  uint8_t access;  // CatalogAccess
};

struct CatalogMap {
  const char* mapClass;
  // Appended as "_Ver<version>" to the registered name when not empty.
  const char* version;
  const CatalogRegister* registers;
  uint32_t registerCount;
};

extern const CatalogMap kCatalogMaps[];
extern const size_t kCatalogMapCount;

// The class of the map registered as `registeredName`: the name itself
// with a "t" in front, or, for a child registered under its card's prefix
// ("Ref", "Lo0", "Lo1"), the child's generic name. Null when the catalogue
// has neither (a composite without registers of its own).
const CatalogMap* catalogMapFor(const std::string& registeredName);
// The registered name as the requests must send it.
std::string requestName(const std::string& registeredName);
const CatalogRegister* findRegister(const CatalogMap& map, const std::string& name);

}  // namespace vlcli

#endif
