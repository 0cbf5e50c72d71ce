#include "explore/dive_list_func.h"

#include <algorithm>
#include <iterator>

#include "app/settings.h"
#include "app/string_table.h"
#include "explore/dive_list.h"
#include "explore/dive_rows.h"
#include "explore/filter_form.h"
#include "explore/statistics_tables.h"
#include "logbook/write_through.h"
#include "values/civil_date.h"
#include "values/units.h"

namespace orv {

namespace {

constexpr const char* kFrame = "framepage3";

struct SortHeader {
  const char* id;
  DiveColumn column;
  bool a_to_z;  // its own order is ascending (site, mode); the rest largest first
};
constexpr SortHeader kHeaders[] = {
    {"sort_date", DiveColumn::Date, false},         {"sort_site", DiveColumn::Site, true},
    {"sort_mode", DiveColumn::Mode, true},          {"sort_depth", DiveColumn::Depth, false},
    {"sort_duration", DiveColumn::Duration, false}, {"sort_temp", DiveColumn::Temp, false},
    {"sort_air", DiveColumn::Air, false},
};

constexpr const char* kFilterFields[] = {"filter_text",      "filter_from",      "filter_to",       "filter_mode",
                                         "filter_depth_min", "filter_depth_max", "filter_time_min", "filter_time_max"};
// The form's member that holds each field, in the order above.
constexpr std::string FilterForm::*kFormMembers[] = {
    &FilterForm::text,      &FilterForm::from,      &FilterForm::to,          &FilterForm::mode,
    &FilterForm::depth_min, &FilterForm::depth_max, &FilterForm::minutes_min, &FilterForm::minutes_max};
static_assert(std::size(kFormMembers) == std::size(kFilterFields));

// Every element the list and its bar write to. They are looked up before the
// first write: a read waits until the page has taken in every write before
// it, and after a list of thousands of rows that is most of the time the tab
// takes to show.
constexpr const char* kWritten[] = {"dives_need_copy", "dives_view",  "filter_depth_unit", "filter_error",
                                    "show_list",       "show_stats",  "dives_list",        "dives_stats",
                                    "dive_data",       "dives_count", "dives_hours",       "dives_deepest"};

// Rows in one window: three screens of the tallest window, so a wheel turn
// seldom waits for the next.
constexpr int64_t kWindowRows = 120;

}  // namespace

// Each lookup is a round trip to the web process; a keystroke in the filter
// would otherwise pay for some forty of them. They are kept while the main
// page stays; a new one (another language) attaches the handler again.
ElementRef DiveListFunc::InPage(const std::string& id) const {
  auto it = elements_.find(id);
  if (it == elements_.end()) it = elements_.emplace(id, FindInFrame(window(), kFrame, id)).first;
  return it->second;
}

void DiveListFunc::attach(EngineWindow* window) {
  func_base::attach(window);
  elements_.clear();
  marked_order_.reset();
  // What the diver typed outlives the page (another language): the new
  // page's empty fields are given it again when the tab shows.
  fields_to_fill_ = true;
}

void DiveListFunc::on_event(const ElementRef& element, const PageEvent& event) {
  const std::string id = event.target ? event.target.Attr("id") : std::string();
  (void)element;
  if (event.code == kEventSelectionChanged) {
    if (id == "filter_mode") ApplyField(id);
    if (id == "stat_year") {
      stats_year_ = std::atoi(InPage("stat_year").Value().c_str());
      DrawStatistics();
    }
    return;
  }
  if (event.code != kEventClick) return;
  const std::string clicked = ClickedId(event);
  if (clicked == "dive_filter") {
    ApplyFilter();
  } else if (std::find(std::begin(kFilterFields), std::end(kFilterFields), clicked) != std::end(kFilterFields)) {
    ApplyField(clicked);
  } else if (clicked == "filter_clear") {
    for (const char* field : kFilterFields) InPage(field).SetValue("");
    Apply(FilterForm{});
  } else if (clicked == "dive_rows_from") {
    WriteRows(std::atoll(InPage("dive_rows_from").Attr("data-from").c_str()));
  } else if (clicked == "dive_open") {
    Open(InPage("dive_open").Attr("data-id"));
  } else if (clicked == "show_list" || clicked == "show_stats") {
    ShowStatistics(clicked == "show_stats");
  } else if (clicked == "dives_keep_on") {
    if (keep_) keep_();
    Show();
  } else {
    for (const auto& h : kHeaders)
      if (clicked == h.id) SortBy(h.column);
  }
}

void DiveListFunc::Show() {
  marked_bad_.clear();
  for (const char* field : kFilterFields) marked_bad_.emplace_back(field);
  // Offline the copy is all there is; online the list needs it kept whole.
  const bool usable = ReadingSavedCopy() || KeepLogBook();
  // Every change of a field reaches ApplyFilter, so the fields hold what it
  // read last: showing the tab reads nothing back.
  const FilterForm form = form_;
  for (const char* id : kWritten) InPage(id);
  for (const auto& h : kHeaders) InPage(h.id);
  usable ? InPage("dives_need_copy").Hide() : InPage("dives_need_copy").Show();
  usable ? InPage("dives_view").Show() : InPage("dives_view").Hide();
  if (!usable) return;
  if (fields_to_fill_) {
    for (size_t i = 0; i < std::size(kFilterFields); ++i)
      if (!(form.*kFormMembers[i]).empty()) InPage(kFilterFields[i]).SetValue(form.*kFormMembers[i]);
    fields_to_fill_ = false;
  }
  InPage("filter_depth_unit").SetText(DisplayUnits::DepthWord());
  MarkView();
  if (!Apply(form)) Redraw();
}

FilterForm DiveListFunc::ReadForm() const {
  FilterForm form;
  for (size_t i = 0; i < std::size(kFilterFields); ++i) form.*kFormMembers[i] = InPage(kFilterFields[i]).Value();
  return form;
}

bool DiveListFunc::ApplyFilter() { return Apply(ReadForm()); }

// A keystroke changes the field it was typed in; the others hold what was
// read last, so one read does instead of eight. A click that only puts the
// caret in a field changes nothing and redraws nothing.
bool DiveListFunc::ApplyField(const std::string& id) {
  const auto at = std::find(std::begin(kFilterFields), std::end(kFilterFields), id) - std::begin(kFilterFields);
  FilterForm form = form_;
  std::string& field = form.*kFormMembers[at];
  field = InPage(id).Value();
  if (field == form_.*kFormMembers[at]) return false;
  return Apply(form);
}

bool DiveListFunc::Apply(const FilterForm& form) {
  form_ = form;
  FilterReading reading = ReadFilterForm(form, DisplayUnits::Imperial());
  // Marks change only when a field turns bad or good again.
  if (reading.bad_fields != marked_bad_) {
    for (const char* field : kFilterFields) {
      const auto& bad = reading.bad_fields;
      std::find(bad.begin(), bad.end(), field) != bad.end() ? InPage(field).SetAttr("aria-invalid", "true")
                                                            : InPage(field).RemoveAttr("aria-invalid");
    }
    InPage("filter_error").SetText(reading.failure ? Tr(reading.failure.key()) : std::string());
    marked_bad_ = reading.bad_fields;
  }
  // The last good list stays while a value cannot be meant.
  if (reading.failure) return false;
  filter_ = std::move(reading.filter);
  Redraw();
  return true;
}

void DiveListFunc::SortBy(DiveColumn column) {
  order_.reverse = order_.column == column ? !order_.reverse : false;
  order_.column = column;
  Redraw();
}

void DiveListFunc::ShowStatistics(bool on) {
  stats_shown_ = on;
  if (on) DrawStatistics();
  MarkView();
}

void DiveListFunc::MarkView() {
  InPage("show_list").SetAttr("aria-selected", stats_shown_ ? "false" : "true");
  InPage("show_stats").SetAttr("aria-selected", stats_shown_ ? "true" : "false");
  stats_shown_ ? InPage("dives_list").Hide() : InPage("dives_list").Show();
  stats_shown_ ? InPage("dives_stats").Show() : InPage("dives_stats").Hide();
}

void DiveListFunc::MarkSortHeaders() {
  // A keystroke leaves the order as it was: its headers are not written again.
  if (marked_order_ && marked_order_->column == order_.column && marked_order_->reverse == order_.reverse) return;
  marked_order_ = order_;
  for (const auto& h : kHeaders) {
    const bool ascending = h.a_to_z != order_.reverse;
    InPage(h.id).SetAttr("aria-sort", h.column != order_.column ? "none" : ascending ? "ascending" : "descending");
  }
}

void DiveListFunc::Redraw() {
  const auto copy = ActiveSavedCopy();
  const ListTotals totals = copy ? TotalsOf(*copy, filter_).value_or(ListTotals{}) : ListTotals{};
  listed_ = totals.dives;
  ++list_;
  WriteRows(0);
  for (const auto& [id, text] : TotalsTexts(totals)) InPage(id).SetText(text);
  MarkSortHeaders();
  if (stats_shown_) DrawStatistics();
}

// The page holds one window of the list's rows and asks for another as it
// scrolls out of it: a keystroke then costs a window, not the whole book.
void DiveListFunc::WriteRows(int64_t from) {
  from = std::clamp<int64_t>(from, 0, std::max<int64_t>(0, listed_ - 1));
  ListedRows rows;
  if (const auto copy = ActiveSavedCopy())
    EachListedDive(*copy, DiveListQuery{filter_, order_, from, kWindowRows}, [&](const DiveSummary& dive) {
      rows.Add(dive);
      return true;
    });
  const ElementRef data = InPage("dive_data");
  data.SetAttr("data-count", std::to_string(listed_));
  data.SetAttr("data-list", std::to_string(list_));
  data.SetAttr("data-from", std::to_string(from));
  // Last: the page reads the window when its text changes.
  data.SetText(rows.Json());
}

void DiveListFunc::Open(const std::string& id) {
  const auto copy = ActiveSavedCopy();
  const auto dive = copy ? ListedDive(*copy, filter_, id) : std::nullopt;
  if (!dive || !open_) return;
  open_(id, CivilFromDays(FloorDiv(dive->local_start, 86400)));
}

void DiveListFunc::DrawStatistics() {
  const auto copy = ActiveSavedCopy();
  if (!copy) return;
  const auto stats = StatisticsOf(*copy, filter_, stats_year_ ? std::optional<int64_t>(stats_year_) : std::nullopt);
  if (!stats) return;
  const StatisticsTables tables = MakeStatisticsTables(*stats);
  for (const auto& [id, html] : tables.bodies) InPage(id);
  for (const auto& [id, text] : tables.texts) InPage(id);
  InPage("stat_year");
  for (const auto& [id, html] : tables.bodies) {
    const ElementRef body = InPage(id);
    body.Clear();
    body.AppendHtml(html);
  }
  const ElementRef years = InPage("stat_year");
  years.Clear();
  years.AppendHtml(tables.year_options);
  years.SetValue(std::to_string(tables.year));
  for (const auto& [id, text] : tables.texts) InPage(id).SetText(text);
}

}  // namespace orv
