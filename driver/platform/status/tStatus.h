// The driver's one error-reporting record, passed last to every fallible
// operation. The first error wins: a later error never replaces it, and a
// warning is only ever replaced by an error.
#ifndef VL9738K_PLATFORM_TSTATUS_H
#define VL9738K_PLATFORM_TSTATUS_H

#include <stddef.h>
#include <stdint.h>

#include "StatusCodes.h"
#include "StatusSite.h"

namespace nVLAPALS100 {

class tStatus {
 public:
  static constexpr uint64_t kCodeOnlySize = 16;
  static constexpr uint64_t kFullSize = 216;
  static constexpr size_t kComponentSize = 10;
  static constexpr size_t kFileSize = 101;
  static constexpr size_t kStackDepth = 10;

  // Local records are code-only; a record of kFullSize also keeps the
  // component, source file and line of the code it holds.
  explicit tStatus(uint64_t recordSize = kCodeOnlySize);

  bool setCode(int64_t code, const char* component, const char* file, uint64_t line);
  bool merge(const tStatus& other);
  int64_t printToBuffer(char* buffer, int64_t size) const;
  void clear();

  int64_t getCode() const { return code_; }
  bool isFatal() const { return code_ < 0; }
  bool isNotFatal() const { return code_ >= 0; }
  bool isFull() const { return size_ > kFullSize - 1; }
  uint64_t getRecordSize() const { return size_; }
  const char* getComponent() const { return component_; }
  const char* getFile() const { return file_; }
  uint64_t getLine() const { return line_; }
  const uint64_t* getStackTrace() const { return stack_; }

 private:
  uint64_t size_;
  int64_t code_;
  char component_[kComponentSize];
  char file_[kFileSize];
  uint64_t line_;
  uint64_t stack_[kStackDepth];
};

static_assert(sizeof(tStatus) == tStatus::kFullSize, "the full record is 216 bytes");

// Translation at the kernel-layer boundary (outbound and inbound tables).
int32_t toZUKStatus(int64_t code);
int64_t fromZUKStatus(int32_t zukCode);
void setStatusFromZUKStatus(int32_t zukCode, tStatus& status, const char* file, uint64_t line);

}  // namespace nVLAPALS100

// The C-callable name of the same record, used by generated entry points.
typedef nVLAPALS100::tStatus nVLAPALS100_tStatus;

#endif
