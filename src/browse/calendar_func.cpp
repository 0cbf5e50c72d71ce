#include "browse/calendar_func.h"

#include "app/message_keys.h"
#include "app/program_messages.h"
#include "app/wait_purpose.h"
#include "values/months.h"
#include "values/value_text.h"

namespace orv {

namespace {

constexpr const char* kFrame = "framepage1";
constexpr const char* kCellPrefix = "date_cell_";

std::string CellId(int index) { return kCellPrefix + PaddedInt(index, 2); }

// The index of a day cell id "date_cell_00" ... "date_cell_41", or -1.
int CellIndexOf(const std::string& id) {
  for (int i = 0; i < kCalendarCells; ++i)
    if (id == CellId(i)) return i;
  return -1;
}

// "objid" as a decimal cell index; -1 for anything that is not one.
int ParseObjId(const std::string& text) {
  if (text.empty() || text.size() > 2) return -1;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value < kCalendarCells ? value : -1;
}

}  // namespace

CalendarFunc::CalendarFunc(Notifier* notifier, ServiceRequest request) {
  context_.notifier = notifier;
  context_.request = std::move(request);
}

CalendarFunc::~CalendarFunc() { detach(); }

void CalendarFunc::attach(EngineWindow* window) {
  func_base::attach(window);
  context_.window = window;
  // Turning to a month reloads the statistics too, as "synclog" does: it
  // follows an upload, which changed both.
  OnProgramMessage(kMsgShowMonth, [this](const ProgramMessage& m) {
    ShowMonth(m.word / 100, static_cast<int>(m.word % 100));
    PostProgramMessage(ProgramMessage{kMsgReloadStatistics});
  });
  listening_ = true;
  Start();  // builds the cells itself
}

void CalendarFunc::detach() {
  if (listening_) OnProgramMessage(kMsgShowMonth, {});
  listening_ = false;
}

void CalendarFunc::Bind(EngineWindow* window) {
  func_base::attach(window);
  context_.window = window;
  BuildCells();
}

Failure CalendarFunc::Start() {
  CurrentLocalMonth(month_.year, month_.month);
  month_.open_day = CivilDate{0, 0, 0};  // a fresh page shows no day's list
  BuildCells();
  return ShowMonth(month_.year, month_.month);
}

void CalendarFunc::BuildCells() {
  month_.cells.clear();
  month_.cells.reserve(kCalendarCells);
  // Found once per page: a lookup waits on the page, which may be busy
  // drawing what was written before it.
  month_.label = FindInFrame(window(), kFrame, "calendardate");
  month_.message = FindById(window(), "message");
  ElementRef calendar = FindInFrame(window(), kFrame, "calendar");
  for (int i = 0; i < kCalendarCells; ++i) {
    ElementRef cell = calendar.FindBelow(CellId(i));
    cell.SetAttr("objid", std::to_string(i));
    // The slot is kept even without an element so indexes match the ids.
    month_.cells.push_back(DateCell{CivilDate{0, 0, 0}, std::string(), cell});
  }
}

Failure CalendarFunc::ShowMonth(int64_t year, int month) {
  const int64_t shown_year = month_.year;
  const int shown_month = month_.month;
  const int64_t shown_first = month_.first_cell_day;
  WaitPurpose purpose(KeyOf(Msg::BusyMonth));
  month_.year = year;
  month_.month = month;
  month_.first_cell_day = FirstCellDay(year, month);
  Failure failure = LoadMonth();
  if (failure && WaitOperation().IsCancelled() && shown_year != 0) {
    // The diver gave the new month up: back to the one the grid still shows.
    month_.year = shown_year;
    month_.month = shown_month;
    month_.first_cell_day = shown_first;
    month_.label.SetText(MonthLabel(month_.year, month_.month));
  }
  return failure;
}

Failure CalendarFunc::LoadMonth() {
  WaitPurpose purpose(KeyOf(Msg::BusyMonth));
  month_.label.SetText(MonthLabel(month_.year, month_.month));
  Reply reply =
      RequestChecked(context_, CalendarMonthEndpoint(static_cast<int>(month_.year), month_.month), month_.message);
  // Given up by the diver: the grid keeps the month it shows, and ShowMonth
  // puts that month's label back.
  if (!reply.ok() && WaitOperation().IsCancelled()) return reply.failure();
  // A failed month still gets its own days, unmarked, with the failure in
  // `message` and "synclog" to try again: the last good month's marks
  // under this month's label would show dives on the wrong dates.
  Fill(BuildMonthGrid(month_.year, month_.month,
                      reply.ok() ? ParseMonthSummary(*reply) : std::vector<MonthSummaryEntry>{}));
  return reply.failure();
}

Failure CalendarFunc::Reload() {
  Failure failure = LoadMonth();
  PostProgramMessage(ProgramMessage{kMsgReloadStatistics});
  return failure;
}

namespace {

// A month's step wrote some three hundred values, most of them what the
// cells already held (a day without dives stays "0" of each); the page
// took each in and then drew the grid again for it.
void WriteText(DateCell& cell, const std::string& text) {
  if (cell.written.text == text) return;
  cell.element.SetText(text);
  cell.written.text = text;
}

void WriteAttr(DateCell& cell, const std::string& name, std::optional<std::string> value) {
  const auto it = cell.written.attrs.find(name);
  if (it != cell.written.attrs.end() && it->second == value) return;
  value ? cell.element.SetAttr(name, *value) : cell.element.RemoveAttr(name);
  cell.written.attrs[name] = std::move(value);
}

}  // namespace

void CalendarFunc::Fill(const MonthGrid& grid) {
  for (size_t i = 0; i < month_.cells.size() && i < grid.size(); ++i) {
    DateCell& cell = month_.cells[i];
    cell.date = grid[i].date;
    cell.cls = grid[i].cls;
    WriteText(cell, std::to_string(grid[i].date.day));
    WriteAttr(cell, "class", grid[i].cls);
    WriteAttr(cell, "data-kind", grid[i].kind.empty() ? std::nullopt : std::optional<std::string>(grid[i].kind));
    // The page names each day from these ("Saturday 9 March, 2 scuba dives").
    WriteAttr(cell, "data-date",
              MonthLabel(grid[i].date.year, grid[i].date.month) + "-" + PaddedInt(grid[i].date.day, 2));
    WriteAttr(cell, "data-scuba", std::to_string(grid[i].scuba_count));
    WriteAttr(cell, "data-free", std::to_string(grid[i].free_count));
  }
  MarkOpenDay();
}

void CalendarFunc::MarkOpenDay() {
  for (DateCell& cell : month_.cells) {
    const bool open = month_.open_day.month != 0 && cell.date == month_.open_day;
    WriteAttr(cell, "aria-selected", open ? std::optional<std::string>("true") : std::nullopt);
  }
}

Failure CalendarFunc::OpenDay(int index, std::vector<DayRow>* shown) {
  if (index < 0 || index >= static_cast<int>(month_.cells.size())) return {};
  const CivilDate& date = month_.cells[index].date;
  // Before the first successful fill a cell holds no date to ask for.
  if (date.month == 0) return {};
  WaitPurpose purpose(KeyOf(Msg::BusyDay));
  Failure failure = day_list_.Open(date, shown);
  if (!failure) {
    month_.open_day = date;
    MarkOpenDay();
  }
  return failure;
}

void CalendarFunc::on_event(const ElementRef& /*element*/, const PageEvent& event) {
  const std::string id = ClickedId(event);
  if (id.empty()) return;
  if (id == "lastmon") {
    int64_t year = month_.year;
    int month = month_.month;
    StepMonth(year, month, -1);
    ShowMonth(year, month);
  } else if (id == "nextmon") {
    int64_t year = month_.year;
    int month = month_.month;
    StepMonth(year, month, +1);
    ShowMonth(year, month);
  } else if (id == "synclog") {
    Reload();
  } else if (CellIndexOf(id) >= 0) {
    OpenDay(ParseObjId(event.target.Attr("objid")));
  }
}

}  // namespace orv
