#include "browse/day_list.h"

#include "app/page_folder.h"
#include "cloud/json_read.h"
#include "divelog/dive_values.h"
#include "divelog/units.h"

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

std::string DayLogList::Open(const CivilDate& date, std::vector<DayRow>* shown) {
  BrowseReply reply = RequestChecked(
      context_, CalendarDateEndpoint(static_cast<int>(date.year), date.month, date.day));
  if (!reply.ok()) return reply.key;
  std::vector<DayRow> rows = MakeDayRows(reply.response);
  Show(rows);
  if (shown) *shown = std::move(rows);
  return {};
}

void DayLogList::Show(const std::vector<DayRow>& rows) {
  ElementRef body = FindInFrame(context_.window, kFrame, "cell_tbody");
  body.Clear();
  if (!body) return;
  const std::string path = PagePath(kRowTemplate);
  int n = 0;
  for (const DayRow& r : rows) {
    // Read for every row, as the template may be replaced while the program
    // runs; a missing or empty template appends nothing, which clears the list.
    const std::string html = ReadWholeFile(path).value_or(std::string());
    body.AppendHtml(html);
    if (html.empty()) {
      n = 0;  // appending nothing cleared the list; rows start again at child 0
      continue;
    }
    ElementRef row = body.Child(n++);
    row.FindBelow("edit").SetAttr("objid", r.id);
    row.FindBelow("view").SetAttr("objid", r.id);
    row.FindBelow("date_title").SetText(r.date_title);
    row.FindBelow("dive_type").SetText(r.type_word);
    row.FindBelow("image").SetAttr("src", r.picture);
    row.FindBelow("depth").SetText(r.depth);
    row.FindBelow("depth_unit").SetText(r.depth_unit);
    row.FindBelow("time").SetText(r.time);
  }
}

}  // namespace orv
