#include "tStatus.h"

#include "../text/Format.h"

namespace nVLAPALS100 {
namespace {

// Copies at most `capacity` bytes of `text`, stopping at its terminator,
// fills the rest with NUL and terminates the last byte.
void copyFixed(char* destination, size_t capacity, const char* text) {
  size_t i = 0;
  if (text != nullptr) {
    for (; i < capacity && text[i] != '\0'; ++i) destination[i] = text[i];
  }
  for (; i < capacity; ++i) destination[i] = '\0';
  destination[capacity - 1] = '\0';
}

size_t textLength(const char* text) {
  size_t length = 0;
  while (text[length] != '\0') ++length;
  return length;
}

// A path too long for the record keeps its first and last characters,
// joined by "..": the two ends are what identify a source file.
void storeFile(char* file, size_t capacity, const char* path) {
  copyFixed(file, capacity, path);
  if (path == nullptr) return;
  const size_t length = textLength(path);
  constexpr size_t kKeep = 49;
  if (length <= capacity - 1) return;
  file[kKeep] = '.';
  file[kKeep + 1] = '.';
  const char* tail = path + length - kKeep;
  size_t i = kKeep + 2;
  for (size_t j = 0; j <= kKeep; ++j) file[i++] = tail[j];
  for (; i < capacity; ++i) file[i] = '\0';
}

}  // namespace

tStatus::tStatus(uint64_t recordSize) : size_(recordSize), code_(0) {
  if (size_ > kCodeOnlySize) {
    component_[0] = '\0';
    file_[0] = '\0';
    line_ = 0;
    stack_[0] = 0;
  }
}

bool tStatus::setCode(int64_t code, const char* component, const char* file, uint64_t line) {
  const bool store = code_ == 0 ? code != 0 : (code_ > 0 && code < 0);
  if (!store) return false;
  code_ = code;
  if (!isFull()) return true;
  copyFixed(component_, kComponentSize, component);
  storeFile(file_, kFileSize, file);
  line_ = line;
  stack_[0] = 0;
  return true;
}

bool tStatus::merge(const tStatus& other) {
  const bool otherFull = other.isFull();
  const bool stored =
      otherFull ? setCode(other.code_, other.component_, other.file_, other.line_) : setCode(other.code_, "", "", 0);
  if (!stored || !otherFull || !isFull()) return stored;
  for (size_t i = 0; i < kStackDepth; ++i) {
    stack_[i] = other.stack_[i];
    if (other.stack_[i] == 0) break;
  }
  return true;
}

void tStatus::clear() {
  code_ = 0;
  if (!isFull()) return;
  component_[0] = '\0';
  file_[0] = '\0';
  line_ = 0;
  stack_[0] = 0;
}

int64_t tStatus::printToBuffer(char* buffer, int64_t size) const {
  using nVLAPAL000::formatTextBounded;
  const auto room = [size](int64_t used) { return static_cast<uint64_t>(used < size ? size - used : 0); };
  int64_t total = formatTextBounded(buffer, room(0), "\ntStatus contents:\n\tcode = %ld\n", code_);
  if (!isFull() || code_ == 0) return total < size ? total : -1;
  if (total <= 0 || total >= size) return -1;
  total += formatTextBounded(buffer + total, room(total),
                             "\tcomponent name = %s\n\tfile name: %s\n\tline number = %lu\n\tstack trace:\n",
                             component_, file_, line_);
  for (size_t i = 0; i < kStackDepth; ++i) {
    if (total >= size) return -1;
    total += formatTextBounded(buffer + total, room(total), "\t\t0x%016lx\n", stack_[i]);
    if (stack_[i] == 0) break;
  }
  return total < size ? total : -1;
}

}  // namespace nVLAPALS100
