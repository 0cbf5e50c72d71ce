#include "export/uddf_writer.h"

#include <algorithm>
#include <map>

#include "app/message_keys.h"
#include "app/string_table.h"
#include "values/civil_date.h"
#include "values/units.h"
#include "values/value_text.h"

namespace orv {

namespace {

constexpr double kKelvin = 273.15;
constexpr double kPascalPerBar = 100000.0;
constexpr double kCubicMetresPerCubicFoot = 0.028316846592;
constexpr double kPsiPerAtmosphere = 14.6959488;
constexpr double kRatedPsi = 3000.0;

std::string NcName(const char* prefix, const std::string& id) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out = prefix;
  for (unsigned char c : id) {
    const bool plain =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.';
    if (plain) {
      out += static_cast<char>(c);
    } else {
      out += '_';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

// Writes XML the way the file has always been laid out: one element per
// line, four spaces per level, a text element on one line, an element
// without content closed in its tag.
class Xml {
 public:
  Xml(std::string& out, int depth) : out_(out), depth_(depth) {}
  void Open(const char* name, const char* attribute = nullptr, std::string_view value = {}) {
    Tag(name, attribute, value);
    out_ += '>';
    ++depth_;
  }
  void Close(const char* name) {
    --depth_;
    Line();
    out_ += "</";
    out_ += name;
    out_ += '>';
  }
  void Empty(const char* name, const char* attribute, std::string_view value) {
    Tag(name, attribute, value);
    out_ += "/>";
  }
  // `text` as it stands: numbers and words made here.
  void Plain(const char* name, std::string_view text) {
    Line();
    out_ += '<';
    out_ += name;
    out_ += '>';
    Escaped(text, false);
    out_ += "</";
    out_ += name;
    out_ += '>';
  }
  // Text from the record or the diver: made safe for XML first.
  void Text(const char* name, const std::string& text) { Plain(name, XmlSafeText(text)); }

 private:
  void Line() {
    out_ += '\n';
    out_.append(static_cast<size_t>(depth_) * 4, ' ');
  }
  void Tag(const char* name, const char* attribute, std::string_view value) {
    Line();
    out_ += '<';
    out_ += name;
    if (attribute) {
      out_ += ' ';
      out_ += attribute;
      out_ += "=\"";
      Escaped(value, true);
      out_ += '"';
    }
  }
  void Escaped(std::string_view text, bool attribute) {
    for (char c : text) switch (c) {
        case '&':
          out_ += "&amp;";
          break;
        case '<':
          out_ += "&lt;";
          break;
        case '>':
          out_ += "&gt;";
          break;
        case '"':
          out_ += attribute ? "&quot;" : "\"";
          break;
        case '\'':
          out_ += attribute ? "&apos;" : "'";
          break;
        default:
          out_ += c;
      }
  }
  std::string& out_;
  int depth_;
};

std::string MixId(int32_t percent) { return "mix_o2_" + std::to_string(percent); }

std::string IsoLocal(int64_t local_seconds) {
  const CivilTime t = BreakDownUtc(local_seconds);
  return PaddedInt(t.year, 4) + "-" + PaddedInt(t.month, 2) + "-" + PaddedInt(t.day, 2) + "T" + PaddedInt(t.hour, 2) +
         ":" + PaddedInt(t.minute, 2) + ":" + PaddedInt(t.second, 2);
}

double CylinderCubicMetres(int32_t volume) {
  if (!DisplayUnits::Imperial()) return volume / 1000.0;
  return volume * kCubicMetresPerCubicFoot * kPsiPerAtmosphere / kRatedPsi;
}

// The alarm word of an event the chart marks, or null for events UDDF has
// no word for.
const char* AlarmWord(const ExportEvent& e) {
  if (e.code == kEventAscentAlarm) return "ascent";
  if (e.code == kEventDecoNeeded && e.value == 0) return "deco";
  return nullptr;
}

std::string Position(GeoPoint p) { return FixedText(p.latitude, 6) + ", " + FixedText(p.longitude, 6); }

bool IsPosition(GeoPoint p) { return p.latitude != 0.0 || p.longitude != 0.0; }

// What the record holds that UDDF has no element for, one line each.
std::vector<std::string> NoteLines(const ExportDive& d) {
  std::vector<std::string> lines;
  if (d.type == DiveType::Gauge) lines.push_back(DiveTypeWord(d.type));
  auto condition = [&](const std::string& label, ConditionScale scale, ConditionCode code) {
    if (ConditionKey(scale, code) != "N/A") lines.push_back(Tr(label) + ": " + ConditionWord(scale, code));
  };
  condition(KeyOf(Msg::ExportWeather), ConditionScale::Weather, d.weather);
  condition(KeyOf(Msg::ExportWaves), ConditionScale::Waves, d.wave);
  condition(KeyOf(Msg::ExportCurrent), ConditionScale::Current, d.current);
  condition(KeyOf(Msg::ExportVisibility), ConditionScale::Visibility, d.visibility);
  if (d.suit_thickness > 0) lines.push_back(Tr(KeyOf(Msg::ExportSuit)) + ": " + FixedText(d.suit_thickness, 0) + " mm");
  if (d.weight > 0) lines.push_back(Tr(KeyOf(Msg::ExportWeight)) + ": " + FixedText(d.weight, 1) + " kg");
  if (IsPosition(d.entry)) lines.push_back(Tr(KeyOf(Msg::ExportEntry)) + ": " + Position(d.entry));
  if (IsPosition(d.exit)) lines.push_back(Tr(KeyOf(Msg::ExportExit)) + ": " + Position(d.exit));
  for (const ExportEvent& e : d.events)
    if (e.code == kEventDepthAlarm)
      lines.push_back(Tr(KeyOf(Msg::ExportDepthAlarm)) + ": " + DurationText(e.time) + ", " + std::to_string(e.value) +
                      " m");
  return lines;
}

// A visibility word as a distance in metres, so logs that only know a
// number still sort and filter by it; the word itself goes into the notes.
const char* VisibilityMetres(ConditionCode code) {
  switch (code) {
    case 1:
      return "20";
    case 2:
      return "10";
    case 3:
      return "3";
    default:
      return nullptr;
  }
}

void AddSamples(Xml& xml, const ExportDive& d) {
  if (d.samples.empty()) return;
  xml.Open("samples");
  size_t next_event = 0;
  std::vector<ExportEvent> alarms;
  for (const ExportEvent& e : d.events)
    if (AlarmWord(e)) alarms.push_back(e);
  for (size_t i = 0; i < d.samples.size(); ++i) {
    const ExportSample& s = d.samples[i];
    // The schema fixes the order of a waypoint's children: alarms, depth,
    // time, gas switch, temperature, mode.
    xml.Open("waypoint");
    // An alarm goes to the first sample at or after its time; the last
    // sample takes those raised after the profile ends.
    const bool last = i + 1 == d.samples.size();
    for (; next_event < alarms.size() && (alarms[next_event].time <= s.time || last); ++next_event)
      xml.Plain("alarm", AlarmWord(alarms[next_event]));
    xml.Plain("depth", FixedText(s.depth, 2));
    xml.Plain("divetime", std::to_string(s.time));
    if (i == 0 && d.oxygen_percent > 0) xml.Empty("switchmix", "ref", MixId(d.oxygen_percent));
    if (s.has_temperature) xml.Plain("temperature", FixedText(s.temperature + kKelvin, 2));
    if (i == 0) xml.Empty("divemode", "type", d.type == DiveType::Free ? "apnoe" : "opencircuit");
    xml.Close("waypoint");
  }
  xml.Close("samples");
}

// One dive's element, at its depth in the file (uddf, profiledata,
// repetition group).
std::string DiveElement(const ExportDive& d) {
  std::string out;
  out.reserve(256 + d.samples.size() * 110);
  Xml xml(out, 3);
  xml.Open("dive", "id", UddfDiveId(d.id));
  xml.Open("informationbeforedive");
  if (d.has_site) xml.Empty("link", "ref", UddfSiteId(d.site_id));
  xml.Plain("datetime", IsoLocal(d.LocalStart()));
  if (d.has_air_temperature) xml.Plain("airtemperature", FixedText(d.air_temperature + kKelvin, 2));
  xml.Close("informationbeforedive");

  AddSamples(xml, d);  // before the tank: the schema's order
  if (d.has_cylinder) {
    xml.Open("tankdata");
    if (d.oxygen_percent > 0) xml.Empty("link", "ref", MixId(d.oxygen_percent));
    if (d.cylinder_volume > 0) xml.Plain("tankvolume", FixedText(CylinderCubicMetres(d.cylinder_volume), 6));
    xml.Plain("tankpressurebegin", FixedText(d.start_pressure * kPascalPerBar, 0));
    xml.Plain("tankpressureend", FixedText(d.end_pressure * kPascalPerBar, 0));
    xml.Close("tankdata");
  }

  xml.Open("informationafterdive");
  xml.Plain("greatestdepth", FixedText(d.max_depth, 2));
  xml.Plain("averagedepth", FixedText(d.average_depth, 2));
  xml.Plain("diveduration", std::to_string(d.duration));
  if (d.has_water_temperature) xml.Plain("lowesttemperature", FixedText(d.water_temperature + kKelvin, 2));
  if (const char* metres = VisibilityMetres(d.visibility)) xml.Plain("visibility", metres);
  const std::vector<std::string> lines = NoteLines(d);
  if (!lines.empty()) {
    xml.Open("notes");
    for (const std::string& line : lines) xml.Text("para", line);
    xml.Close("notes");
  }
  xml.Close("informationafterdive");
  xml.Close("dive");
  return out;
}

std::string DayId(int64_t local_day) { return "day_" + IsoLocal(local_day * 86400).substr(0, 10); }

}  // namespace

std::string UddfDiveId(const std::string& id) { return NcName("dive_", id); }
std::string UddfSiteId(const std::string& id) { return NcName("site_", id); }

std::string XmlSafeText(const std::string& text) {
  std::u16string kept;
  for (char16_t c : Utf8ToUtf16(text))
    if (c >= 0x20 || c == '\t' || c == '\n') kept += c;
  return Utf16ToUtf8(kept);
}

bool UddfStream::Add(const ExportDive& d) {
  if (d.has_site) {
    auto it = sites_.find(d.site_id);
    if (it == sites_.end() || d.LocalStart() < it->second.start)
      sites_[d.site_id] = Site{d.LocalStart(), d.site_name, d.site};
  }
  if (d.oxygen_percent > 0) mixes_.insert(d.oxygen_percent);
  return spool_.Add(d.LocalStart(), DiveElement(d));
}

bool UddfStream::Finish(const UddfHeader& header, const ExportSink& out) {
  std::string head =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<uddf xmlns=\"http://www.streit.cc/uddf/3.2/\" "
      "version=\"3.2.0\">";
  Xml xml(head, 1);
  xml.Open("generator");
  xml.Text("name", "ORVELLE PC TOOL");
  xml.Text("type", "logbook");
  xml.Open("manufacturer", "id", "orvelle_tessaro");
  xml.Text("name", "ORVELLE TESSARO");
  xml.Close("manufacturer");
  xml.Text("version", header.version);
  xml.Text("datetime", header.written_at);
  xml.Close("generator");

  xml.Open("diver");
  xml.Open("owner", "id", "owner");
  // The schema wants both names; the account holds one display name, whose
  // last word is taken as the family name.
  xml.Open("personal");
  const size_t space = header.diver_name.find_last_of(' ');
  xml.Text("firstname", space == std::string::npos ? header.diver_name : header.diver_name.substr(0, space));
  xml.Text("lastname", space == std::string::npos ? std::string() : header.diver_name.substr(space + 1));
  xml.Close("personal");
  if (!header.diver_email.empty()) {
    xml.Open("contact");
    xml.Text("email", header.diver_email);
    xml.Close("contact");
  }
  xml.Close("owner");
  xml.Close("diver");

  if (!sites_.empty()) {
    xml.Open("divesite");
    for (const auto& [id, site] : sites_) {
      xml.Open("site", "id", UddfSiteId(id));
      xml.Text("name", site.name);
      xml.Open("geography");
      xml.Text("location", site.name);  // required: the name is all the record says of the place
      xml.Plain("latitude", FixedText(site.where.latitude, 6));
      xml.Plain("longitude", FixedText(site.where.longitude, 6));
      xml.Close("geography");
      xml.Close("site");
    }
    xml.Close("divesite");
  }
  if (!mixes_.empty()) {
    xml.Open("gasdefinitions");
    for (int32_t percent : mixes_) {
      xml.Open("mix", "id", MixId(percent));
      xml.Text("name", percent == 21 ? std::string("Air") : "EAN" + std::to_string(percent));
      xml.Plain("o2", FixedText(percent / 100.0, 2));
      xml.Plain("n2", FixedText((100 - percent) / 100.0, 2));
      xml.Plain("he", "0.00");
      xml.Close("mix");
    }
    xml.Close("gasdefinitions");
  }
  if (spool_.size() == 0) {
    xml.Empty("profiledata", nullptr, {});
    return out(head) && out("\n</uddf>\n");
  }
  xml.Open("profiledata");
  if (!out(head)) return false;

  // Each day's group once, whatever order the dives came in: an id given
  // twice would make the file invalid.
  bool open = false;
  int64_t group_day = 0;
  std::string tags;
  const bool written = spool_.ForEach([&](int64_t start, std::string_view dive) {
    const int64_t day = FloorDiv(start, 86400);
    tags.clear();
    const bool new_day = !open || day != group_day;
    Xml group(tags, open && new_day ? 3 : 2);
    if (open && new_day) group.Close("repetitiongroup");
    if (new_day) group.Open("repetitiongroup", "id", DayId(day));
    open = true;
    group_day = day;
    return out(tags) && out(dive);
  });
  if (!written) return false;
  std::string tail;
  Xml end(tail, 3);
  end.Close("repetitiongroup");
  end.Close("profiledata");
  return out(tail) && out("\n</uddf>\n");
}

}  // namespace orv
