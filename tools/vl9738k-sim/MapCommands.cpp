#include "MapCommands.h"

#include <algorithm>
#include <cstdio>

#include "StatusNames.h"
#include "WholeNumber.h"

namespace vlcli {
namespace {

std::string hex(uint64_t value, unsigned digits) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%0*llX", static_cast<int>(digits), static_cast<unsigned long long>(value));
  return text;
}

std::string registers(uint32_t count) { return std::to_string(count) + (count == 1 ? " register" : " registers"); }

const char* accessText(uint8_t access) {
  switch (access & (kCatalogReadable | kCatalogWritable)) {
    case kCatalogReadable:
      return "R";
    case kCatalogWritable:
      return "W";
    default:
      return "RW";
  }
}

}  // namespace

bool MapCommands::list() {
  int64_t status = 0;
  const std::vector<std::string> names = requests_.registrationNames(status);
  if (status < 0) {
    out_ << "  registered maps: " << statusText(status) << "\n";
    return false;
  }
  out_ << "  " << names.size() << " registered maps:\n";
  for (const std::string& name : names) {
    const CatalogMap* map = catalogMapFor(name);
    out_ << "    " << name << std::string(name.size() < 28 ? 28 - name.size() : 1, ' ');
    if (map == nullptr || map->registerCount == 0) {
      out_ << "(composite: no registers of its own)\n";
    } else {
      out_ << map->mapClass << ", " << registers(map->registerCount) << "\n";
    }
  }
  return true;
}

bool MapCommands::dump(const std::string& name) {
  const CatalogMap* map = catalogMapFor(name);
  if (map != nullptr && map->registerCount != 0) {
    out_ << "  " << name << " (" << map->mapClass << ", " << registers(map->registerCount) << ")\n";
    bool answered = true;
    for (uint32_t i = 0; i < map->registerCount; ++i) answered = show(name, map->registers[i]) && answered;
    return answered;
  }
  // A composite has no registers of its own: the catalogue may describe it
  // with none, or only the driver's list may hold its name.
  if (map != nullptr) {
    out_ << "  " << name << ": a composite, no registers of its own\n";
    return true;
  }
  return isComposite(name);
}

bool MapCommands::isComposite(const std::string& name) {
  int64_t status = 0;
  const std::vector<std::string> names = requests_.registrationNames(status);
  if (status < 0) {
    out_ << "  no map in the front end's catalogue has the name '" << name
         << "', and the driver's list of maps answers " << statusText(status) << "\n";
    return false;
  }
  if (std::find(names.begin(), names.end(), name) != names.end()) {
    out_ << "  " << name << ": a composite, no registers of its own\n";
    return true;
  }
  out_ << "  no map has the name '" << name << "' ('maps' lists the registered maps)\n";
  return false;
}

bool MapCommands::read(const std::string& map, const std::string& registerName) {
  CatalogRegister entry{};
  return resolve(map, registerName, entry) && show(map, entry);
}

bool MapCommands::write(const std::string& map, const std::string& registerName, const std::string& valueText) {
  CatalogRegister entry{};
  const std::optional<uint64_t> parsed = wholeNumber(valueText, 0);
  if (!parsed) {
    out_ << "  '" << valueText << "' is not a number\n";
    return false;
  }
  const uint64_t value = *parsed;
  if (!resolve(map, registerName, entry)) return false;
  const int64_t status = requests_.write(requestName(map), entry.id, entry.context, value);
  out_ << "  " << entry.name << " <- " << hex(value, entry.width / 4) << ": " << statusText(status) << "\n";
  if (status < 0) return false;
  // The driver keeps what fits the register's width and drops the rest.
  const uint64_t kept = entry.width >= 64 ? ~uint64_t{0} : (uint64_t{1} << entry.width) - 1;
  if ((value & ~kept) != 0) {
    out_ << "  " << hex(value, 1) << " is wider than " << entry.name << "'s " << unsigned{entry.width}
         << " bits: it was cut to the field, " << hex(value & kept, entry.width / 4) << "\n";
  }
  return show(map, entry);
}

bool MapCommands::resolve(const std::string& map, const std::string& registerName, CatalogRegister& found) {
  const CatalogMap* described = catalogMapFor(map);
  const CatalogRegister* entry = described != nullptr ? findRegister(*described, registerName) : nullptr;
  if (entry != nullptr) {
    found = *entry;
    return true;
  }
  if (const auto id = wholeNumber(registerName, 0, 0, UINT32_MAX)) {
    // A bare id: what the catalogue says of it is unknown; read it as a
    // readable 64-bit register.
    found = CatalogRegister{registerName.c_str(), static_cast<uint32_t>(*id), 0, 64, kCatalogReadable};
    return true;
  }
  // A name the catalogue does not hold: the map is unknown, or a composite
  // with no registers of its own, before the register is.
  if (described == nullptr) {
    isComposite(map);
    return false;
  }
  out_ << "  no register '" << registerName << "' in " << map << " (" << described->mapClass << ")\n";
  return false;
}

bool MapCommands::show(const std::string& map, const CatalogRegister& entry) {
  const bool readable = (entry.access & kCatalogReadable) != 0;
  if (!readable && (entry.access & kCatalogDirect) != 0) {
    out_ << "    " << entry.name << " (W, no shadow): nothing to show\n";
    return true;
  }
  const std::string request = requestName(map);
  const Answer answer =
      readable ? requests_.read(request, entry.id, entry.context) : requests_.get(request, entry.id, entry.context);
  out_ << "    " << entry.name << " (" << accessText(entry.access) << (readable ? "" : ", shadow") << ")";
  if (answer.status < 0) {
    out_ << ": " << statusText(answer.status) << "\n";
    return false;
  }
  out_ << " = " << hex(answer.value, entry.width / 4) << "\n";
  return showFields(request, entry, answer.value);
}

bool MapCommands::showFields(const std::string& map, const CatalogRegister& entry, uint64_t value) {
  const FormatAnswer format = requests_.format(map, entry.id);
  if (format.status < 0) {
    out_ << "      format: " << statusText(format.status) << "\n";
    return false;
  }
  for (uint64_t mask : format.masks) {
    if (mask == 0) continue;
    const unsigned low = static_cast<unsigned>(__builtin_ctzll(mask));
    const unsigned high = 63u - static_cast<unsigned>(__builtin_clzll(mask));
    out_ << "      " << entry.name << "[" << high << ":" << low << "]: " << hex((value & mask) >> low, 1) << "\n";
  }
  return true;
}

}  // namespace vlcli
