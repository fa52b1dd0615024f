// The register-map commands of a session: list the registered maps, dump
// one, read or write one register, each through the register-access
// requests of the main interface.
#ifndef VL9738K_TOOLS_CLI_MAPCOMMANDS_H
#define VL9738K_TOOLS_CLI_MAPCOMMANDS_H

#include <cstdint>
#include <ostream>
#include <string>

#include "BoardRequests.h"
#include "MapCatalog.h"

namespace vlcli {

class MapCommands {
 public:
  MapCommands(BoardRequests& requests, std::ostream& out) : requests_(requests), out_(out) {}

  // Each answers whether every request it sent answered success (false
  // too for a name that no map or register has).
  bool list();
  bool dump(const std::string& map);
  // `registerName` is a register's name or, for any map, a numeric id.
  bool read(const std::string& map, const std::string& registerName);
  bool write(const std::string& map, const std::string& registerName, const std::string& valueText);

 private:
  // Whether `name`, unknown to the catalogue, is a registered composite;
  // says what it is, or that no map has the name.
  bool isComposite(const std::string& name);
  // The register a command names: from the catalogue, or a bare id.
  bool resolve(const std::string& map, const std::string& registerName, CatalogRegister& found);
  // One register's value (hardware, or the shadow of a write-only one) and
  // a line per field of its format.
  bool show(const std::string& map, const CatalogRegister& entry);
  bool showFields(const std::string& map, const CatalogRegister& entry, uint64_t value);

  BoardRequests& requests_;
  std::ostream& out_;
};

}  // namespace vlcli

#endif
