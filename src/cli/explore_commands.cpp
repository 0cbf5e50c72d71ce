// orvelle-cli list and stats --by: the whole log book from the copy saved on
// this computer, filtered and sorted as the Dives tab does. Nothing is sent:
// the copy answers whether the service can be reached or not.
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <memory>

#include "app/app_state.h"
#include "app/message_keys.h"
#include "app/string_table.h"
#include "cli/cli.h"
#include "cli/dive_json.h"
#include "cli/service_session.h"
#include "divelog/dive_values.h"
#include "explore/dive_statistics.h"
#include "logbook/copy_place.h"
#include "values/months.h"
#include "values/units.h"
#include "values/value_text.h"

namespace orv::cli {

namespace {

// A whole number or decimal, finite, nothing after it.
std::optional<double> ReadNumber(const std::string& text) {
  if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || errno == ERANGE || !std::isfinite(v)) return std::nullopt;
  return v;
}

struct ListArgs {
  DiveListQuery query;
  std::string by;                     // stats: "year" or "month"
  std::optional<int64_t> month_year;  // stats --by month --year
};

// Reads the filter options shared by list and stats --by, and the command's
// own (`stats` tells which). Returns 0, or 2 after a usage message naming
// the value.
int ReadListArgs(const std::vector<std::string>& args, ListArgs& out, bool stats) {
  DiveFilter& f = out.query.filter;
  const bool imperial = DisplayUnits::Imperial();
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& name = args[i];
    if (name == "--reverse") {
      if (stats) return UsageError("unknown option --reverse");
      out.query.order.reverse = true;
      continue;
    }
    if (i + 1 >= args.size()) return UsageError(name + " needs a value");
    const std::string& value = args[++i];
    const std::string named = name + " " + value;
    if (name == "--from" || name == "--to") {
      const std::optional<int64_t> day = ParseDay(value);
      if (!day) return UsageError(named + ": not a date YYYY-MM-DD that exists");
      (name == "--from" ? f.from_day : f.to_day) = day;
    } else if (name == "--mode") {
      f.mode = ParseDiveMode(value);
      if (!f.mode) return UsageError(named + ": the mode is scuba, free or gauge");
    } else if (name == "--min-depth" || name == "--max-depth") {
      const std::optional<double> depth = ReadNumber(value);
      if (!depth || *depth < 0) return UsageError(named + ": not a depth (a number, 0 or more)");
      // Typed in the unit the list shows.
      (name == "--min-depth" ? f.min_depth_m : f.max_depth_m) = imperial ? *depth / kFeetPerMetre : *depth;
    } else if (name == "--site") {
      f.text = value;
    } else if (name == "--sort" && !stats) {
      const std::optional<DiveColumn> column = ParseDiveColumn(value);
      if (!column) return UsageError(named + ": the sort is date, site, mode, depth, duration, temp or air");
      out.query.order.column = *column;
    } else if (name == "--limit" && !stats) {
      const std::optional<double> n = ReadNumber(value);
      if (!n || *n < 0 || *n != std::floor(*n) || *n > 1e15) return UsageError(named + ": not a count (0 or more)");
      out.query.limit = static_cast<int64_t>(*n);
    } else if (name == "--by" && stats) {
      if (value != "year" && value != "month") return UsageError(named + ": stats goes --by year or --by month");
      out.by = value;
    } else if (name == "--year" && stats) {
      const std::optional<double> y = ReadNumber(value);
      if (!y || *y != std::floor(*y) || *y < 1 || *y > 9999) return UsageError(named + ": not a year");
      out.month_year = static_cast<int64_t>(*y);
    } else {
      return UsageError("unknown option " + name);
    }
  }
  switch (CheckFilter(f)) {
    case FilterFault::None:
      return 0;
    case FilterFault::DaysReversed:
      return UsageError("--from is after --to");
    case FilterFault::DepthsReversed:
      return UsageError("--min-depth is deeper than --max-depth");
    default:
      return UsageError("a filter value cannot be meant");
  }
}

