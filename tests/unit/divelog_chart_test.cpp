// Markers, profile chart and detail texts sent to the map pages, checked on
// the calls the headless engine records for a child view.
#include <gtest/gtest.h>

#include <json/reader.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "app/app_state.h"
#include "app/headless/headless_engine.h"
#include "divelog/dive_map_draw.h"

namespace orv {
namespace {

DiveLog Parse(const std::string& text) {
  DiveLog log;
  Json::CharReaderBuilder b;
  std::string errors;
  std::istringstream in(text);
  EXPECT_TRUE(Json::parseFromStream(b, in, &log, &errors)) << errors;
  return log;
}

using Calls = std::vector<std::pair<std::string, std::vector<std::string>>>;

class MapBridgeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_unit_ = State().unit;
    State().unit = 0;
    const std::string page = ::testing::TempDir() + "/divelog_map_host." + std::to_string(::getpid()) + ".htm";
    std::ofstream(page) << "<html><body><div id=\"ie\"></div></body></html>";
    ASSERT_TRUE(win.LoadFile(page));
    host.Create(win.FindById("ie"));
    host.Load("web_html/main.htm");
  }
  void TearDown() override { State().unit = saved_unit_; }
  Calls Recorded() {
    Calls out;
    for (const auto& c : win.ChildCalls()) {
      EXPECT_EQ(c.page, "web_html/main.htm");
      out.emplace_back(c.function, c.args);
    }
    win.ClearChildCalls();
    return out;
  }
  HeadlessWindow win;
  MapHost host;
  int32_t saved_unit_ = 0;
};

TEST_F(MapBridgeTest, DiveMarkersFromPositionsOrSite) {
  PlaceDiveMarkers(host, Parse(R"({"entry_position":{"latitude":25.0331234,"longitude":121.5654}})"));
  EXPECT_EQ(Recorded(), (Calls{{"clrMarker", {}},
                               {"setSMarker", {"25.033123", "121.565400"}},
                               {"setCenter", {"25.033123", "121.565400"}}}));

  PlaceDiveMarkers(host, Parse(R"({"entry_position":{"latitude":10.5,"longitude":20.25},
                                   "exit_position":{"latitude":10.7,"longitude":20.75},
                                   "poi":{"poi_id":"p1","gps_location":{"latitude":1,"longitude":2}}})"));
  EXPECT_EQ(Recorded(), (Calls{{"clrMarker", {}},
                               {"setSMarker", {"10.500000", "20.250000"}},
                               {"setEMarker", {"10.700000", "20.750000"}},
                               {"setCenter", {"10.600000", "20.500000"}}}));

  // Neither position: the catalogue site, as sent, unless it is absent or at 0, 0.
  PlaceDiveMarkers(host, Parse(R"({"poi":{"poi_id":"p1","gps_location":{"latitude":27.8136,"longitude":33.9211}}})"));
  EXPECT_EQ(Recorded(), (Calls{{"clrMarker", {}},
                               {"setPMarker", {"27.813600", "33.921100"}},
                               {"setCenter", {"27.813600", "33.921100"}}}));
  PlaceDiveMarkers(host, Parse(R"({"poi":{"poi_id":null,"gps_location":{"latitude":27.8,"longitude":33.9}},
                                   "entry_position":{"latitude":0.0000004,"longitude":0}})"));
  PlaceDiveMarkers(host, Parse(R"({"poi":{"poi_id":"p2","gps_location":{"latitude":0,"longitude":0}}})"));
  PlaceDiveMarkers(host, Parse(R"({"poi":null})"));
  EXPECT_EQ(Recorded(), (Calls{{"clrMarker", {}}, {"clrMarker", {}}, {"clrMarker", {}}}));
}

