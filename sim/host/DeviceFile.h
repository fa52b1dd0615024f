// The user-mode side of a device interface: what a process holds after
// opening one of the interfaces a driver published. Requests are framed
// exactly as user mode frames them (a 32-byte header in user memory that
// points at the input and output blocks) and reach the driver through the
// entry points in its driver record, so the same code drives a module
// mapped with Module::load and a driver linked into the test.
#ifndef VL9738K_SIM_DEVICE_FILE_H
#define VL9738K_SIM_DEVICE_FILE_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "../kernel/UserMemory.h"
#include "Module.h"

namespace sim {

class DeviceFile {
 public:
  static constexpr uint32_t kCreateNotifier = 0x4010FF00;
  static constexpr uint32_t kDestroyNotifier = 0xFF01;
  // What open answers when the driver registered no interface of that name.
  static constexpr int32_t kNoSuchInterface = -51101;
  static constexpr size_t kHeaderSize = 32;
  static constexpr size_t kResultOffset = 24;

  // Opens the interface `name` that the module's driver registered. On
  // failure returns null and leaves the code in *result.
  static std::unique_ptr<DeviceFile> open(Module& module, const std::string& name, int32_t* result = nullptr);
  ~DeviceFile();
  DeviceFile(const DeviceFile&) = delete;
  DeviceFile& operator=(const DeviceFile&) = delete;

  void close();
  bool isOpen() const { return open_; }
  // The driver's per-open context (its session).
  void* session() const { return session_; }

  struct Request {
    uint32_t code = 0;
    std::vector<uint8_t> input;
    uint32_t outputSize = 0;
    // What the caller leaves in the header's result field.
    int32_t resultField = 0;
  };
  struct Reply {
    int32_t status;       // the call's return value
    int32_t resultField;  // the header's result field afterwards
    std::vector<uint8_t> output;
  };
  Reply ioctl(const Request& request);
  // The bare call, with `argument` as user mode passes it.
  int32_t ioctlRaw(uint32_t command, uint64_t argument);
  int32_t createNotifier(uint64_t id, uint32_t port, uint32_t kind);
  int32_t destroyNotifier(uint32_t kind);

  struct Transfer {
    int32_t status;
    uint64_t count;
  };
  Transfer read(UserBlock& block);
  Transfer write(const UserBlock& block);

  struct Mapping {
    int32_t status;
    uint32_t mapped;
    uint64_t kernelMap;
    void* context;
  };
  // mmap with `pageOffset` as user mode passes it; accessMode bit 1 asks
  // for write access.
  Mapping mmap(uint64_t pageOffset, uint64_t size, uint32_t accessMode);
  void munmap(Mapping& mapping);

 private:
  DeviceFile(nVLZUK_tDriverRecord& record, void* session);

  nVLZUK_tDriverRecord& record_;
  void* session_;
  bool open_;
};

}  // namespace sim

#endif
