#include "export/uddf_writer.h"

#include <tinyxml2.h>

#include <algorithm>
#include <map>

#include "app/string_table.h"
#include "values/units.h"
#include "values/value_text.h"

namespace orv {

namespace {

using tinyxml2::XMLElement;

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

XMLElement* Add(XMLElement* parent, const char* name) { return parent->InsertNewChildElement(name); }

XMLElement* AddText(XMLElement* parent, const char* name, const std::string& text) {
  XMLElement* e = Add(parent, name);
  e->SetText(XmlSafeText(text).c_str());
  return e;
}

void AddLink(XMLElement* parent, const std::string& ref) { Add(parent, "link")->SetAttribute("ref", ref.c_str()); }

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
  auto condition = [&](const char* label, ConditionScale scale, ConditionCode code) {
    if (ConditionKey(scale, code) != "N/A") lines.push_back(Tr(label) + ": " + ConditionWord(scale, code));
  };
  condition("EXPORT_WEATHER", ConditionScale::Weather, d.weather);
  condition("EXPORT_WAVES", ConditionScale::Waves, d.wave);
  condition("EXPORT_CURRENT", ConditionScale::Current, d.current);
  condition("EXPORT_VISIBILITY", ConditionScale::Visibility, d.visibility);
  if (d.suit_thickness > 0) lines.push_back(Tr("EXPORT_SUIT") + ": " + FixedText(d.suit_thickness, 0) + " mm");
  if (d.weight > 0) lines.push_back(Tr("EXPORT_WEIGHT") + ": " + FixedText(d.weight, 1) + " kg");
  if (IsPosition(d.entry)) lines.push_back(Tr("EXPORT_ENTRY") + ": " + Position(d.entry));
  if (IsPosition(d.exit)) lines.push_back(Tr("EXPORT_EXIT") + ": " + Position(d.exit));
  for (const ExportEvent& e : d.events)
    if (e.code == kEventDepthAlarm)
      lines.push_back(Tr("EXPORT_DEPTH_ALARM") + ": " + DurationText(e.time) + ", " + std::to_string(e.value) + " m");
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

void AddSamples(XMLElement* dive, const ExportDive& d) {
  if (d.samples.empty()) return;
  XMLElement* samples = Add(dive, "samples");
  size_t next_event = 0;
  std::vector<ExportEvent> alarms;
  for (const ExportEvent& e : d.events)
    if (AlarmWord(e)) alarms.push_back(e);
  for (size_t i = 0; i < d.samples.size(); ++i) {
    const ExportSample& s = d.samples[i];
    // The schema fixes the order of a waypoint's children: alarms, depth,
    // time, gas switch, temperature, mode.
    XMLElement* wp = Add(samples, "waypoint");
    // An alarm goes to the first sample at or after its time; the last
    // sample takes those raised after the profile ends.
    const bool last = i + 1 == d.samples.size();
    for (; next_event < alarms.size() && (alarms[next_event].time <= s.time || last); ++next_event)
      AddText(wp, "alarm", AlarmWord(alarms[next_event]));
    AddText(wp, "depth", FixedText(s.depth, 2));
    AddText(wp, "divetime", std::to_string(s.time));
    if (i == 0 && d.oxygen_percent > 0) Add(wp, "switchmix")->SetAttribute("ref", MixId(d.oxygen_percent).c_str());
    if (s.has_temperature) AddText(wp, "temperature", FixedText(s.temperature + kKelvin, 2));
    if (i == 0) Add(wp, "divemode")->SetAttribute("type", d.type == DiveType::Free ? "apnoe" : "opencircuit");
  }
}

void AddDive(XMLElement* group, const ExportDive& d) {
  XMLElement* dive = Add(group, "dive");
  dive->SetAttribute("id", UddfDiveId(d.id).c_str());
  XMLElement* before = Add(dive, "informationbeforedive");
  if (d.has_site) AddLink(before, UddfSiteId(d.site_id));
  AddText(before, "datetime", IsoLocal(d.LocalStart()));
  if (d.has_air_temperature) AddText(before, "airtemperature", FixedText(d.air_temperature + kKelvin, 2));

  AddSamples(dive, d);  // before the tank: the schema's order
  if (d.has_cylinder) {
    XMLElement* tank = Add(dive, "tankdata");
    if (d.oxygen_percent > 0) AddLink(tank, MixId(d.oxygen_percent));
    if (d.cylinder_volume > 0) AddText(tank, "tankvolume", FixedText(CylinderCubicMetres(d.cylinder_volume), 6));
    AddText(tank, "tankpressurebegin", FixedText(d.start_pressure * kPascalPerBar, 0));
    AddText(tank, "tankpressureend", FixedText(d.end_pressure * kPascalPerBar, 0));
  }

  XMLElement* after = Add(dive, "informationafterdive");
  AddText(after, "greatestdepth", FixedText(d.max_depth, 2));
  AddText(after, "averagedepth", FixedText(d.average_depth, 2));
  AddText(after, "diveduration", std::to_string(d.duration));
  if (d.has_water_temperature) AddText(after, "lowesttemperature", FixedText(d.water_temperature + kKelvin, 2));
  if (const char* metres = VisibilityMetres(d.visibility)) AddText(after, "visibility", metres);
  const std::vector<std::string> lines = NoteLines(d);
  if (!lines.empty()) {
    XMLElement* notes = Add(after, "notes");
    for (const std::string& line : lines) AddText(notes, "para", line);
  }
}

void AddSites(XMLElement* root, const std::vector<ExportDive>& dives) {
  std::map<std::string, const ExportDive*> sites;  // the first dive naming a site describes it
  for (const ExportDive& d : dives)
    if (d.has_site) sites.emplace(d.site_id, &d);
  if (sites.empty()) return;
  XMLElement* section = Add(root, "divesite");
  for (const auto& [id, d] : sites) {
    XMLElement* site = Add(section, "site");
    site->SetAttribute("id", UddfSiteId(id).c_str());
    AddText(site, "name", d->site_name);
    XMLElement* geo = Add(site, "geography");
    AddText(geo, "location", d->site_name);  // required: the name is all the record says of the place
    AddText(geo, "latitude", FixedText(d->site.latitude, 6));
    AddText(geo, "longitude", FixedText(d->site.longitude, 6));
  }
}

void AddMixes(XMLElement* root, const std::vector<ExportDive>& dives) {
  std::map<int32_t, bool> percents;
  for (const ExportDive& d : dives)
    if (d.oxygen_percent > 0) percents[d.oxygen_percent] = true;
  if (percents.empty()) return;
  XMLElement* section = Add(root, "gasdefinitions");
  for (const auto& [percent, unused] : percents) {
    XMLElement* mix = Add(section, "mix");
    mix->SetAttribute("id", MixId(percent).c_str());
    AddText(mix, "name", percent == 21 ? std::string("Air") : "EAN" + std::to_string(percent));
    AddText(mix, "o2", FixedText(percent / 100.0, 2));
    AddText(mix, "n2", FixedText((100 - percent) / 100.0, 2));
    AddText(mix, "he", "0.00");
  }
}

}  // namespace

std::string UddfDiveId(const std::string& id) { return NcName("dive_", id); }
std::string UddfSiteId(const std::string& id) { return NcName("site_", id); }

std::string XmlSafeText(const std::string& text) {
  std::u16string kept;
  for (char16_t c : Utf8ToUtf16(text))
    if (c >= 0x20 || c == '\t' || c == '\n') kept += c;
  return Utf16ToUtf8(kept);
}

std::string UddfText(const std::vector<ExportDive>& dives, const UddfHeader& header) {
  tinyxml2::XMLDocument doc;
  doc.InsertEndChild(doc.NewDeclaration());
  XMLElement* root = doc.NewElement("uddf");
  doc.InsertEndChild(root);
  root->SetAttribute("xmlns", "http://www.streit.cc/uddf/3.2/");
  root->SetAttribute("version", "3.2.0");

  XMLElement* generator = Add(root, "generator");
  AddText(generator, "name", "ORVELLE PC TOOL");
  AddText(generator, "type", "logbook");
  XMLElement* maker = Add(generator, "manufacturer");
  maker->SetAttribute("id", "orvelle_tessaro");
  AddText(maker, "name", "ORVELLE TESSARO");
  AddText(generator, "version", header.version);
  AddText(generator, "datetime", header.written_at);

  XMLElement* owner = Add(Add(root, "diver"), "owner");
  owner->SetAttribute("id", "owner");
  // The schema wants both names; the account holds one display name, whose
  // last word is taken as the family name.
  XMLElement* personal = Add(owner, "personal");
  const size_t space = header.diver_name.find_last_of(' ');
  AddText(personal, "firstname", space == std::string::npos ? header.diver_name : header.diver_name.substr(0, space));
  AddText(personal, "lastname", space == std::string::npos ? std::string() : header.diver_name.substr(space + 1));
  if (!header.diver_email.empty()) AddText(Add(owner, "contact"), "email", header.diver_email);

  AddSites(root, dives);
  AddMixes(root, dives);

  // Each day's group once, whatever order the dives came in: an id given
  // twice would make the file invalid.
  std::vector<const ExportDive*> ordered;
  ordered.reserve(dives.size());
  for (const ExportDive& d : dives) ordered.push_back(&d);
  std::stable_sort(ordered.begin(), ordered.end(),
                   [](const ExportDive* a, const ExportDive* b) { return a->LocalStart() < b->LocalStart(); });
  XMLElement* profiles = Add(root, "profiledata");
  XMLElement* group = nullptr;
  int64_t group_day = 0;
  for (const ExportDive* dive : ordered) {
    const ExportDive& d = *dive;
    if (!group || d.LocalDay() != group_day) {
      group_day = d.LocalDay();
      group = Add(profiles, "repetitiongroup");
      group->SetAttribute("id", ("day_" + IsoLocal(group_day * 86400).substr(0, 10)).c_str());
    }
    AddDive(group, d);
  }

  tinyxml2::XMLPrinter printer;
  doc.Print(&printer);
  return std::string(printer.CStr(), printer.CStrSize() > 0 ? printer.CStrSize() - 1 : 0);
}

}  // namespace orv