// The diver's saved copy, or the exit code after saying why it cannot be
// read; a copy without dives names the command that fills it.
int OpenCopy(const Options& options, std::unique_ptr<SavedCopy>& copy) {
  Result<std::unique_ptr<SavedCopy>> opened = SavedCopy::Open(SavedCopyPath(SessionEmail(options)), false);
  if (!opened.ok() && opened.failure().kind != Msg::NoSavedCopy) return Fail(opened.failure());
  if (opened.ok()) copy = std::move(*opened);
  if (!copy || copy->DiveCount() <= 0) return Fail(Failure(Msg::SavedCopyEmpty));
  return 0;
}

int List(const Options& options, const std::vector<std::string>& args) {
  ListArgs a;
  if (int rc = ReadListArgs(args, a, false)) return rc;
  std::unique_ptr<SavedCopy> copy;
  if (int rc = OpenCopy(options, copy)) return rc;
  using U = DisplayUnits;
  const bool imperial = U::Imperial();
  int64_t count = 0;
  if (options.json)
    std::cout << "{\"dives\": [";
  else
    std::cout << "date\tmode\tmax_depth_" << (imperial ? "ft" : "m") << "\tduration\twater_temp_"
              << (imperial ? "f" : "c") << "\tair_" << (imperial ? "cuft_min" : "l_min") << "\tsite\tregion\tid\n";
  const bool ok = EachListedDive(*copy, a.query, [&](const DiveSummary& d) {
    if (options.json) {
      // Each dive as it comes: the list never stands whole in memory.
      std::cout << (count++ ? ",\n  " : "\n  ") << SummaryJsonText(d);
      return true;
    }
    const std::optional<double> air = imperial ? d.air_cuft : d.air_lpm;
    std::cout << LocalStartText(d.local_start).replace(10, 1, " ") << '\t' << DiveTypeName(d.mode) << '\t'
              << U::Depth(d.max_depth_m) << '\t' << DurationText(d.duration_s) << '\t' << U::Temperature(d.water_temp_c)
              << '\t' << (air ? U::AirConsumption(*air) : "") << '\t' << d.site << '\t' << d.region << '\t' << d.id
              << '\n';
    return true;
  });
  if (!ok) return Fail(Failure(Msg::SavedCopyWrite));
  if (options.json) std::cout << (count ? "\n]" : "]") << ",\n\"count\": " << count << "\n}\n";
  return 0;
}

Json::Value ModeCounts(const std::array<int64_t, kDiveModes>& values) {
  Json::Value v(Json::objectValue);
  v["scuba"] = Json::Int64(values[0]);
  v["free"] = Json::Int64(values[1]);
  v["gauge"] = Json::Int64(values[2]);
  return v;
}

int64_t Sum(const std::array<int64_t, kDiveModes>& values) { return values[0] + values[1] + values[2]; }

Json::Value PeriodJson(const PeriodFigures& p) {
  Json::Value v(Json::objectValue);
  v["dives"] = ModeCounts(p.dives);
  v["duration_s"] = ModeCounts(p.seconds);
  return v;
}

Json::Value RecordJson(const std::optional<DiveSummary>& d) {
  return d ? SummaryJson(*d) : Json::Value(Json::nullValue);
}

