#include "export/csv_writer.h"

#include "values/units.h"
#include "values/value_text.h"
#include "export/uddf_writer.h"

namespace orv {

namespace {

std::string Join(const std::vector<std::string>& fields) {
  std::string line;
  for (size_t i = 0; i < fields.size(); ++i) line += (i ? "," : "") + CsvField(fields[i]);
  return line + "\r\n";
}

std::string Depth(double metres) { return FixedText(DisplayUnits::DepthValue(metres), 2); }

std::string Temperature(double celsius) {
  return FixedText(DisplayUnits::Imperial() ? celsius * 9 / 5 + 32 : celsius, 1);
}

std::string Pressure(double bar) { return FixedText(DisplayUnits::Imperial() ? bar * kPsiPerBar : bar, 1); }

// A condition without a word stays empty rather than "N/A", so a
// spreadsheet counts it as missing.
std::string Condition(ConditionScale scale, ConditionCode code) {
  return ConditionKey(scale, code) == "N/A" ? std::string() : ConditionWord(scale, code);
}

std::vector<std::string> Row(const ExportDive& d) {
  const CivilTime t = BreakDownUtc(d.LocalStart());
  const bool tank = d.has_cylinder;
  return {d.id,
          PaddedInt(t.year, 4) + "-" + PaddedInt(t.month, 2) + "-" + PaddedInt(t.day, 2),
          PaddedInt(t.hour, 2) + ":" + PaddedInt(t.minute, 2),
          DiveTypeWord(d.type),
          Depth(d.max_depth),
          Depth(d.average_depth),
          std::to_string(d.duration),
          d.has_water_temperature ? Temperature(d.water_temperature) : "",
          tank ? Pressure(d.start_pressure) : "",
          tank ? Pressure(d.end_pressure) : "",
          tank && d.cylinder_volume > 0 ? std::to_string(d.cylinder_volume) : "",
          d.oxygen_percent > 0 ? std::to_string(d.oxygen_percent) : "",
          d.has_site ? XmlSafeText(d.site_name) : "",
          d.has_site ? FixedText(d.site.latitude, 6) : "",
          d.has_site ? FixedText(d.site.longitude, 6) : "",
          Condition(ConditionScale::Weather, d.weather),
          Condition(ConditionScale::Waves, d.wave),
          Condition(ConditionScale::Current, d.current),
          Condition(ConditionScale::Visibility, d.visibility)};
}

}  // namespace

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

std::vector<std::string> CsvHeader() {
  const bool imperial = DisplayUnits::Imperial();
  const std::string depth = imperial ? "_ft" : "_m";
  const std::string temperature = imperial ? "_f" : "_c";
  const std::string pressure = imperial ? "_psi" : "_bar";
  return {"id",
          "date",
          "time",
          "type",
          "max_depth" + depth,
          "average_depth" + depth,
          "duration_s",
          "water_temperature" + temperature,
          "start_pressure" + pressure,
          "end_pressure" + pressure,
          imperial ? "cylinder_volume_cuft" : "cylinder_volume_l",
          "oxygen_percent",
          "site_name",
          "latitude",
          "longitude",
          "weather",
          "waves",
          "current",
          "visibility"};
}

std::string CsvText(const std::vector<ExportDive>& dives) {
  std::string text = Join(CsvHeader());
  for (const ExportDive& d : dives) text += Join(Row(d));
  return text;
}

}  // namespace orv
