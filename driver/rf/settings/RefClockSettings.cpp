#include "RefClockSettings.h"

#include "FieldBytes.h"

namespace vl9738settings {

static_assert(FieldBytes<RefClockSettings>::kSize == 26, "the reference-clock record has 26 field bytes");

namespace {

// The numbered lines after the source and output lines, in field order.
struct NumberedLine {
  const char* format;
  uint32_t (*field)(const RefClockSettings&);
};

constexpr NumberedLine kTailLines[] = {
    {"  onboardRefClkDac: %u", [](const RefClockSettings& s) -> uint32_t { return s.onboardRefClkDac; }},
    {"  referenceDivisor: %u", [](const RefClockSettings& s) -> uint32_t { return s.referenceDivisor; }},
    {"  frequencyInteger: %u", [](const RefClockSettings& s) -> uint32_t { return s.frequencyInteger; }},
    {"  chargePumpUpGain: %u", [](const RefClockSettings& s) -> uint32_t { return s.chargePumpUpGain; }},
    {"  chargePumpDnGain: %u", [](const RefClockSettings& s) -> uint32_t { return s.chargePumpDnGain; }},
    {"  offsetCurrent: %u", [](const RefClockSettings& s) -> uint32_t { return s.offsetCurrent; }},
    {"  offsetCurrentSinkEnable: %u", [](const RefClockSettings& s) -> uint32_t { return s.offsetCurrentSinkEnable; }},
    {"  offsetCurrentSourceEnable: %u",
     [](const RefClockSettings& s) -> uint32_t { return s.offsetCurrentSourceEnable; }},
    {"  hiKChargePumpMode: %u", [](const RefClockSettings& s) -> uint32_t { return s.hiKChargePumpMode; }},
    {"  lockDetectWindow: %u", [](const RefClockSettings& s) -> uint32_t { return s.lockDetectWindow; }},
    {"  cycleSlipPreventionEn: %u", [](const RefClockSettings& s) -> uint32_t { return s.cycleSlipPreventionEn; }},
    {"  seedMode: %u", [](const RefClockSettings& s) -> uint32_t { return s.seedMode; }},
    {"  bypassRefOutDivider: %u", [](const RefClockSettings& s) -> uint32_t { return s.bypassRefOutDivider; }},
};

void printRefClock(uint8_t refClock, SettingsPrintSink& sink) {
  switch (refClock) {
    case 0:
      return sink.print("  refClock: onboard");
    case 1:
      return sink.print("  refClock: pxieClk100");
    case 2:
      return sink.print("  refClock: refIn");
    default:
      return sink.print("  refClock: %u (unknown)", refClock);
  }
}

void printRefOut(uint8_t refOut, SettingsPrintSink& sink) {
  switch (refOut) {
    case 0:
      return sink.print("  refOut: disabled");
    case 1:
      return sink.print("  refOut: enabled");
    default:
      return sink.print("  refOut: %u (unknown)", refOut);
  }
}

}  // namespace

RefClockSettings::RefClockSettings(uint32_t fractional, uint32_t alternate, uint8_t source, uint8_t output,
                                   uint16_t dac, uint16_t divisor, uint16_t integer, uint8_t upGain, uint8_t dnGain,
                                   uint8_t offset, uint8_t sinkEnable, uint8_t sourceEnable, uint8_t hiK,
                                   uint8_t window, uint8_t cycleSlip, uint8_t seed, uint8_t bypass)
    : frequencyFractional(fractional),
      alternateFractional(alternate),
      refClock(source),
      refOut(output),
      onboardRefClkDac(dac),
      referenceDivisor(divisor),
      frequencyInteger(integer),
      chargePumpUpGain(upGain),
      chargePumpDnGain(dnGain),
      offsetCurrent(offset),
      offsetCurrentSinkEnable(sinkEnable),
      offsetCurrentSourceEnable(sourceEnable),
      hiKChargePumpMode(hiK),
      lockDetectWindow(window),
      cycleSlipPreventionEn(cycleSlip),
      seedMode(seed),
      bypassRefOutDivider(bypass) {}

bool RefClockSettings::operator==(const RefClockSettings& other) const {
  return FieldBytes<RefClockSettings>(*this) == FieldBytes<RefClockSettings>(other);
}

void printRefClockSettings(const RefClockSettings& settings, SettingsPrintSink& sink) {
  sink.print("%s{", sink.prefix());
  sink.print("  frequencyFractional: %u", settings.frequencyFractional);
  sink.print("  alternateFractional: %u", settings.alternateFractional);
  printRefClock(settings.refClock, sink);
  printRefOut(settings.refOut, sink);
  for (const NumberedLine& line : kTailLines) sink.print(line.format, line.field(settings));
  sink.print("}%s", sink.suffix());
}

}  // namespace vl9738settings