Json::Value StatisticsJson(const DiveStatistics& st) {
  Json::Value doc(Json::objectValue);
  doc["dives"] = Json::Int64(st.totals.dives);
  doc["duration_s"] = Json::Int64(st.totals.seconds);
  doc["deepest_m"] = st.totals.deepest_m;
  Json::Value& years = doc["years"] = Json::Value(Json::arrayValue);
  for (const YearFigures& y : st.years) {
    Json::Value v = PeriodJson(y.figures);
    v["year"] = Json::Int64(y.year);
    v["deepest_m"] = y.deepest_m;
    v["mean_max_depth_m"] = y.mean_max_depth_m;
    v["median_air_use_l_min"] = OptionalNumber(y.median_air_lpm);
    years.append(v);
  }
  doc["month_year"] = Json::Int64(st.month_year);
  Json::Value& months = doc["months"] = Json::Value(Json::arrayValue);
  for (size_t m = 0; m < st.months.size(); ++m) {
    Json::Value v = PeriodJson(st.months[m]);
    v["month"] = static_cast<int>(m + 1);
    months.append(v);
  }
  Json::Value& depth = doc["depth_spread_5m"] = Json::Value(Json::arrayValue);
  for (size_t i = 0; i < st.depth_bins.size(); ++i) {
    Json::Value bin(Json::objectValue);
    bin["from_m"] = static_cast<double>(i) * kDepthBinMetres;
    bin["dives"] = Json::Int64(st.depth_bins[i]);
    depth.append(bin);
  }
  Json::Value& duration = doc["duration_spread_10min"] = Json::Value(Json::arrayValue);
  for (size_t i = 0; i < st.duration_bins.size(); ++i) {
    Json::Value bin(Json::objectValue);
    bin["from_s"] = Json::Int64(static_cast<int64_t>(i) * kDurationBinSeconds);
    bin["dives"] = Json::Int64(st.duration_bins[i]);
    duration.append(bin);
  }
  Json::Value& records = doc["records"] = Json::Value(Json::objectValue);
  records["deepest"] = RecordJson(st.deepest);
  records["longest"] = RecordJson(st.longest);
  records["coldest_water"] = RecordJson(st.coldest);
  records["most_dived_site"] = Json::Value(Json::nullValue);
  if (st.top_site_dives > 0) {
    records["most_dived_site"]["site"] = st.top_site;
    records["most_dived_site"]["dives"] = Json::Int64(st.top_site_dives);
  }
  return doc;
}

// Hours as "H:MM", never cut short however many there are.
std::string HoursText(int64_t seconds) {
  return std::to_string(seconds / 3600) + ":" + PaddedInt(seconds % 3600 / 60, 2);
}

void PrintPeriod(const std::string& label, const PeriodFigures& p) {
  std::cout << label << '\t' << Sum(p.dives) << '\t' << p.dives[0] << '\t' << p.dives[1] << '\t' << p.dives[2] << '\t'
            << HoursText(Sum(p.seconds));
}

}  // namespace

int RunStatsBy(const Options& options, const std::vector<std::string>& args) {
  ListArgs a;
  if (int rc = ReadListArgs(args, a, true)) return rc;
  if (a.by.empty()) return UsageError("stats with filters needs --by year or --by month");
  if (a.month_year && a.by != "month") return UsageError("--year goes with --by month");
  std::unique_ptr<SavedCopy> copy;
  if (int rc = OpenCopy(options, copy)) return rc;
  const std::optional<DiveStatistics> st = StatisticsOf(*copy, a.query.filter, a.month_year);
  if (!st) return Fail(Failure(Msg::SavedCopyWrite));
  if (options.json) {
    Json::Value doc = StatisticsJson(*st);
    doc["by"] = a.by;
    PrintJson(doc);
    return 0;
  }
  using U = DisplayUnits;
  if (a.by == "month") {
    std::cout << "month\tdives\tscuba\tfree\tgauge\thours\n";
    for (int m = 1; m <= 12; ++m) {
      PrintPeriod(MonthLabel(st->month_year, m), st->months[static_cast<size_t>(m - 1)]);
      std::cout << '\n';
    }
    return 0;
  }
  const bool imperial = U::Imperial();
  const std::string depth_unit = imperial ? "ft" : "m";
  std::cout << "year\tdives\tscuba\tfree\tgauge\thours\tdeepest_" << depth_unit << "\tmean_max_depth_" << depth_unit
            << "\tmedian_air_" << (imperial ? "cuft_min" : "l_min") << '\n';
  for (const YearFigures& y : st->years) {
    PrintPeriod(std::to_string(y.year), y.figures);
    const std::optional<double> air = imperial ? y.median_air_cuft : y.median_air_lpm;
    std::cout << '\t' << U::Depth(y.deepest_m) << '\t' << U::Depth(y.mean_max_depth_m) << '\t'
              << (air ? U::AirConsumption(*air) : "") << '\n';
  }
  return 0;
}

std::vector<Command> ExploreCommands() {
  return {
      {"list",
       "[--from YYYY-MM-DD] [--to YYYY-MM-DD] [--mode scuba|free|gauge] [--min-depth N] [--max-depth N] "
       "[--site TEXT] [--sort date|depth|duration|temp|air] [--reverse] [--limit N]",
       "every saved dive, one tab-separated line each (newest first)", List},
  };
}

}  // namespace orv::cli
