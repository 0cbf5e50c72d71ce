#include "browse/day_list.h"

#include "app/page_folder.h"
#include "app/row_markup.h"
#include "cloud/json_read.h"
#include "divelog/dive_values.h"
#include "logbook/dive_log_read.h"
#include "values/units.h"

namespace orv {

namespace {

constexpr const char* kFrame = "framepage1";
constexpr const char* kRowTemplate = "dive_log_cell.htm";

}  // namespace

DayRow MakeDayRow(const Json::Value& dive) {
  DayRow row;
  row.id = JsonText(dive, "divelog_id");
  row.date_title = StartTitleText(JsonInt64(dive, "dive_datetime"), JsonInt64(dive, "timezone"));
  const DiveType type = DecodeDiveType(JsonText(dive, "dive_type"));
  row.type_word = DiveTypeWord(type);
  row.picture = DiveTypePicture(type);
  const float depth = ReadDecimal(JsonText(dive, "max_depth"));
  row.depth = DisplayUnits::Depth(depth);
  row.depth_unit = DisplayUnits::DepthWord();
  row.time = DurationText(JsonInt(dive, "dive_duration"));
  row.local_start = LocalStartSeconds(JsonInt64(dive, "dive_datetime"), JsonInt64(dive, "timezone"));
  row.type = type;
  row.max_depth_m = WidenDecimal(depth);
  row.duration_s = JsonInt(dive, "dive_duration");
  return row;
}

std::vector<DayRow> MakeDayRows(const Json::Value& response) {
  std::vector<DayRow> rows;
  const Json::Value& list = JsonMember(response, "divelogs");
  if (!list.isArray()) return rows;
  rows.reserve(list.size());
  for (const Json::Value& dive : list) rows.push_back(MakeDayRow(dive));
  return rows;
}

Failure DayLogList::Open(const CivilDate& date, std::vector<DayRow>* shown) {
  Reply reply = RequestChecked(context_, CalendarDateEndpoint(static_cast<int>(date.year), date.month, date.day));
  if (!reply.ok()) return reply.failure();
  std::vector<DayRow> rows = MakeDayRows(*reply);
  Show(rows);
  if (shown) *shown = std::move(rows);
  return {};
}

void DayLogList::Show(const std::vector<DayRow>& rows) {
  ElementRef body = FindInFrame(context_.window, kFrame, "cell_tbody");
  body.Clear();
  if (!body) return;
  // Read at every fill, as the template may be replaced while the program
  // runs; a missing or empty template leaves the list empty.
  const std::string html = ReadWholeFile(PagePath(kRowTemplate)).value_or(std::string());
  if (html.empty() || rows.empty()) return;
  std::string markup;
  for (const DayRow& r : rows)
    markup += FillRowMarkup(html, {{"edit", "objid", r.id},
                                   {"view", "objid", r.id},
                                   {"date_title", "", r.date_title},
                                   {"dive_type", "", r.type_word},
                                   {"image", "src", r.picture},
                                   {"depth", "", r.depth},
                                   {"depth_unit", "", r.depth_unit},
                                   {"time", "", r.time}});
  body.AppendHtml(markup);
}

}  // namespace orv
