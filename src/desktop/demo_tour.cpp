#include "desktop/demo_tour.h"

#include <cstdio>
#include <filesystem>

#include <json/json.h>

#include "desktop/page_dialog.h"
#include "desktop/ui_wait.h"

namespace orv::gtk {

namespace {

void Pause(int ms) { UiWait::Get().Pause(ms); }

void Shot(WebKitWindow& window, const std::string& folder, const std::string& name) {
  Pause(400);  // let the page paint what was just written
  std::string path = folder + "/" + name + ".png";
  if (window.SaveSnapshot(path)) std::printf("screenshot: %s\n", path.c_str());
}

void Click(WebKitWindow& window, const std::string& frame, const std::string& id) {
  // A real DOM click, exactly as the diver's would arrive; ids go in as
  // JSON strings, never as script.
  std::string doc = frame.empty()
                        ? "document"
                        : "document.getElementById(" + Json::valueToQuotedString(frame.c_str()) + ").contentDocument";
  window.EvalForTest("const e = " + doc + ".getElementById(" + Json::valueToQuotedString(id.c_str()) +
                     "); if (e) e.click(); return '';");
}

}  // namespace

void ArmTourSignIn(const std::string& folder) {
  std::filesystem::create_directories(folder);
  SetDialogObserver([folder](DialogPage& page) {
    static int shots = 0;
    Shot(page.window(), folder,
         "0" + std::to_string(++shots) + "-" + page.PageName().substr(0, page.PageName().find('.')));
    if (page.PageName() == "login.htm") {
      Click(page.window(), "", "login");
    } else if (page.PageName() == "progress.htm") {
      Pause(1500);  // let the worker get going before the second picture
      Shot(page.window(), folder, "0" + std::to_string(++shots) + "-progress-running");
    } else {
      Click(page.window(), "", "ok");
    }
  });
  SetDialogWatchdog(30000);
}

void RunTour(MainFrame& frame, const std::string& folder) {
  WebKitWindow& page = frame.page();
  Pause(1000);
  Shot(page, folder, "10-log-book");
  // Open the most recent day with dives in the shown month.
  std::string cell = page.EvalForTest(
      "const d = document.getElementById('framepage1').contentDocument;"
      "const days = d.querySelectorAll('.date_td_in_dive_day');"
      "return days.length ? days[days.length - 1].id : '';");
  if (!cell.empty() && cell.rfind("date_cell_", 0) == 0) {
    Click(page, "framepage1", cell);
    Pause(1000);
    Shot(page, folder, "11-day-list");
  }
  // Upload the virtual dive computer's dives; the progress dialog pictures
  // itself through the dialog hook, the totals change afterwards.
  Click(page, "", "upload");
  Pause(1500);
  Shot(page, folder, "13-after-upload");
  // Update the firmware: the question is answered yes by the dialog hook.
  Click(page, "", "update_fw");
  Pause(500);
  Click(page, "", "page2");
  Shot(page, folder, "14-dive-sites");
  Click(page, "", "page1");
  Click(page, "", "about");  // the about box pictures itself through the dialog hook
  Pause(500);
  SetDialogObserver(nullptr);
}

}  // namespace orv::gtk