TEST_F(MapBridgeTest, EditMarkersShowTheSiteAsEntryWithoutClearing) {
  LogEditRecord r;
  r.site_latitude = 27.8136;
  r.site_longitude = 33.9211;
  PlaceEditMarkers(host, r);
  EXPECT_EQ(Recorded(), (Calls{{"setSMarker", {"27.813600", "33.921100"}}, {"setCenter", {"27.813600", "33.921100"}}}));
  r.exit_latitude = 1.5;
  r.exit_longitude = -2.5;
  PlaceEditMarkers(host, r);
  EXPECT_EQ(Recorded(), (Calls{{"setEMarker", {"1.500000", "-2.500000"}}, {"setCenter", {"1.500000", "-2.500000"}}}));
  PlaceEditMarkers(host, LogEditRecord{});
  EXPECT_TRUE(Recorded().empty());
  // A host without a view sends nothing anywhere.
  MapHost gone = host;
  gone.Destroy();
  PlaceEditMarkers(gone, r);
  EXPECT_TRUE(win.ChildCalls().empty());
}

// Three samples at 1000, 2000 (deepest) and 1000 mbar over a 1000 mbar surface.
constexpr const char* kProfile = R"({"dive_type":"scuba","water_type":0,"altitude":"1000","max_depth":"8.0",
  "dive_profiles":[{"profile_time":0,"pressure":"1000"},{"profile_time":10,"pressure":"2000"},
                   {"profile_time":20,"pressure":"1500"},{"profile_time":30,"pressure":"1000"}],
  "events":[{"event_code":1,"event_value":2,"event_time":20},{"event_code":18,"event_value":0,"event_time":20},
            {"event_code":3,"event_value":0,"event_time":20},{"event_code":7,"event_value":0,"event_time":0}]})";

// A symbol's picture name ("scuba_in"), "-" for none.
std::string SymbolName(const char* symbol) {
  if (!symbol) return "-";
  const std::string s = symbol;
  return s.substr(s.rfind('/') + 1, s.rfind(".png") - s.rfind('/') - 1);
}

TEST_F(MapBridgeTest, ChartPointsDepthsAndSymbols) {
  std::vector<ChartPoint> chart = DiveChartPoints(Parse(kProfile));
  ASSERT_EQ(chart.size(), 4u);
  EXPECT_EQ(chart[0].time, 0);
  EXPECT_EQ(chart[0].symbol, nullptr);  // dropped event code 7 leaves no symbol
  // 10 m deep by pressure, drawn at the 8 m maximum.
  EXPECT_FLOAT_EQ(chart[1].depth, 8.0f);
  EXPECT_STREQ(chart[1].symbol, "url(../../images/scuba_in.png)");
  // At 20 s: the end symbol, then code 1 value 2 (dropped), 18, 3: the last wins.
  EXPECT_FLOAT_EQ(chart[2].depth, 5.0f);
  EXPECT_STREQ(chart[2].symbol, "url(../../images/ascent_alarm.png)");
  EXPECT_EQ(chart[3].symbol, nullptr);

  State().unit = 1;
  chart = DiveChartPoints(Parse(kProfile));
  EXPECT_NEAR(chart[1].depth, 26.246719, 1e-5);
  EXPECT_NEAR(chart[2].depth, 16.4042, 1e-4);
  SendDiveChart(host, Parse(kProfile));
  Calls calls = Recorded();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].first, "setDiveChart");
  EXPECT_EQ(calls[0].second.at(0), "1");
  // Columns, each depth in the shortest text that reads back as its value.
  EXPECT_EQ(calls[0].second.at(1),
            R"j({"time":[0,10,20,30],"depth":[0,26.24672,16.4042,0],)j"
            R"j("symbols":[[1,"url(../../images/scuba_in.png)"],[2,"url(../../images/ascent_alarm.png)"]]})j");
  const Json::Value sent = Parse(calls[0].second.at(1));
  for (Json::ArrayIndex i = 0; i < chart.size(); ++i) EXPECT_EQ(sent["depth"][i].asFloat(), chart[i].depth) << i;
  EXPECT_EQ(DiveChartText({}), R"({"time":[],"depth":[],"symbols":[]})");
}

