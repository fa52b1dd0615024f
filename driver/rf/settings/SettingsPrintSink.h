// Where the settings records print themselves for debugging: one printf-style
// call per line, with a prefix and a suffix text that the records wrap
// around what they print.
#ifndef VL9738K_RF_SETTINGS_SETTINGS_PRINT_SINK_H
#define VL9738K_RF_SETTINGS_SETTINGS_PRINT_SINK_H

#include <stdarg.h>

namespace vl9738settings {

class SettingsPrintSink {
 public:
  SettingsPrintSink(const char* prefix, const char* suffix) : prefix_(prefix), suffix_(suffix) {}

  const char* prefix() const { return prefix_ != nullptr ? prefix_ : ""; }
  const char* suffix() const { return suffix_ != nullptr ? suffix_ : ""; }

  void print(const char* format, ...) __attribute__((format(printf, 2, 3))) {
    va_list arguments;
    va_start(arguments, format);
    vprint(format, arguments);
    va_end(arguments);
  }

 protected:
  ~SettingsPrintSink() = default;
  virtual void vprint(const char* format, va_list arguments) = 0;

 private:
  const char* prefix_;
  const char* suffix_;
};

}  // namespace vl9738settings

#endif
