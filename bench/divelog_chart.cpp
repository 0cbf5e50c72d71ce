// The profile chart's points and text for a logged dive of 200,000 samples,
// as ratios measured in one run: with 5,000 events against none (what marking events costs), and
// against a tenth of the dive (whether the time grows with the dive alone).
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "divelog/dive_map_draw.h"

namespace {

using orv::DiveLog;

DiveLog LongDive(int samples, int events) {
  DiveLog log(Json::objectValue);
  log["dive_type"] = "scuba";
  log["max_depth"] = "40";
  Json::Value& profile = log["dive_profiles"] = Json::Value(Json::arrayValue);
  for (int i = 0; i < samples; ++i) {
    Json::Value s(Json::objectValue);
    s["profile_time"] = i * 10;
    s["pressure"] = std::to_string(1013 + (i % 400) * 10);
    profile.append(s);
  }
  Json::Value& list = log["events"] = Json::Value(Json::arrayValue);
  for (int i = 0; i < events; ++i) {
    Json::Value e(Json::objectValue);
    e["event_time"] = i * (samples * 10 / std::max(events, 1)) + 3;  // between samples
    e["event_code"] = i % 2 ? 18 : 3;
    e["event_value"] = 0;
    list.append(e);
  }
  return log;
}

// Best of five, in seconds: the machine is shared.
double Time(const DiveLog& log) {
  double best = 1e9;
  for (int round = 0; round < 5; ++round) {
    const auto start = std::chrono::steady_clock::now();
    const std::string chart = orv::DiveChartText(orv::DiveChartPoints(log));
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    if (chart.size() < 100) return -1;
  }
  return best;
}

}  // namespace

int main() {
  const double with_events = Time(LongDive(200000, 5000));
  const double without = Time(LongDive(200000, 0));
  const double tenth = Time(LongDive(20000, 500));
  std::printf("200000 samples, 5000 events: %.3f s\n", with_events);
  std::printf("events cost: %.2fx the same dive without events\n", with_events / without);
  std::printf("growth: %.1fx the time of a dive a tenth as long (10x is linear)\n", with_events / tenth);
  return 0;
}
