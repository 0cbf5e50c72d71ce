// The floor the desktop program is measured against: a bare GTK window with
// one WebKitGTK view, and the service requests made with plain libcurl. It
// speaks the same stdin commands and "bench" lines as the program's timing
// marks (scripts/bench drives both in turns).
//   bench_bare_view ONE_LINE_PAGE MAIN_PAGE ROW_TEMPLATE ORIGIN CA_FILE
// BENCH_BARE=start: quits after the sign-in baseline.
#include <curl/curl.h>
#include <glib-unix.h>
#include <gtk/gtk.h>
#include <json/json.h>
#include <time.h>
#include <unistd.h>
#include <webkit2/webkit2.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "bare_curl.h"
#include "pairs.h"

namespace {

using orv::bench::Now;

// The program's mark lines, so the driver reads both alike.
void Mark(const char* name, double value, const std::string& extra = "") {
  std::fprintf(stderr, "bench %s %.6f %s\n", name, value, extra.c_str());
  std::fflush(stderr);
}

void Spin(bool& done) {
  while (!done) g_main_context_iteration(nullptr, TRUE);
}

WebKitWebView* view = nullptr;
std::string origin, ca_file, token, user_id;

// Runs `body` (a function body; may return a promise) and waits for it.
std::string Run(const std::string& body, GVariant* args = nullptr) {
  struct Wait {
    bool done = false;
    std::string text;
  } wait;
  webkit_web_view_call_async_javascript_function(
      view, body.c_str(), -1, args, nullptr, nullptr, nullptr,
      [](GObject* source, GAsyncResult* res, gpointer data) {
        auto* w = static_cast<Wait*>(data);
        GError* error = nullptr;
        JSCValue* v = webkit_web_view_call_async_javascript_function_finish(WEBKIT_WEB_VIEW(source), res, &error);
        if (error) {
          std::fprintf(stderr, "script failed: %s\n", error->message);
          g_error_free(error);
        }
        if (v && jsc_value_is_string(v)) {
          char* s = jsc_value_to_string(v);
          w->text = s;
          g_free(s);
        }
        if (v) g_object_unref(v);
        w->done = true;
      },
      &wait);
  Spin(wait.done);
  return wait.text;
}

void WaitPainted() {
  Run("return new Promise(r => { setTimeout(() => r('late'), 5000);"
      " requestAnimationFrame(() => requestAnimationFrame(() => r(''))); });");
}

void Load(const std::string& path) {
  bool done = false;
  gulong id = g_signal_connect(view, "load-changed", G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent e, gpointer d) {
                                 if (e == WEBKIT_LOAD_FINISHED) *static_cast<bool*>(d) = true;
                               }),
                               &done);
  gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
  webkit_web_view_load_uri(view, uri);
  g_free(uri);
  Spin(done);
  g_signal_handler_disconnect(view, id);
}

Json::Value Request(const orv::Endpoint& e) {
  CURL* curl = curl_easy_init();
  std::string reply = orv::bench::BareRequest(curl, origin, ca_file, e, token);
  curl_easy_cleanup(curl);
  Json::Value v;
  Json::Reader().parse(reply, v);
  return v;
}

std::string Text(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Compact(const Json::Value& v) {
  Json::StreamWriterBuilder w;
  w["indentation"] = "";
  return Json::writeString(w, v);
}

std::string ReadCommand() {
  bool ready = false;
  g_unix_fd_add(
      STDIN_FILENO, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR),
      [](gint, GIOCondition, gpointer f) {
        *static_cast<bool*>(f) = true;
        return G_SOURCE_REMOVE;
      },
      &ready);
  Spin(ready);
  std::string line;
  char c;
  while (::read(STDIN_FILENO, &c, 1) == 1 && c != '\n') line += c;
  return line;
}

// One batched script: the month's 42 cells, day numbers and classes.
constexpr char kWriteCells[] = R"JS(
  const d = document.getElementById('framepage1').contentDocument;
  const r = JSON.parse(reply), days = new Set();
  for (const e of (r.response && r.response.month_summary) || []) days.add(String(e.date));
  const first = new Date(Date.UTC(year, month - 1, 1));
  let day = new Date(first - 86400000 * (first.getUTCDay() || 7));
  for (let i = 0; i < 42; ++i, day = new Date(+day + 86400000)) {
    const c = d.getElementById('date_cell_' + String(i).padStart(2, '0'));
    const key = day.toISOString().slice(0, 10).replaceAll('-', '');
    c.textContent = String(day.getUTCDate());
    c.className = days.has(key) ? 'date_td_in_dive_day btnctrl' : day.getUTCMonth() === month - 1 ? 'date_td' : 'date_td_in_month';
  }
  d.getElementById('calendardate').textContent = year + '-' + String(month).padStart(2, '0');
  return '';)JS";

