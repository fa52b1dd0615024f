#include "DeviceFile.h"

#include <cstring>
#include <optional>

#include "../kernel/DeviceRegistry.h"
#include "../kernel/FaultSite.h"
#include "../kernel/UserMaps.h"

namespace sim {
namespace {

// Where user mode's mappings appear; only the kernel layer's record of it
// matters to the driver.
constexpr uint64_t kMappingBase = 0x7F0000000000ull;

}  // namespace

std::unique_ptr<DeviceFile> DeviceFile::open(Module& module, const std::string& name, int32_t* result) {
  std::optional<DeviceRegistry::Interface> entry;
  {
    SimScope scope;
    entry = DeviceRegistry::beginOpen(name, &module.record());
  }
  if (!entry) {
    if (result != nullptr) *result = kNoSuchInterface;
    return nullptr;
  }
  // The registry holds the interface until the driver's open returns: a
  // removal meanwhile waits in its unregistration of the interface.
  void* context = entry->context;
  const int32_t code = module.record().open(nullptr, &context);
  SimScope scope;
  DeviceRegistry::endOpen(entry->handle);
  if (result != nullptr) *result = code;
  if (code != 0) return nullptr;
  return std::unique_ptr<DeviceFile>(new DeviceFile(module.record(), context));
}

DeviceFile::DeviceFile(nVLZUK_tDriverRecord& record, void* session) : record_(record), session_(session), open_(true) {}

DeviceFile::~DeviceFile() { close(); }

void DeviceFile::close() {
  if (!open_) return;
  open_ = false;
  record_.close(session_);
}

DeviceFile::Reply DeviceFile::ioctl(const Request& request) {
  std::unique_ptr<UserBlock> header, input, output;
  {
    SimScope scope;
    header = std::make_unique<UserBlock>(kHeaderSize);
    input = std::make_unique<UserBlock>(request.input.size());
    output = std::make_unique<UserBlock>(request.outputSize);
    if (!request.input.empty()) std::memcpy(input->data(), request.input.data(), request.input.size());
    header->put<uint64_t>(0, input->address());
    header->put<uint64_t>(8, output->address());
    header->put<uint32_t>(16, static_cast<uint32_t>(request.input.size()));
    header->put<uint32_t>(20, request.outputSize);
    header->put<int32_t>(kResultOffset, request.resultField);
  }
  const int32_t status = record_.ioctl(session_, request.code, header->address());
  SimScope scope;
  Reply reply{status, header->get<int32_t>(kResultOffset), {}};
  reply.output.assign(output->data(), output->data() + request.outputSize);
  return reply;
}

int32_t DeviceFile::ioctlRaw(uint32_t command, uint64_t argument) { return record_.ioctl(session_, command, argument); }

int32_t DeviceFile::createNotifier(uint64_t id, uint32_t port, uint32_t kind) {
  std::unique_ptr<UserBlock> block;
  {
    SimScope scope;
    block = std::make_unique<UserBlock>(16);
    block->put<uint64_t>(0, id);
    block->put<uint32_t>(8, port);
    block->put<uint32_t>(12, kind);
  }
  const int32_t status = record_.ioctl(session_, kCreateNotifier, block->address());
  SimScope scope;
  block.reset();
  return status;
}

int32_t DeviceFile::destroyNotifier(uint32_t kind) { return record_.ioctl(session_, kDestroyNotifier, kind); }

DeviceFile::Transfer DeviceFile::read(UserBlock& block) {
  Transfer transfer{0, 0};
  transfer.status = record_.read(session_, block.address(), block.size(), 0, &transfer.count);
  return transfer;
}

DeviceFile::Transfer DeviceFile::write(const UserBlock& block) {
  Transfer transfer{0, 0};
  transfer.status = record_.write(session_, block.address(), block.size(), 0, &transfer.count);
  return transfer;
}

DeviceFile::Mapping DeviceFile::mmap(uint64_t pageOffset, uint64_t size, uint32_t accessMode) {
  Mapping mapping{0, 0, UserMaps::create(size, kMappingBase, accessMode), nullptr};
  mapping.status = record_.mapMemory(session_, pageOffset, mapping.kernelMap, &mapping.mapped, &mapping.context);
  if (mapping.mapped == 0) {
    UserMaps::destroy(mapping.kernelMap);
    mapping.kernelMap = 0;
  }
  return mapping;
}

void DeviceFile::munmap(Mapping& mapping) {
  if (mapping.mapped == 0) return;
  record_.unmapMemory(mapping.context);
  UserMaps::destroy(mapping.kernelMap);
  mapping = Mapping{0, 0, 0, nullptr};
}

}  // namespace sim
