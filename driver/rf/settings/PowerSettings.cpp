#include "PowerSettings.h"

#include "FieldBytes.h"

namespace vl9738settings {

static_assert(FieldBytes<PowerSettings>::kSize == 12, "the power record has 12 field bytes");

bool PowerSettings::operator==(const PowerSettings& other) const {
  return FieldBytes<PowerSettings>(*this) == FieldBytes<PowerSettings>(other);
}

void printPowerSettings(const PowerSettings& settings, SettingsPrintSink& sink) {
  sink.print("%s(Suggest:%d, ncoAmplitude:%d, attenuator_FxP:%d)%s", sink.prefix(), settings.suggest,
             settings.ncoAmplitude, settings.attenuator_FxP, sink.suffix());
}

}  // namespace vl9738settings