// One batched script: every row of the day from the row template.
constexpr char kWriteRows[] = R"JS(
  const d = document.getElementById('framepage1').contentDocument;
  const r = JSON.parse(reply), body = d.getElementById('cell_tbody');
  const t = d.createElement('template');
  t.innerHTML = ((r.response && r.response.divelogs) || []).map(() => row).join('');
  const rows = t.content.querySelectorAll('tr');
  ((r.response && r.response.divelogs) || []).forEach((v, i) => {
    const q = (id) => rows[i].querySelector('#' + id);
    q('dive_type').textContent = v.dive_type;
    q('date_title').textContent = String(v.dive_datetime);
    q('depth').textContent = Number(v.max_depth).toFixed(1);
    q('depth_unit').textContent = 'm';
    q('time').textContent = String(v.dive_duration);
    q('view').setAttribute('objid', v.divelog_id);
    q('edit').setAttribute('objid', v.divelog_id);
  });
  body.replaceChildren(t.content);
  return String(body.querySelectorAll('tr').length);)JS";

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) return std::fprintf(stderr, "usage: bench_bare_view PAGE MAIN_PAGE ROW_TEMPLATE ORIGIN CA_FILE\n"), 2;
  gtk_init(&argc, &argv);
  curl_global_init(CURL_GLOBAL_DEFAULT);
  origin = argv[4];
  ca_file = argv[5];
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_default_size(GTK_WINDOW(window), 980, 700);
  view = WEBKIT_WEB_VIEW(webkit_web_view_new());
  // The page comes from disk; its frames are files too, and the batched
  // scripts reach into them as the program's own scheme lets it.
  g_object_set(webkit_web_view_get_settings(view), "allow-file-access-from-file-urls", TRUE,
               "allow-universal-access-from-file-urls", TRUE, nullptr);
  gtk_container_add(GTK_CONTAINER(window), GTK_WIDGET(view));
  gtk_widget_show_all(window);
  Load(argv[1]);
  WaitPainted();
  Mark("painted", Now());

  double t = Now();
  Json::Value login = Request(orv::LoginEndpoint("demo@orvelle.test", g_getenv("ORVELLE_PASSWORD") ?: ""));
  token = login["response"]["token"].asString();
  user_id = login["response"]["user"]["user_id"].asString();
  time_t now = time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  int year = local.tm_year + 1900, month = local.tm_mon + 1;
  Json::Value month_reply = Request(orv::CalendarMonthEndpoint(year, month));
  Request(orv::StatisticsEndpoint(user_id));
  Load(argv[2]);
  WaitPainted();
  Mark("signin", Now() - t);
  const char* mode = g_getenv("BENCH_BARE");
  if (mode && std::strcmp(mode, "start") == 0) return 0;

  const std::string row = Text(argv[3]);
  auto write_cells = [&](const Json::Value& reply) {
    GVariantDict d;
    g_variant_dict_init(&d, nullptr);
    g_variant_dict_insert(&d, "reply", "s", Compact(reply).c_str());
    g_variant_dict_insert(&d, "year", "i", year);
    g_variant_dict_insert(&d, "month", "i", month);
    Run(kWriteCells, g_variant_dict_end(&d));
  };
  bool forth = true;
  for (std::string command = ReadCommand(); !command.empty() && command != "quit"; command = ReadCommand()) {
    std::string arg = command.substr(command.find(' ') + 1);
    t = Now();
    if (command == "month") {
      month += forth ? 1 : -1;
      if (month == 13) month = 1, ++year;
      if (month == 0) month = 12, --year;
      forth = !forth;
      write_cells(Request(orv::CalendarMonthEndpoint(year, month)));
      WaitPainted();
      Mark("month", Now() - t);
    } else if (command.rfind("goto ", 0) == 0) {
      std::sscanf(arg.c_str(), "%d-%d", &year, &month);
      write_cells(Request(orv::CalendarMonthEndpoint(year, month)));
      forth = true;
      Mark("goto", 0);
    } else if (command.rfind("day ", 0) == 0) {
      Json::Value reply = Request(orv::CalendarDateEndpoint(year, month, std::atoi(arg.c_str())));
      GVariantDict d;
      g_variant_dict_init(&d, nullptr);
      g_variant_dict_insert(&d, "reply", "s", Compact(reply).c_str());
      g_variant_dict_insert(&d, "row", "s", row.c_str());
      std::string rows = Run(kWriteRows, g_variant_dict_end(&d));
      WaitPainted();
      Mark("day", Now() - t, rows);
    } else {
      Mark(command.c_str(), 0);
    }
  }
  return 0;
}
