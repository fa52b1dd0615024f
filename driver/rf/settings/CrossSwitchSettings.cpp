#include "CrossSwitchSettings.h"

#include "FieldBytes.h"

namespace vl9738settings {

static_assert(FieldBytes<CrossSwitchSettings>::kSize == 10, "the cross-switch record has 10 field bytes");

bool CrossSwitchSettings::operator==(const CrossSwitchSettings& other) const {
  return FieldBytes<CrossSwitchSettings>(*this) == FieldBytes<CrossSwitchSettings>(other);
}

void printCrossSwitchSettings(const CrossSwitchSettings& settings, SettingsPrintSink& sink) {
  sink.print("%s(Suggest:%d, Cross switch mode:%d)%s", sink.prefix(), settings.suggest, settings.mode, sink.suffix());
}

}  // namespace vl9738settings
