#include "SettingsWire.h"

namespace vl9738settings {

using nVLAPALS100::tStatus;

namespace {

class FieldReader {
 public:
  FieldReader(tDataReader& reader, tStatus& status) : reader_(reader), status_(status) {}

  template <typename T>
  void value(T& field) {
    if (status_.isFatal()) return;
    if constexpr (sizeof(T) == 1) field = reader_.readU8(status_);
    if constexpr (sizeof(T) == 2) field = reader_.readU16(status_);
    if constexpr (sizeof(T) == 4) field = reader_.readU32(status_);
    if constexpr (sizeof(T) == 8) field = reader_.readU64(status_);
  }
  void times(SettlingTimes& table) {
    if (status_.isNotFatal()) readSettlingTimes(table, reader_, status_);
  }
  void suggest(uint8_t& flag) {
    uint8_t read = 0;
    value(read);
    flag = read;
  }

 private:
  tDataReader& reader_;
  tStatus& status_;
};

class FieldWriter {
 public:
  FieldWriter(tDataWriter& writer, tStatus& status) : writer_(writer), status_(status) {}

  template <typename T>
  void value(const T& field) {
    if constexpr (sizeof(T) == 1) writer_.writeU8(field, status_);
    if constexpr (sizeof(T) == 2) writer_.writeU16(field, status_);
    if constexpr (sizeof(T) == 4) writer_.writeU32(field, status_);
    if constexpr (sizeof(T) == 8) writer_.writeU64(field, status_);
  }
  void times(const SettlingTimes& table) { writeSettlingTimes(table, writer_, status_); }
  void suggest(const uint8_t& flag) { value(flag); }

 private:
  tDataWriter& writer_;
  tStatus& status_;
};

template <typename tRecord>
void readRecord(tRecord& record, tDataReader& reader, tStatus& status) {
  FieldReader fields(reader, status);
  tRecord::visitFields(record, fields);
}

template <typename tRecord>
void writeRecord(const tRecord& record, tDataWriter& writer, tStatus& status) {
  FieldWriter fields(writer, status);
  tRecord::visitFields(record, fields);
}

}  // namespace

void readU32(uint32_t& value, tDataReader& reader, tStatus& status) {
  if (status.isFatal()) return;
  value = reader.readU32(status);
}

void readSettlingTimes(SettlingTimes& times, tDataReader& reader, tStatus& status) {
  for (uint32_t i = 0; i < SettlingTimes::kCount && status.isNotFatal(); ++i) times.time[i] = reader.readU32(status);
}

void readFrequencySettings(FrequencySettings& settings, tDataReader& reader, tStatus& status) {
  settings.settlingTimes0 = SettlingTimes();
  settings.settlingTimes1 = SettlingTimes();
  readRecord(settings, reader, status);
}

void readPowerSettings(PowerSettings& settings, tDataReader& reader, tStatus& status) {
  readRecord(settings, reader, status);
}

void readCrossSwitchSettings(CrossSwitchSettings& settings, tDataReader& reader, tStatus& status) {
  readRecord(settings, reader, status);
}

void readRefClockSettings(RefClockSettings& settings, tDataReader& reader, tStatus& status) {
  readRecord(settings, reader, status);
}

void readResultRecord(RefClockLockReport& record, tDataReader& reader, tStatus& status) {
  FieldReader fields(reader, status);
  fields.value(record.checkFailed);
  fields.value(record.errorInfo0);
  fields.value(record.errorInfo1);
}

void writeU32(uint32_t value, tDataWriter& writer, tStatus& status) { writer.writeU32(value, status); }

void writeSettlingTimes(const SettlingTimes& times, tDataWriter& writer, tStatus& status) {
  for (uint32_t i = 0; i < SettlingTimes::kCount; ++i) writer.writeU32(times.time[i], status);
}

void writeFrequencySettings(const FrequencySettings& settings, tDataWriter& writer, tStatus& status) {
  writeRecord(settings, writer, status);
}

void writePowerSettings(const PowerSettings& settings, tDataWriter& writer, tStatus& status) {
  writeRecord(settings, writer, status);
}

void writeCrossSwitchSettings(const CrossSwitchSettings& settings, tDataWriter& writer, tStatus& status) {
  writeRecord(settings, writer, status);
}

void writeRefClockSettings(const RefClockSettings& settings, tDataWriter& writer, tStatus& status) {
  writeRecord(settings, writer, status);
}

void writeResultRecord(const RefClockLockReport& record, tDataWriter& writer, tStatus& status) {
  writer.writeU8(record.checkFailed, status);
  if (status.isFatal()) return;
  writer.writeU64(record.errorInfo0, status);
  if (status.isFatal()) return;
  writer.writeU64(record.errorInfo1, status);
}

}  // namespace vl9738settings
