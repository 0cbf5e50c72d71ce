#include "explore/filter_form.h"

#include <charconv>
#include <cmath>
#include <optional>

#include "app/message_keys.h"
#include "values/units.h"

namespace orv {

namespace {

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A whole field that is a plain non-negative number; "12abc" is not one.
std::optional<double> Number(const std::string& text) {
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || !std::isfinite(value) || value < 0) return std::nullopt;
  return value;
}

}  // namespace

FilterReading ReadFilterForm(const FilterForm& form, bool imperial) {
  FilterReading r;
  r.filter.text = Trimmed(form.text);
  auto bad = [&r](const char* field, Msg why) {
    r.bad_fields.emplace_back(field);
    if (!r.failure) r.failure = why;
  };
  for (const auto& [text, field, day] : {std::tuple{&form.from, "filter_from", &r.filter.from_day},
                                         std::tuple{&form.to, "filter_to", &r.filter.to_day}}) {
    const std::string t = Trimmed(*text);
    if (t.empty()) continue;
    *day = ParseDay(t);
    if (!*day) bad(field, Msg::FilterBadDate);
  }
  if (!form.mode.empty()) r.filter.mode = ParseDiveMode(form.mode);
  const double per_metre = imperial ? kFeetPerMetre : 1.0;
  for (const auto& [text, field, depth] : {std::tuple{&form.depth_min, "filter_depth_min", &r.filter.min_depth_m},
                                           std::tuple{&form.depth_max, "filter_depth_max", &r.filter.max_depth_m}}) {
    const std::string t = Trimmed(*text);
    if (t.empty()) continue;
    const auto n = Number(t);
    if (n)
      *depth = *n / per_metre;
    else
      bad(field, Msg::FilterBadNumber);
  }
  for (const auto& [text, field, secs] : {std::tuple{&form.minutes_min, "filter_time_min", &r.filter.min_duration_s},
                                          std::tuple{&form.minutes_max, "filter_time_max", &r.filter.max_duration_s}}) {
    const std::string t = Trimmed(*text);
    if (t.empty()) continue;
    const auto n = Number(t);
    // A bound past a century of minutes is a typing slip, not a dive.
    if (n && *n < 1e7)
      *secs = static_cast<int64_t>(std::llround(*n * 60));
    else
      bad(field, Msg::FilterBadNumber);
  }
  if (r.failure) return r;
  switch (CheckFilter(r.filter)) {
    case FilterFault::None:
      break;
    case FilterFault::DaysReversed:
      r.bad_fields = {"filter_from", "filter_to"};
      break;
    case FilterFault::DepthsReversed:
      r.bad_fields = {"filter_depth_min", "filter_depth_max"};
      break;
    case FilterFault::DurationsReversed:
      r.bad_fields = {"filter_time_min", "filter_time_max"};
      break;
    case FilterFault::Negative:
      r.bad_fields = {"filter_depth_min"};
      break;
  }
  if (!r.bad_fields.empty()) r.failure = Msg::FilterReversed;
  return r;
}

}  // namespace orv
