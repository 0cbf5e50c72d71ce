// The second tab in the real main window: a .ds file imported through the
// page, written to orvelle-devsim and read back onto the map, and a catalogue
// search against orvelle-cloudsim, in both languages.
#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>

#include "account/sign_in.h"
#include "app/app_state.h"
#include "app/page_folder.h"
#include "app/program_messages.h"
#include "app/setting_func.h"
#include "app/string_table.h"
#include "desktop/generic_dialogs.h"
#include "desktop/main_frame.h"
#include "e2e/gui_device.h"
#include "e2e/gui_support.h"
#include "seed.h"
#include "sites/dive_site_func.h"
#include "sites/ds_file.h"

namespace orv {
namespace {

struct OneFile : sites::FileChooser {
  std::string path;
  std::optional<std::string> Open() override { return path; }
  std::optional<std::string> Save() override { return path; }
};

std::string InSites(gtk::WebKitWindow& page, const std::string& expr) {
  return page.EvalForTest(
      "const d = document.getElementById('framepage2').contentDocument;"
      "const f = d.querySelector('#ie > iframe.child-view');"
      "const w = f && f.contentWindow, m = f && f.contentDocument; return String(" +
      expr + ");");
}

sites::DiveSite Site(int type, const char* name, double lat, double lng) {
  sites::DiveSite s;
  s.type = static_cast<uint8_t>(type);
  s.SetName(name);
  s.latitude = sites::DegreesToMicro(lat);
  s.longitude = sites::DegreesToMicro(lng);
  return s;
}

TEST(GuiSites, ImportedSitesGoToTheDeviceAndComeBackOnTheMap) {
  ORV_REQUIRE_DISPLAY();
  e2e::ServiceAndDevice sims;
  ASSERT_TRUE(sims.running());
  ScaleX = ScaleY = 1.0f;
  State().unit = 0;
  ASSERT_EQ(SignInWithEmail(sim::kDemoEmail, sim::kDemoPassword).key(), "");
  gtk::GtkDialogs dialogs;
  SetDialogBackend(&dialogs);

  sites::SiteLists lists;
  lists[0] = {Site(0, "Houbihu", 21.9469, 120.7444), Site(0, "Banana Bay", 21.9344, 120.8306),
              Site(0, "Longdong Bay", 25.1111, 121.9194)};
  lists[1] = {Site(1, "Dongqing Bay", 22.0520, 121.5600)};
  lists[2] = {Site(2, "Orchid Island", 22.0500, 121.5500)};
  OneFile file;
  file.path = sims.tmp.File("kenting.ds");
  ASSERT_TRUE(sites::WriteDsFile(file.path, lists));
  OneFile empty;
  empty.path = sims.tmp.File("empty.ds");
  ASSERT_TRUE(sites::WriteDsFile(empty.path, {}));

  for (const std::string lang : {"ENG", "CHT"}) {
    LanguageCode = lang;
    State().page_folder = MakePageFolder(ProgramFolder(), lang);
    gtk::MainFrame frame;
    ASSERT_TRUE(frame.Create(PagePath("main.htm")));
    auto& page = frame.page();
    sites::DiveSiteFunc* func = nullptr;
    for (auto& h : frame.handlers())
      if (auto* f = dynamic_cast<sites::DiveSiteFunc*>(h.get())) func = f;
    ASSERT_NE(func, nullptr);
    e2e::ClickInPage(page, "page2");
    ASSERT_TRUE(e2e::WaitFor([&] { return InSites(page, "w && typeof w.setCMarker") == "function"; }, 10000));

    std::vector<std::string> shown;
    e2e::Observe([&](gtk::DialogPage& dlg) {
      auto& w = dlg.window();
      if (dlg.PageName() == "msg.htm")
        shown.push_back(w.EvalForTest("return document.getElementById('MsgText1').textContent;"));
      e2e::ClickInPage(w, "ok");
    });
    func->set_file_chooser(&file);
    e2e::ClickInPage(page, "dive_site_import", "framepage2");
    ASSERT_TRUE(
        e2e::WaitFor([&] { return InSites(page, "d.getElementById('cell_tbody').children.length") == "3"; }, 5000));
    e2e::ClickInPage(page, "dive_site_send", "framepage2");
    ASSERT_TRUE(e2e::WaitFor([&] { return !shown.empty(); }, 15000));
    ASSERT_EQ(shown, std::vector<std::string>{Tr("DIVE_SITE_WRITED")});

    // Emptied here, the lists come back from the dive computer.
    func->set_file_chooser(&empty);
    e2e::ClickInPage(page, "dive_site_import", "framepage2");
    ASSERT_TRUE(
        e2e::WaitFor([&] { return InSites(page, "d.getElementById('cell_tbody').children.length") == "0"; }, 5000));
    e2e::ClickInPage(page, "dive_site_read", "framepage2");
    ASSERT_TRUE(e2e::WaitFor([&] { return shown.size() == 2; }, 15000));
    ASSERT_EQ(shown.back(), Tr("DIVE_SITE_READED"));
    EXPECT_EQ(func->model().list(1).size(), 1u);
    EXPECT_EQ(func->model().list(2)[0].Name(), "Orchid Island");
    ASSERT_TRUE(
        e2e::WaitFor([&] { return InSites(page, "d.getElementById('cell_tbody').children.length") == "3"; }, 5000));
    EXPECT_EQ(InSites(page, "d.querySelector('#cell_tbody .site_name').textContent"), "Houbihu");

    // A click on a row selects it: inputs filled, marker on the map.
    page.EvalForTest(
        "document.getElementById('framepage2').contentDocument"
        ".querySelectorAll('#cell_tbody .site_pick')[1].click(); return '';");
    ASSERT_TRUE(e2e::WaitFor(
        [&] { return InSites(page, "d.getElementById('dive_site_edit_name').value") == "Banana Bay"; }, 5000));
    EXPECT_EQ(InSites(page, "d.getElementById('dive_site_save').disabled"), "false");
    EXPECT_TRUE(e2e::WaitFor([&] { return InSites(page, "m.querySelectorAll('.orv-pin').length") == "1"; }, 5000));
    e2e::WaitFor([] { return false; }, 800);
    e2e::SaveScreenshot(page, "sites_" + lang);

    // The type selector, changed as the diver does, shows the gauge list.
    page.EvalForTest(
        "const s = document.getElementById('framepage2').contentDocument.getElementById('dive_site_type');"
        "s.value = '2'; s.dispatchEvent(new Event('change', {bubbles: true})); return '';");
    EXPECT_TRUE(e2e::WaitFor([&] { return func->model().current_type() == 2; }, 5000));

    // Asked to centre far past the date line, the map stops at the world's
    // eastern edge (it neither leaves the world nor wraps round to 40°E),
    // and a new site at its centre lies within -180..180.
    InSites(page, "w.setCenter('10', '400')");
    e2e::ClickInPage(page, "dive_site_new", "framepage2");
    ASSERT_TRUE(e2e::WaitFor([&] { return func->model().list(2).size() == 2; }, 5000));
    const sites::DiveSite& centre = func->model().list(2).back();
    EXPECT_LE(std::abs(centre.longitude), 180000000);
    EXPECT_GE(std::abs(centre.longitude), 170000000);
    EXPECT_LE(std::abs(centre.latitude), 90000000);

    // A search with many results pops up the list under the search bar.
    page.EvalForTest(
        "document.getElementById('framepage2').contentDocument.getElementById('dive_site_find_name').value = "
        "'Cozumel'; return '';");
    e2e::ClickInPage(page, "dive_site_find", "framepage2");
    ASSERT_TRUE(e2e::WaitFor([&] { return InSites(page, "d.getElementById('pop_table').hidden") == "false"; }, 5000));
    EXPECT_NE(InSites(page, "d.getElementById('poi_cell_tbody').children.length"), "0");
    e2e::WaitFor([] { return false; }, 300);
    e2e::SaveScreenshot(page, "sites_search_" + lang);
    e2e::Observe(nullptr);

    if (lang == "ENG") {
      // A language change reloads main.htm: once the diver opens the dive
      // sites again, the map comes back in the new page and the lists are
      // still there.
      LanguageCode = "CHT";
      PostProgramMessage(ProgramMessage{kMsgSettingsChanged, kSettingsLanguage});
      ASSERT_TRUE(e2e::WaitFor([&] { return InSites(page, "d.documentElement.lang") == "zh-Hant-TW"; }, 10000));
      e2e::ClickInPage(page, "page2");
      ASSERT_TRUE(e2e::WaitFor([&] { return InSites(page, "w && typeof w.setCMarker") == "function"; }, 10000));
      EXPECT_TRUE(
          e2e::WaitFor([&] { return InSites(page, "d.getElementById('cell_tbody').children.length") == "3"; }, 5000));
      EXPECT_EQ(InSites(page, "d.getElementById('dive_site_save').disabled"), "true");
    }
    gtk_widget_destroy(GTK_WIDGET(frame.gtk_window()));
  }
  SetDialogBackend(nullptr);
  LanguageCode = "ENG";
}

}  // namespace
}  // namespace orv
