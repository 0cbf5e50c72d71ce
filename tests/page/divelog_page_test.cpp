// The day list's view and edit buttons (DiveMapFunc) and the log edit
// dialog's page (LogEditFunc) on the real pages in the headless engine,
// against a real orvelle-cloudsim. What the map and chart pages are sent is
// read from the calls the engine records for its child views.
#include <gtest/gtest.h>

#include <json/reader.h>

#include "account/sign_in.h"
#include "app/app_state.h"
#include "app/dialogs.h"
#include "app/headless/headless_engine.h"
#include "app/program_messages.h"
#include "app/string_table.h"
#include "cloud/endpoints.h"
#include "cloud/http_post.h"
#include "cloud/reply_check.h"
#include "divelog/dive_map_func.h"
#include "divelog/log_edit_func.h"
#include "seed.h"
#include "shared_sim_test.h"

namespace orv {
namespace {

const std::string kBin = ORVELLE_BIN_DIR;

std::vector<std::string> Functions(const HeadlessWindow& w) {
  std::vector<std::string> out;
  for (const auto& c : w.ChildCalls()) out.push_back(c.function);
  return out;
}

class DiveLogPage : public test::SharedSimTest {
 protected:
  void SetUp() override {
    test::SharedSimTest::SetUp();
    SetDialogBackend(&dialogs);
    LanguageCode = "ENG";
    State().unit = 0;
    State().page_folder = kBin + "/ENG/";
    ASSERT_EQ(SignInWithEmail(sim::kDemoEmail, sim::kDemoPassword).key(), "");
  }
  void TearDown() override {
    SetDialogBackend(nullptr);
    State().unit = 0;
  }
  static DiveLog Fetch(const std::string& id) {
    HttpPost http;
    HeadlessWindow none;
    return FetchDiveLog(http, id, &none).value_or(DiveLog());
  }
  // Opens log_edit.htm for `record` as the dialog does.
  void OpenEditPage(LogEditRecord& record) {
    ASSERT_TRUE(dlg.LoadFile(kBin + "/ENG/log_edit.htm"));
    edit = std::make_unique<LogEditFunc>(record, [this](int r) { ended = r; });
    dlg.SetEventSink(&sink);
    edit->attach(&dlg);
  }
  bool IsHiddenNode(const std::string& id) {
    // The attribute is present (possibly empty): serialise and look.
    const std::string html = dlg.InnerHtml(dlg.Root());
    const size_t at = html.find("id=\"" + id + "\"");
    const size_t open = html.rfind('<', at);
    const size_t close = html.find('>', at);
    return html.substr(open, close - open).find(" hidden") != std::string::npos;
  }