TEST_F(MapBridgeTest, ChartSymbolsNeedEnoughSamplesAndFollowTheType) {
  auto with_samples = [](const char* type, int n) {
    std::string s = std::string(R"({"dive_type":")") + type + R"(","max_depth":"30","dive_profiles":[)";
    for (int i = 0; i < n; ++i)
      s += (i ? "," : "") + std::string(R"({"profile_time":)") + std::to_string(i * 5) + R"(,"pressure":"1500"})";
    return Parse(s + "]}");
  };
  EXPECT_EQ(DiveChartPoints(with_samples("scuba", 1))[0].symbol, nullptr);
  std::vector<ChartPoint> two = DiveChartPoints(with_samples("gauge", 2));
  EXPECT_EQ(two[0].symbol, nullptr);
  EXPECT_EQ(SymbolName(two[1].symbol), "gauge_in");
  // Start and end both fall on the middle sample; the end, added later, wins.
  EXPECT_EQ(SymbolName(DiveChartPoints(with_samples("free", 3))[1].symbol), "freedive_out");
  // Out-of-range surface pressure falls back to 1013 mbar.
  DiveLog odd = with_samples("scuba", 1);
  odd["altitude"] = "400";
  EXPECT_NEAR(DiveChartPoints(odd)[0].depth, (1500 - 1013) / 100.0, 1e-3);
  EXPECT_TRUE(DiveChartPoints(Parse(R"({"dive_profiles":"none"})")).empty());
}

TEST_F(MapBridgeTest, EventsBetweenSamplesMarkTheSampleBefore) {
  // Samples every 10 s from 0 to 50; the start symbol sits at 10, the end at 40.
  auto symbols = [](const std::string& events) {
    std::string s = R"({"dive_type":"scuba","max_depth":"30","dive_profiles":[)";
    for (int t = 0; t <= 50; t += 10)
      s += (t ? "," : "") + std::string(R"({"pressure":"2000","profile_time":)") + std::to_string(t) + "}";
    std::string out;
    for (const ChartPoint& p : DiveChartPoints(Parse(s + R"(],"events":[)" + events + "]}")))
      out += (out.empty() ? "" : " ") + SymbolName(p.symbol);
    return out;
  };
  auto ev = [](int code, int t) {
    return R"({"event_code":)" + std::to_string(code) + R"(,"event_value":0,"event_time":)" + std::to_string(t) + "}";
  };
  struct Case {
    std::string events, want;
  };
  for (const Case& c : {
           Case{"", "- scuba_in - - scuba_out -"},
           Case{ev(18, 25), "- scuba_in depth_alarm - scuba_out -"},  // between samples: the one before
           Case{ev(3, 27) + "," + ev(18, 23), "- scuba_in ascent_alarm - scuba_out -"},  // the later in time
           Case{ev(3, 15), "- scuba_in - - scuba_out -"},      // the start symbol is at its time
           Case{ev(3, 10), "- ascent_alarm - - scuba_out -"},  // exactly on it: as logged
           Case{ev(18, 59) + "," + ev(3, 99), "- scuba_in - - scuba_out ascent_alarm"},        // past the end: the last
           Case{ev(18, -5), "- scuba_in - - scuba_out -"},                                     // before the first: none
           Case{ev(1, 31) + "," + ev(18, 2), "depth_alarm scuba_in - need_deco scuba_out -"},  // unsorted list
       })
    EXPECT_EQ(symbols(c.events), c.want) << c.events;
}

TEST_F(MapBridgeTest, DetailTextsAndTheirOrder) {
  const char* dive = R"({"dive_type":"free","dive_datetime":1718000000,"timezone":-480,"air_in_text":"200",
    "air_out_text":"50","cylinder_size_text":"12","po2":21,"max_depth":"18.26","average_depth":"9.5",
    "dive_duration":2400,"weather_type":1,"wave_type":9,"air_temperature":"30","min_temperature":"26.5",
    "suit_thickness":"3","weight":"4.0"})";
  Json::Value v = DetailValues(Parse(dive))["value"];
  for (const char* na : {"log_s_bar", "log_e_bar", "log_volume", "log_sac", "log_o2"}) EXPECT_EQ(v[na], "N/A") << na;
  EXPECT_EQ(v["log_s_bar_unit"], "bar");
  EXPECT_EQ(v["log_max_depth"], "18.3");
  EXPECT_EQ(v["log_dive_time"], "40'00");
  EXPECT_EQ(v["log_wave"], "N/A");
  EXPECT_EQ(v["log_suit_thickness_unit"], "mm");
  EXPECT_EQ(v.size(), 28u);
  // A start past 2038 is read in 64 bits.
  DiveLog late = Parse(dive);
  late["dive_datetime"] = Json::Int64{2200000000};
  late["timezone"] = 0;
  EXPECT_EQ(DetailValues(late)["value"]["log_date"], "2039-09-18 23:06");

  DiveLog scuba = Parse(dive);
  scuba["dive_type"] = "gauge";
  v = DetailValues(scuba)["value"];
  EXPECT_EQ(v["log_s_bar"], "200");
  EXPECT_EQ(v["log_o2"], "21");
  EXPECT_EQ(v["log_volume"], "12");

  ShowDetail(host, scuba);
  Calls calls = Recorded();
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls.front().first, "setDiveValue");
  EXPECT_EQ(Parse(calls.front().second.at(0))["value"], v);
  EXPECT_EQ(calls[1].first, "clrMarker");
  EXPECT_EQ(calls.back().first, "setDiveChart");
}

