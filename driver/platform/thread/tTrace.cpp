#include "tTrace.h"

#include "../text/Format.h"
#include "../text/NumberText.h"
#include "../text/TextRoutines.h"
#include "../zuk/ZukSync.h"
#include "../zuk/ZukTime.h"
#include "tConsoleTraceDestination.h"

namespace nVLAPAL000 {
namespace {

constexpr char kPhaseLetters[4] = {'d', 'a', 'b', 'f'};

// Collects the prefix text, silently cut at its capacity.
class tPrefixText {
 public:
  explicit tPrefixText(uint32_t capacity) : capacity_(capacity < sizeof(text_) ? capacity : sizeof(text_) - 1) {}
  void add(const char* text) {
    while (*text != '\0') addCharacter(*text++);
  }
  void addCharacter(char character) {
    if (length_ < capacity_) text_[length_++] = character;
  }
  void startElement() { add(elements_++ == 0 ? "[" : "--"); }
  void addNumber(uint64_t value, uint32_t base) {
    char digits[72];
    unsignedToText(digits, value, base);
    add(digits);
  }
  bool hasElements() const { return elements_ != 0; }
  uint32_t length() const { return length_; }
  const char* text() {
    text_[length_] = '\0';
    return text_;
  }

 private:
  char text_[128] = {};
  uint32_t capacity_;
  uint32_t length_ = 0;
  uint32_t elements_ = 0;
};

const char* fileNameOf(const char* path) {
  const char* name = path;
  for (const char* c = path; *c != '\0'; ++c) {
    if (*c == '/' || *c == '\\') name = c + 1;
  }
  return name;
}

char hexDigit(uint32_t value) { return static_cast<char>(value < 10 ? '0' + value : 'A' + value - 10); }

}  // namespace

tTrace::tTrace(tTraceDestination* destination) : destination_(destination) { options_[kTraceOutputEnabled] = 1; }

tTrace::~tTrace() {
  if (mutex_ != 0) nVLZUK150_destroyMutex(mutex_);
}

void tTrace::setOption(tTraceOption option, bool on) {
  // The mutex is made by setThreadSafe: a flag alone would lock nothing.
  if (option == kTraceThreadSafe && on && mutex_ == 0) return;
  options_[option] = on ? 1 : 0;
}

void tTrace::setThreadSafe(bool on, nVLAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  if (on && mutex_ == 0) {
    mutex_ = nVLZUK150_createMutex();
    if (mutex_ == 0) {
      status.setCode(nVLAPALS100::kStatusOutOfMemory, VL_SITE);
      return;
    }
  }
  options_[kTraceThreadSafe] = on ? 1 : 0;
}

void tTrace::append(const char* text) {
  while (*text != '\0') put(*text++);
}

void tTrace::append(const char* text, uint64_t count) {
  for (uint64_t i = 0; i < count && text[i] != '\0'; ++i) put(text[i]);
}

void tTrace::endLine() { put('\n'); }

void tTrace::printf(const char* format, ...) {
  char text[kMaxTraceLine + 1];
  va_list arguments;
  va_start(arguments, format);
  const int64_t needed = formatTextBoundedV(text, sizeof(text), format, arguments);
  va_end(arguments);
  if (needed < 0 || needed > static_cast<int64_t>(kMaxTraceLine)) {
    append("!!Formatted string exceeds kMaxTraceLine characters!!");
    return;
  }
  append(text);
}

void tTrace::appendBool(bool value) { append(value ? "true(1)" : "false(0)"); }

void tTrace::appendNumber(uint64_t value, uint32_t base) {
  char text[80];
  formatUnsigned(text, value, base);
  append(text);
}

void tTrace::setDestination(tTraceDestination* destination) {
  append("Switching trace destination to ");
  append(destination->getName());
  endLine();
  destination_ = destination;
}

void tTrace::hexDump(const void* bytes, uint64_t length, uint32_t groupSize) {
  if (groupSize != 2 && groupSize != 4) groupSize = 1;
  const auto* data = static_cast<const uint8_t*>(bytes);
  for (uint64_t offset = 0; offset < length; offset += 16) hexDumpLine(data, offset, length, groupSize);
}

// "OOOOOOOO: " then the groups ("XX" for bytes past the end), then ": "
// and the printable characters.
void tTrace::hexDumpLine(const uint8_t* bytes, uint64_t offset, uint64_t length, uint32_t groupSize) {
  char text[128];
  char* cursor = unsignedToFixedText(text, offset, 8, 16);
  *cursor++ = ':';
  for (uint32_t i = 0; i < 16; ++i) {
    if (i % groupSize == 0) *cursor++ = ' ';
    const bool present = offset + i < length;
    *cursor++ = present ? hexDigit(bytes[offset + i] >> 4) : 'X';
    *cursor++ = present ? hexDigit(bytes[offset + i] & 0xF) : 'X';
  }
  *cursor++ = ':';
  *cursor++ = ' ';
  for (uint64_t i = offset; i < offset + 16 && i < length; ++i) {
    *cursor++ = bytes[i] >= 32 && bytes[i] <= 126 ? static_cast<char>(bytes[i]) : '.';
  }
  *cursor = '\0';
  append(text);
  endLine();
}

void tTrace::put(char character) {
  if (options_[kTraceOutputEnabled] == 0) return;
  holdLine();
  if (!lineOpen_) beginLine();
  const bool newline = character == '\n';
  if (options_[kTraceSuppressLine] == 0 || newline) buffer_[position_++] = character;
  if (!newline) {
    if (position_ == kLineBufferSize) flushBuffer();
    return;
  }
  flushBuffer();
  options_[kTraceSuppressLine] = 0;
  lineOpen_ = false;
  ++lineCount_;
  releaseLine();
}

// A thread-safe trace belongs to one thread from the first character of a
// line to its end: any other thread waits for the line's mutex before it
// touches the line buffer.
void tTrace::holdLine() {
  if (options_[kTraceThreadSafe] == 0) return;
  const uint64_t self = nVLZUK100_getThreadHandle();
  if (__atomic_load_n(&lineOwner_, __ATOMIC_RELAXED) == self) return;
  nVLZUK150_acquireMutex(mutex_);
  __atomic_store_n(&lineOwner_, self, __ATOMIC_RELAXED);
}

void tTrace::releaseLine() {
  if (__atomic_load_n(&lineOwner_, __ATOMIC_RELAXED) != nVLZUK100_getThreadHandle()) return;
  __atomic_store_n(&lineOwner_, 0, __ATOMIC_RELAXED);
  nVLZUK150_releaseMutex(mutex_);
}

void tTrace::beginLine() {
  lineOpen_ = true;
  writePrefix();
  if (options_[kTraceIndent] != 0) {
    for (uint32_t i = 0; i < 2 * depth_; ++i) put(' ');
  }
}

void tTrace::writePrefix() {
  tPrefixText prefix(width_ - 1);
  if (options_[kTracePrefixComponent] != 0) {
    prefix.startElement();
    prefix.add(component_);
  }
  if (options_[kTracePrefixVersion] != 0) {
    prefix.startElement();
    char version[64];
    formatTextBounded(version, sizeof(version), "%u.%u.%u%c%u", version_ >> 24, (version_ >> 20) & 0xF,
                      (version_ >> 16) & 0xF, kPhaseLetters[(version_ >> 14) & 3], version_ & 0x3FFF);
    prefix.add(version);
  }
  if (options_[kTracePrefixLine] != 0) {
    prefix.startElement();
    prefix.addNumber(line_, 10);
  }
  if (options_[kTracePrefixFile] != 0) {
    prefix.startElement();
    prefix.add(options_[kTraceFileNameOnly] != 0 ? fileNameOf(file_) : file_);
  }
  if (options_[kTracePrefixThread] != 0) {
    prefix.startElement();
    prefix.addNumber(nVLZUK100_getThreadHandle(), 16);
  }
  if (options_[kTracePrefixTimer] != 0) {
    prefix.startElement();
    prefix.addNumber(nVLZUK110_getTimerCount(), 10);
  }
  if (options_[kTracePrefixLineCount] != 0) {
    prefix.startElement();
    prefix.addNumber(lineCount_, 10);
  }
  const char padding = prefix.hasElements() ? '-' : ' ';
  while (prefix.length() < width_ - 1) prefix.addCharacter(padding);
  const bool hadElements = prefix.hasElements();
  for (const char* c = prefix.text(); *c != '\0'; ++c) buffer_[position_++] = *c;
  buffer_[position_++] = hadElements ? ']' : ' ';
  buffer_[position_++] = ' ';
}

void tTrace::flushBuffer() {
  buffer_[position_] = '\0';
  if (position_ != 0 && destination_ != nullptr) destination_->writeText(buffer_);
  position_ = 0;
}

tTraceScope::tTraceScope(tTrace& trace, const char* name, const void* object, const nVLAPALS100::tStatus* status)
    : trace_(trace), name_(name), status_(status) {
  trace_.append(name_);
  trace_.append("; this=");
  trace_.appendNumber(reinterpret_cast<uint64_t>(object), 16);
  writeStatus();
  trace_.append("; {");
  trace_.endLine();
  trace_.enterScope();
}

tTraceScope::~tTraceScope() {
  trace_.exitScope();
  trace_.append("} ");
  trace_.append(name_);
  writeStatus();
  trace_.endLine();
}

void tTraceScope::writeStatus() {
  if (status_ == nullptr) return;
  char code[32];
  formatTextBounded(code, sizeof(code), "%ld", static_cast<long>(status_->getCode()));
  trace_.append("; tStatus code=");
  trace_.append(code);
}

}  // namespace nVLAPAL000