  struct Sink : EventSink {
    DiveLogPage* t;
    explicit Sink(DiveLogPage* p) : t(p) {}
    void OnPageEvent(const ElementRef& e, const PageEvent& ev) override { t->edit->on_event(e, ev); }
  } sink{this};
  RecordingDialogs dialogs;
  HeadlessWindow main, dlg;
  std::unique_ptr<LogEditFunc> edit;
  int ended = -1;
};

TEST_F(DiveLogPage, ViewSendsValuesMarkersAndChartToTheDetailPage) {
  ASSERT_TRUE(main.LoadFile(kBin + "/ENG/main.htm"));
  DiveMapFunc func(nullptr);
  func.attach(&main);
  EXPECT_EQ(main.ChildViewPage(main.FindInFrame("framepage1", "ie")), "web_html/main.htm");

  // A row of the day list as the calendar builds it.
  ElementRef list = main.FindInFrame("framepage1", "cell_tbody");
  list.AppendHtml(
      R"(<tr><td><button id="view" objid="d000001"></button><button id="edit" objid="x"></button></td></tr>)");
  PageEvent click;
  click.target = list.FindBelow("view");
  func.on_event(click.target, click);
  const std::vector<std::string> sent = Functions(main);
  ASSERT_GE(sent.size(), 4u);
  EXPECT_EQ(sent.front(), "setDiveValue");
  EXPECT_EQ(sent[1], "clrMarker");
  EXPECT_EQ(sent.back(), "setDiveChart");
  for (const auto& c : main.ChildCalls()) EXPECT_EQ(c.page, "web_html/main.htm");
  // The chart has one point per profile sample of the stored dive.
  const DiveLog log = Fetch("d000001");
  Json::Value chart;
  Json::Reader().parse(main.ChildCalls().back().args.at(1), chart);
  EXPECT_EQ(chart["time"].size(), log["dive_profiles"].size());
  EXPECT_EQ(chart["depth"].size(), log["dive_profiles"].size());
  EXPECT_GT(chart["time"].size(), 2u);

  // An unknown dive: the failure shows in `message`, nothing is sent.
  main.ClearChildCalls();
  EXPECT_FALSE(func.View("no-such-dive"));
  EXPECT_TRUE(main.ChildCalls().empty());
  EXPECT_FALSE(main.TextOf(main.FindById("message")).empty());
}

TEST_F(DiveLogPage, EditSavedIsShownAndStoredExitStoresNothing) {
  ASSERT_TRUE(main.LoadFile(kBin + "/ENG/main.htm"));
  const DiveLog before = Fetch("d000002");
  int runs = 0;
  DiveMapFunc func([&](LogEditRecord& r) {
    ++runs;
    r.weight = 9.5;
    r.visibility = 3;
    return runs == 1 ? 0 : 1;  // first closed, then saved
  });
  func.attach(&main);
  main.ClearChildCalls();
  EXPECT_TRUE(func.Edit("d000002"));
  EXPECT_TRUE(main.ChildCalls().empty());
  EXPECT_EQ(Fetch("d000002")["weight"], before["weight"]);

  EXPECT_TRUE(func.Edit("d000002"));
  ASSERT_FALSE(main.ChildCalls().empty());
  EXPECT_EQ(main.ChildCalls().front().function, "setDiveValue");
  EXPECT_NE(main.ChildCalls().front().args.at(0).find("\"9.5\""), std::string::npos);
  const DiveLog after = Fetch("d000002");
  EXPECT_EQ(after["weight"].asString(), "9.500000");
  EXPECT_EQ(after["visibility_type"].asInt(), 3);
  EXPECT_EQ(MapEvents().receiver, &main);
}

TEST_F(DiveLogPage, RefusedSaveKeepsTheStoredDiveAndOffersTheEditAgain) {
  ASSERT_TRUE(main.LoadFile(kBin + "/ENG/main.htm"));
  const DiveLog stored = Fetch("d000003");
  std::string shown_weight, typed = "9.5", button = "save";
  DiveMapFunc func([&](LogEditRecord& r) {
    OpenEditPage(r);
    shown_weight = dlg.GetValue(dlg.FindById("weight"));
    dlg.SetValue(dlg.FindById("weight"), typed);
    dlg.Click(button);
    return ended;
  });
  func.attach(&main);
  main.ClearChildCalls();
  const std::string message_id = "message";
  auto message = [&] { return main.TextOf(main.FindById(message_id)); };

  // Refused: nothing shown as saved, the failure said, the edit kept.
  ASSERT_TRUE(server_->SetFault("patch_divelog", "badcode"));
  EXPECT_TRUE(func.Edit("d000003"));
  EXPECT_TRUE(main.ChildCalls().empty());
  EXPECT_EQ(message(), Tr("LOG_SAVE_FAILED"));
  EXPECT_TRUE(func.HasUnsavedEdit("d000003"));
  EXPECT_EQ(Fetch("d000003"), stored);

  // Edit again: the unsaved value is offered; the store now succeeds.
  ASSERT_TRUE(server_->SetFault("patch_divelog", "none"));
  EXPECT_TRUE(func.Edit("d000003"));
  EXPECT_EQ(shown_weight, "9.5");
  EXPECT_EQ(message(), "");
  ASSERT_FALSE(main.ChildCalls().empty());
  EXPECT_EQ(main.ChildCalls().front().function, "setDiveValue");
  EXPECT_EQ(Fetch("d000003")["weight"], "9.500000");
  EXPECT_FALSE(func.HasUnsavedEdit("d000003"));

  // Refused again, then closed without saving: the edit is dropped.
  ASSERT_TRUE(server_->SetFault("patch_divelog", "html500"));
  typed = "12";
  EXPECT_TRUE(func.Edit("d000003"));
  EXPECT_TRUE(func.HasUnsavedEdit("d000003"));
  server_->SetFault("patch_divelog", "none");
  button = "exit";
  EXPECT_TRUE(func.Edit("d000003"));
  EXPECT_FALSE(func.HasUnsavedEdit("d000003"));
  EXPECT_EQ(message(), "");  // the fetch succeeded
  button = "save";
  EXPECT_TRUE(func.Edit("d000003"));
  EXPECT_EQ(shown_weight, "9.5");  // the stored value, not the dropped edit
}

TEST_F(DiveLogPage, SaveWithoutChangesStoresTheDiveByteForByte) {
  ASSERT_TRUE(main.LoadFile(kBin + "/ENG/main.htm"));
  // Values an imperial round trip or a whole-number field would bend, and a
  // weather code the page offers no choice for.
  DiveLog odd = Fetch("d000004");
  odd["air_in_text"] = "210";
  odd["air_out_text"] = "40";
  odd["weight"] = "6.5";
  odd["suit_thickness"] = "3.5";
  odd["weather_type"] = 6;
  {
    HttpPost http;
    ASSERT_TRUE(http.Connect());
    ASSERT_TRUE(ReplyCheck(Send(http, PatchDiveLogEndpoint("d000004", DiveLogJsonText(odd)))).ok());
  }
  const std::string before = DiveLogJsonText(Fetch("d000004"));
  DiveMapFunc func([&](LogEditRecord& r) {
    OpenEditPage(r);
    dlg.Click("save");
    return ended;
  });
  func.attach(&main);
  for (int unit : {1, 0}) {
    State().unit = unit;
    ended = -1;
    EXPECT_TRUE(func.Edit("d000004"));
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(DiveLogJsonText(Fetch("d000004")), before) << unit;
  }
}

TEST_F(DiveLogPage, EditPageFillsHidesAndSavesInImperial) {
  State().unit = 1;
  LogEditRecord r;
  r.start_pressure = 210;
  r.end_pressure = 50;
  r.cylinder_volume = 12;
  r.weather = 2;
  r.suit_thickness = 5.9;
  r.weight = 4;
  r.entry_latitude = 0.0000005;  // below one millionth: no position
  OpenEditPage(r);
  EXPECT_EQ(dlg.ChildViewPage(dlg.FindById("ie")), "web_html/maps.htm");
  EXPECT_EQ(MapEvents().receiver, &dlg);
  EXPECT_EQ(dlg.GetValue(dlg.FindById("s_bar")), "3046");
  EXPECT_EQ(dlg.TextOf(dlg.FindById("s_bar_unit")), "psi");
  EXPECT_EQ(dlg.GetValue(dlg.FindById("weather")), "2");
  EXPECT_EQ(dlg.GetValue(dlg.FindById("suit_thickness")), "5");
  EXPECT_EQ(dlg.GetValue(dlg.FindById("weight")), "8.8");
  EXPECT_FALSE(IsHiddenNode("edit_ds"));
  EXPECT_FALSE(IsHiddenNode("scuba_option_value"));

  dlg.SetValue(dlg.FindById("weight"), "16.5");
  dlg.SetValue(dlg.FindById("s_bar"), "2901");
  dlg.SetValue(dlg.FindById("volume"), "12.7");
  dlg.SetValue(dlg.FindById("e_bar"), "abc");
  ASSERT_TRUE(dlg.Click("save"));
  EXPECT_EQ(ended, 1);
  EXPECT_NEAR(r.weight, 7.484274, 5e-7);
  EXPECT_NEAR(r.start_pressure, 200.016909, 5e-7);
  EXPECT_EQ(r.end_pressure, 0);
  EXPECT_EQ(r.cylinder_volume, 12);
  EXPECT_EQ(r.suit_thickness, 5.9);  // shown as 5 and left alone: kept whole
  EXPECT_EQ(r.weather, 2);
}

TEST_F(DiveLogPage, FreeDiveWithPositionHidesCylinderAndSiteChoice) {
  LogEditRecord r;
  r.dive_type = DiveType::Free;
  r.start_pressure = 123;
  r.exit_longitude = 121.5;
  OpenEditPage(r);
  EXPECT_TRUE(IsHiddenNode("scuba_option_title"));
  EXPECT_TRUE(IsHiddenNode("scuba_option_value"));
  EXPECT_TRUE(IsHiddenNode("edit_ds"));
  // The map page reports it loaded: only then the markers.
  EXPECT_TRUE(dlg.ChildCalls().empty());
  edit->OnMapLoaded();
  EXPECT_EQ(Functions(dlg), (std::vector<std::string>{"setEMarker", "setCenter"}));
  dlg.SetValue(dlg.FindById("s_bar"), "999");
  ASSERT_TRUE(dlg.Click("exit"));
  EXPECT_EQ(ended, 0);
  EXPECT_EQ(r.start_pressure, 123);
}

TEST_F(DiveLogPage, SiteSearchListsPicksAndReturnsToTheMap) {
  LogEditRecord r;
  OpenEditPage(r);
  ASSERT_TRUE(dlg.Click("edit_ds"));
  EXPECT_TRUE(IsHiddenNode("ie"));
  EXPECT_FALSE(IsHiddenNode("ds"));

  dlg.SetValue(dlg.FindById("ds_name"), "R");
  ASSERT_TRUE(dlg.Click("search"));
  EXPECT_EQ(dlg.ChildCount(dlg.FindById("cell_tbody")), 0);
  EXPECT_TRUE(edit->poi_results().isNull());

  dlg.SetValue(dlg.FindById("ds_name"), "Reef");
  ASSERT_TRUE(dlg.Click("search"));
  const Json::Value pois = edit->poi_results();
  ASSERT_GE(pois.size(), 3u);
  ElementRef list = dlg.FindById("cell_tbody");
  ASSERT_EQ(dlg.ChildCount(list), static_cast<int>(pois.size()));
  ElementRef second = list.Child(1);
  EXPECT_EQ(dlg.TextOf(second.FindBelow("poi_name")), pois[1]["poi_name"].asString());
  EXPECT_EQ(dlg.TextOf(second.FindBelow("poi_region")), pois[1]["poi_region"].asString());

  dlg.ClearChildCalls();
  dlg.ClickElement(second.FindBelow("dive_site_poi"));
  EXPECT_EQ(r.site_id, pois[1]["poi_id"].asString());
  EXPECT_DOUBLE_EQ(r.site_latitude, pois[1]["gps_location"]["latitude"].asDouble());
  EXPECT_EQ(Functions(dlg), (std::vector<std::string>{"setSMarker", "setCenter"}));
  EXPECT_FALSE(IsHiddenNode("ie"));
  EXPECT_TRUE(IsHiddenNode("ds"));

  // A failing search keeps the rows and says why.
  ASSERT_TRUE(server_->SetFault("search", "badcode"));
  dlg.SetValue(dlg.FindById("ds_name"), "Blue");
  ASSERT_TRUE(dlg.Click("search"));
  server_->SetFault("search", "none");
  EXPECT_FALSE(dlg.TextOf(dlg.FindById("message")).empty());
  EXPECT_EQ(dlg.ChildCount(list), static_cast<int>(pois.size()));
  EXPECT_EQ(edit->poi_results(), pois);

  // A catalogue entry off the world is refused: the dive keeps its site and
  // the diver stays in the search.
  ASSERT_TRUE(server_->SetFault("search", "offworld"));
  ASSERT_TRUE(dlg.Click("search"));
  server_->SetFault("search", "none");
  ASSERT_EQ(dlg.ChildCount(list), 1);
  ASSERT_TRUE(dlg.Click("edit_ds"));
  dlg.ClearChildCalls();
  dlg.ClickElement(list.Child(0).FindBelow("dive_site_poi"));
  EXPECT_EQ(dialogs.messages, std::vector<std::string>{Tr("LATLNG_RANGE_ERROR")});
  EXPECT_EQ(r.site_id, pois[1]["poi_id"].asString());
  EXPECT_TRUE(Functions(dlg).empty());
  EXPECT_TRUE(IsHiddenNode("ie"));
}

}  // namespace
}  // namespace orv