// A long profile keeps, per slice of its time, what the chart draws of it;
// a lost deepest point or alarm would be a different dive on screen.
TEST(ChartShapeTest, KeepsEndsExtremesAndSymbolsOfEverySlice) {
  const char* alarm = "url(../../images/depth_alarm.png)";
  struct Case {
    const char* name;
    int clock_restart;  // the clock starts again at 0 from this point; 0: never
    size_t slice_points, most_points;
  };
  for (const Case& c : {Case{"steady clock", 0, 100, 405}, Case{"clock starts again", 5000, 50, 805}}) {
    std::vector<ChartPoint> points;
    for (int i = 0; i < 10000; ++i) {
      const int time = c.clock_restart && i >= c.clock_restart ? i - c.clock_restart : i;
      points.push_back({time, static_cast<float>((i * 7919) % 1000) / 10.0f, i % 2467 == 5 ? alarm : nullptr});
    }
    const std::vector<ChartPoint> shape = ChartShape(points, 100);
    EXPECT_LE(shape.size(), c.most_points) << c.name;
    EXPECT_EQ(shape.front().time, points.front().time) << c.name;
    EXPECT_EQ(shape.back().time, points.back().time) << c.name;
    EXPECT_FLOAT_EQ(shape.back().depth, points.back().depth) << c.name;
    // Every slice's extremes and every symbol are there; nothing is made up.
    auto has = [&](const ChartPoint& p) {
      return std::any_of(shape.begin(), shape.end(), [&](const ChartPoint& q) {
        return q.time == p.time && q.depth == p.depth && q.symbol == p.symbol;
      });
    };
    auto by_depth = [](const ChartPoint& a, const ChartPoint& b) { return a.depth < b.depth; };
    for (size_t from = 0; from < points.size(); from += c.slice_points) {
      const auto [low, high] =
          std::minmax_element(points.begin() + from, points.begin() + from + c.slice_points, by_depth);
      EXPECT_TRUE(has(*low) && has(*high)) << c.name << " slice from " << from;
    }
    for (const ChartPoint& p : points) {
      if (p.symbol) {
        EXPECT_TRUE(has(p)) << c.name << " symbol at " << p.time;
      }
    }
    EXPECT_TRUE(std::all_of(shape.begin(), shape.end(), has)) << c.name;
  }
  // A profile the chart can draw point for point comes back whole.
  std::vector<ChartPoint> short_profile(400, ChartPoint{0, 1.0f, nullptr});
  EXPECT_EQ(ChartShape(short_profile, 100).size(), 400u);
}

}  // namespace
}  // namespace orv
