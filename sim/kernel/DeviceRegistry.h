// What drivers published to user space: device interfaces (with the
// announcement that they may be opened) and properties.
#ifndef VL9738K_SIM_DEVICE_REGISTRY_H
#define VL9738K_SIM_DEVICE_REGISTRY_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "../../driver/platform/zuk/ZukDriver.h"
#include "FaultSite.h"

namespace sim {

class DeviceRegistry {
 public:
  struct Interface {
    uint64_t handle;
    nVLZUK_tDriverRecord* driver;
    uint64_t device;
    std::string name;
    uint32_t index;
    void* context;
    bool announced;
  };
  struct Property {
    uint64_t handle;
    uint32_t kind;
    uint64_t owner;
    std::string name;
    std::vector<uint8_t> value;
  };

  // A refused registration returns 0 (the armed code is not used).
  static FaultSite& interfaceRegistrationFaults();
  static FaultSite& propertyRegistrationFaults();

  static std::vector<Interface> interfaces();
  static std::optional<Interface> findInterface(const std::string& name);
  // An open of the interface `name` that `driver` registered: the interface
  // is held until endOpen, so its unregistration (which a removal makes)
  // waits for the driver's open to return. Null when there is no such
  // interface, or when its unregistration has begun.
  static std::optional<Interface> beginOpen(const std::string& name, const nVLZUK_tDriverRecord* driver);
  static void endOpen(uint64_t handle);
  // Handles of unregistered interfaces, in the order they went.
  static std::vector<uint64_t> unregisteredInterfaces();

  static std::vector<Property> properties();
  static std::optional<Property> findProperty(uint64_t owner, const std::string& name);

  // Unregistrations of a handle that is not registered (never issued, or
  // gone already): a real kernel would free the same record twice.
  static uint64_t strayUnregistrations();

  static void reset();
};

}  // namespace sim

#endif
