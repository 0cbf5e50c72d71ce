// Markers and the profile chart sent to the map pages.
#include "divelog/dive_map_draw.h"

#include <json/writer.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

#include "logbook/json_log.h"
#include "logbook/simd_log.h"
#include "values/units.h"
#include "values/value_text.h"

namespace orv {

namespace {

std::string Coord(double degrees) { return FixedText(degrees, 6); }

// Entry and exit markers from coordinates cut to whole millionths of a
// degree; a position at exactly 0, 0 counts as none. Centres the map on the
// mean of the markers drawn and returns how many there were.
int PlaceEntryExit(const MapHost& host, GeoPoint entry, GeoPoint exit) {
  double sum_lat = 0, sum_lng = 0;
  int count = 0;
  auto place = [&](GeoPoint p, const char* function) {
    const int32_t lat = TruncateToInt32(p.latitude * 1000000);
    const int32_t lng = TruncateToInt32(p.longitude * 1000000);
    if (lat == 0 && lng == 0) return;
    CallPageFunction(host, function, {Coord(lat / 1000000.0), Coord(lng / 1000000.0)});
    sum_lat += lat / 1000000.0;
    sum_lng += lng / 1000000.0;
    ++count;
  };
  place(entry, "setSMarker");
  place(exit, "setEMarker");
  if (count > 0) CallPageFunction(host, "setCenter", {Coord(sum_lat / count), Coord(sum_lng / count)});
  return count;
}

bool IsZeroPosition(double latitude, double longitude) {
  return TruncateToInt32(latitude * 1000000) == 0 && TruncateToInt32(longitude * 1000000) == 0;
}

struct ChartEvent {
  int32_t code = 0, value = 0, time = 0;
};

const char* SymbolOf(int32_t code) {
  switch (code) {
    case 100:
      return "url(../../images/scuba_in.png)";
    case 101:
      return "url(../../images/scuba_out.png)";
    case 200:
      return "url(../../images/gauge_in.png)";
    case 201:
      return "url(../../images/gauge_out.png)";
    case 300:
      return "url(../../images/freedive_in.png)";
    case 301:
      return "url(../../images/freedive_out.png)";
    case kEventDecoNeeded:
      return "url(../../images/need_deco.png)";
    case kEventDepthAlarm:
      return "url(../../images/depth_alarm.png)";
    case kEventAscentAlarm:
      return "url(../../images/ascent_alarm.png)";
    default:
      return nullptr;
  }
}

// The logged events the chart marks: deco needed (code 1, value 0), depth
// alarms (18) and ascent alarms (3), in list order.
template <class Log>
std::vector<ChartEvent> MarkedEvents(const Log& log) {
  std::vector<ChartEvent> events;
  log.ForEachValue("events", [&](const Log& e) {
    const ChartEvent ev{e.Int("event_code"), e.Int("event_value"), e.Int("event_time")};
    if (IsMarkedEvent(ev.code, ev.value)) events.push_back(ev);
  });
  return events;
}

std::string StyledJson(const Json::Value& value) {
  Json::StreamWriterBuilder builder;
  builder["indentation"] = "   ";
  builder["emitUTF8"] = true;
  return Json::writeString(builder, value);
}

template <class Log>
void PlaceMarkers(const MapHost& host, const Log& log) {
  CallPageFunction(host, "clrMarker");
  if (PlaceEntryExit(host, log.Point("entry_position"), log.Point("exit_position")) > 0) return;
  if (!log.PoiPresent()) return;
  const GeoPoint site = log.PoiPoint();
  if (IsZeroPosition(site.latitude, site.longitude)) return;
  CallPageFunction(host, "setPMarker", {Coord(site.latitude), Coord(site.longitude)});
  CallPageFunction(host, "setCenter", {Coord(site.latitude), Coord(site.longitude)});
}

template <class Log>
std::vector<ChartPoint> ChartPoints(const Log& log) {
  const bool imperial = DisplayUnits::Imperial();
  const int32_t water = log.Int("water_type");
  const float surface = log.Decimal("altitude");  // DepthFromPressure puts a missing one at sea level
  float max_depth = log.Decimal("max_depth");
  // Single precision throughout, as the chart has always been drawn.
  constexpr auto kFeetPerMetreF = static_cast<float>(kFeetPerMetre);
  if (imperial) max_depth *= kFeetPerMetreF;

  // The dive's start symbol goes on the second sample, its end symbol on the
  // second-to-last (the end wins where the two meet).
  const DiveType type = DecodeDiveType(log.Text("dive_type"));
  const int32_t base = type == DiveType::Gauge ? 200 : type == DiveType::Free ? 300 : 100;
  // Each sample's time and pressure read once, in one walk over the list.
  struct Sample {
    int32_t time;
    float pressure;
  };
  std::vector<Sample> samples;
  samples.reserve(log.Count("dive_profiles"));
  log.ForEachValue("dive_profiles", [&](const Log& s) {
    samples.push_back({s.Int("profile_time"), s.Decimal("pressure")});
  });
  const size_t n = samples.size();
  auto type_symbol = [&](size_t i) -> const char* {
    if (n >= 3 && i == n - 2) return SymbolOf(base + 1);
    if (n >= 2 && i == 1) return SymbolOf(base);
    return nullptr;
  };

  // Logged events meet the samples in one walk over both, in time order. An
  // event belongs to the last sample at or before its time: the device logs
  // alarms between samples, and marking only exact times would lose nearly
  // all of them. A symbol at the sample's very time (the dive's own, or an
  // event logged there) wins over events after it; among equals the later
  // listed wins.
  std::vector<ChartEvent> events = MarkedEvents(log);
  auto by_time = [](const ChartEvent& a, const ChartEvent& b) { return a.time < b.time; };
  if (!std::is_sorted(events.begin(), events.end(), by_time)) std::stable_sort(events.begin(), events.end(), by_time);
  size_t next = 0;

  std::vector<ChartPoint> chart(n);
  int64_t next_time = n > 0 ? samples[0].time : 0;
  for (size_t i = 0; i < n; ++i) {
    const int32_t time = static_cast<int32_t>(next_time);
    next_time = i + 1 < n ? samples[i + 1].time : std::numeric_limits<int64_t>::max();
    float depth = DepthFromPressure(surface, samples[i].pressure, water);
    if (imperial) depth *= kFeetPerMetreF;
    const char* exact = type_symbol(i);
    const char* between = nullptr;
    for (; next < events.size() && (events[next].time < next_time || events[next].time < time); ++next) {
      const ChartEvent& e = events[next];
      if (e.time == time)
        exact = SymbolOf(e.code);
      else if (e.time > time)
        between = SymbolOf(e.code);
    }
    chart[i] = {time, std::min(depth, max_depth), exact ? exact : between};
  }
  return chart;
}

template <class Log>
void SendChart(const MapHost& host, const Log& log) {
  CallPageFunction(host, "setDiveChart",
                   {DisplayUnits::Imperial() ? "1" : "0", DiveChartText(ChartShape(ChartPoints(log)))});
}

template <class Log>
void Show(const MapHost& host, const Log& log, const Json::Value& values) {
  CallPageFunction(host, "setDiveValue", {StyledJson(values)});
  PlaceMarkers(host, log);
  SendChart(host, log);
}

}  // namespace

void PlaceDiveMarkers(const MapHost& host, const DiveLog& log) { PlaceMarkers(host, JsonLog(log)); }

void PlaceEditMarkers(const MapHost& host, const LogEditRecord& r) {
  if (PlaceEntryExit(host, {r.entry_latitude, r.entry_longitude}, {r.exit_latitude, r.exit_longitude}) > 0) return;
  if (IsZeroPosition(r.site_latitude, r.site_longitude)) return;
  CallPageFunction(host, "setSMarker", {Coord(r.site_latitude), Coord(r.site_longitude)});
  CallPageFunction(host, "setCenter", {Coord(r.site_latitude), Coord(r.site_longitude)});
}

std::vector<ChartPoint> DiveChartPoints(const DiveLog& log) { return ChartPoints(JsonLog(log)); }

std::vector<ChartPoint> DiveChartPoints(const SimdLog& log) { return ChartPoints(log); }

std::string DiveChartText(const std::vector<ChartPoint>& points) {
  // Written straight into one text, a column per value: a JSON tree of a
  // long dive and its writer cost more than drawing it, and the page takes
  // two flat lists of numbers faster than one small list per sample.
  std::string text;
  text.reserve(points.size() * 14 + 64);
  char number[32];
  auto column = [&](const char* head, auto value_of) {
    text += head;
    for (size_t i = 0; i < points.size(); ++i) {
      if (i > 0) text += ',';
      text.append(number, std::to_chars(number, number + sizeof number, value_of(points[i])).ptr);
    }
    text += ']';
  };
  column(R"({"time":[)", [](const ChartPoint& p) { return p.time; });
  // A float's shortest form: the page reads the very value the unit gave.
  column(R"(,"depth":[)", [](const ChartPoint& p) { return std::isfinite(p.depth) ? p.depth : 0.0f; });
  text += R"(,"symbols":[)";
  bool first = true;
  for (size_t i = 0; i < points.size(); ++i) {
    if (!points[i].symbol) continue;
    text += first ? "[" : ",[";
    text.append(number, std::to_chars(number, number + sizeof number, i).ptr);
    text += ",\"";
    text += points[i].symbol;  // one of SymbolOf's texts: nothing to escape
    text += "\"]";
    first = false;
  }
  text += "]}";
  return text;
}

void SendDiveChart(const MapHost& host, const DiveLog& log) { SendChart(host, JsonLog(log)); }

std::vector<ChartPoint> ChartShape(std::vector<ChartPoint> points, size_t slices) {
  const size_t n = points.size();
  if (slices == 0 || n <= 4 * slices) return points;
  // A 10,000-sample dive is 30 samples a pixel of a 350-pixel chart; each
  // one sent is parsed, stored and walked by the page for nothing.
  const auto [earliest, latest] = std::minmax_element(
      points.begin(), points.end(), [](const ChartPoint& a, const ChartPoint& b) { return a.time < b.time; });
  const int64_t first = earliest->time;
  const int64_t span = int64_t{latest->time} - first + 1;
  auto slice_of = [&](const ChartPoint& p) {
    const int64_t at = std::clamp<int64_t>(int64_t{p.time} - first, 0, span - 1);
    return at * static_cast<int64_t>(slices) / span;
  };
  std::vector<ChartPoint> shape;
  shape.reserve(4 * slices + 16);
  std::vector<size_t> kept;
  // Slices are runs of neighbouring points: a clock that steps back starts
  // a run of its own rather than merging with a distant one.
  for (size_t begin = 0; begin < n;) {
    const int64_t slice = slice_of(points[begin]);
    size_t end = begin, low = begin, high = begin;
    kept.clear();
    for (; end < n && slice_of(points[end]) == slice; ++end) {
      if (points[end].depth < points[low].depth) low = end;
      if (points[end].depth > points[high].depth) high = end;
      if (points[end].symbol) kept.push_back(end);
    }
    kept.insert(kept.end(), {begin, low, high, end - 1});
    std::sort(kept.begin(), kept.end());
    kept.erase(std::unique(kept.begin(), kept.end()), kept.end());
    for (size_t i : kept) shape.push_back(points[i]);
    begin = end;
  }
  return shape;
}

void ShowDetail(const MapHost& host, const DiveLog& log) { Show(host, JsonLog(log), DetailValues(log)); }

void ShowDetail(const MapHost& host, const SimdLog& log) { Show(host, log, DetailValues(log)); }

}  // namespace orv
