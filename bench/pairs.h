// The one way every benchmark here turns timings into a figure: the program's
// time and its baseline's are taken in pairs, one right after the other, so a
// burst of load elsewhere on the machine hits both sides of a pair alike; the
// figure's ratio is the median of the per-pair ratios.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace orv::bench {

// Seconds on the monotonic clock (the program's timing marks use the same).
inline double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

inline double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

struct Pairs {
  std::vector<double> ours, base;
  void Add(double our_value, double base_value) {
    ours.push_back(our_value);
    base.push_back(base_value);
  }
  // Median of ours[i] / base[i].
  double Ratio() const {
    std::vector<double> r;
    for (size_t i = 0; i < ours.size(); ++i)
      if (ours[i] > 0 && base[i] > 0) r.push_back(ours[i] / base[i]);
    return Median(r);
  }
  double Value() const { return Median(ours); }
};

// "FIGURE  <value> <unit>  ratio <r>  target <op><t>  ok|over"; `ratio` < 0
// prints "ratio -" (an absolute figure, judged by its value).
inline void PrintFigure(const std::string& name, double value, const std::string& unit, double ratio,
                        const std::string& op, double target) {
  double judged = ratio < 0 ? value : ratio;
  bool ok = op == "<=" ? judged <= target : judged >= target;
  char r[32] = "-";
  if (ratio >= 0) std::snprintf(r, sizeof r, "%.2f", ratio);
  std::printf("%s  %.*f %s  ratio %s  target %s%g  %s\n", name.c_str(), value < 100 ? 1 : 0, value, unit.c_str(), r,
              op.c_str(), target, ok ? "ok" : "over");
  std::fflush(stdout);
}

}  // namespace orv::bench
