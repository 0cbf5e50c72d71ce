// The dive site page (DiveSiteFunc) on the real divesite.htm inside main.htm
// in the headless engine: the lists and the edit inputs, the type selector,
// the map's messages, .ds files through a scripted chooser, and the catalogue
// search against a real orvelle-cloudsim.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <deque>
#include <fstream>

#include "account/sign_in.h"
#include "app/app_state.h"
#include "app/dialogs.h"
#include "app/headless/headless_engine.h"
#include "app/program_messages.h"
#include "app/string_table.h"
#include "seed.h"
#include "shared_sim_test.h"
#include "sites/dive_site_func.h"
#include "sites/ds_file.h"

namespace orv::sites {
namespace {

const std::string kBin = ORVELLE_BIN_DIR;

// Answers the file dialogs from a script; an empty answer is a cancel.
struct ScriptedChooser : FileChooser {
  std::deque<std::optional<std::string>> answers;
  int asked = 0;
  std::optional<std::string> Next() {
    ++asked;
    if (answers.empty()) return std::nullopt;
    auto a = answers.front();
    answers.pop_front();
    return a;
  }
  std::optional<std::string> Open() override { return Next(); }
  std::optional<std::string> Save() override { return Next(); }
};

class SitesPage : public ::testing::Test {
 protected:
  void SetUp() override {
    SetDialogBackend(&dialogs);
    LanguageCode = "ENG";
    State().page_folder = kBin + "/ENG/";
    ASSERT_TRUE(main.LoadFile(kBin + "/ENG/main.htm"));
    handlers.push_back(std::make_unique<DiveSiteFunc>(&files));
    func = static_cast<DiveSiteFunc*>(handlers.back().get());
    main.SetEventSink(&sink);
    func->attach(&main);
  }
  void TearDown() override {
    handlers.clear();
    SetDialogBackend(nullptr);
    SetMapEventReceiver(nullptr);
  }
  ElementRef In(const std::string& id) { return main.FindInFrame("framepage2", id); }
  std::string Val(const std::string& id) { return In(id).Value(); }
  bool Click(const std::string& id) { return main.ClickInFrame("framepage2", id); }
  void ChooseType(const std::string& code) {
    In("dive_site_type").SetValue(code);
    main.ClickElement(In("dive_site_type"), kEventSelectionChanged);
  }
  void MapSays(int number, double x, double y) { PostProgramMessage(ProgramMessage{number, 0, x, y}); }
  int Rows() { return main.ChildCount(In("cell_tbody")); }
  ElementRef Row(int i) { return In("cell_tbody").Child(i); }
  std::string RowText(int i, const std::string& id) { return main.TextOf(Row(i).FindBelow(id)); }
  void ClickRow(int i) { main.ClickElement(Row(i).FindBelow("dive_site_cell")); }
  bool HasDisabled(const std::string& id) {
    const std::string html = main.InnerHtml(main.NthChild(main.FindById("framepage2"), 0));
    const size_t at = html.find("id=\"" + id + "\"");
    const size_t open = html.rfind('<', at), close = html.find('>', at);
    return html.substr(open, close - open).find(" disabled") != std::string::npos;
  }
  std::vector<std::string> Calls() {
    std::vector<std::string> out;
    for (const auto& c : main.ChildCalls()) out.push_back(c.function);
    return out;
  }

  RecordingDialogs dialogs;
  ScriptedChooser files;
  HeadlessWindow main;
  HandlerList handlers;
  HandlerListSink sink{handlers};
  DiveSiteFunc* func = nullptr;
};

TEST_F(SitesPage, AttachPlacesTheMapAndDisablesTheEditControls) {
  EXPECT_EQ(main.ChildViewPage(In("ie")), "web_html/maps.htm");
  for (const char* id : {"dive_site_edit_name", "dive_site_edit_lat", "dive_site_edit_lng", "dive_site_set",
                         "dive_site_del", "dive_site_save"})
    EXPECT_TRUE(HasDisabled(id)) << id;
  EXPECT_FALSE(HasDisabled("dive_site_new"));
  EXPECT_EQ(Rows(), 0);
}

TEST_F(SitesPage, NewSitesComeFromTheMapCentreAndAreSelectedEditedAndDeleted) {
  SetMapEventReceiver(&main);
  ASSERT_TRUE(Click("dive_site_new"));
  EXPECT_EQ(Calls(), std::vector<std::string>{"getCenter"});
  EXPECT_FALSE(HasDisabled("dive_site_save"));
  EXPECT_EQ(Rows(), 0);  // nothing until the map answers

  MapSays(kMsgMapCentre, -33.8567891, 151.2152967);
  MapSays(kMsgMapCentre, 25.0330007, 121.5654);
  ASSERT_EQ(Rows(), 2);
  EXPECT_EQ(RowText(0, "dive_site_name"), "unnamed");
  EXPECT_EQ(RowText(0, "dive_site_lat"), "Lat:-33.856789");
  EXPECT_EQ(RowText(1, "dive_site_lng"), "Lng:121.565400");
  EXPECT_EQ(Row(1).FindBelow("dive_site_cell").Attr("objid"), "1");
  EXPECT_EQ(Val("dive_site_edit_lat"), "25.033000");
  EXPECT_EQ(Calls().back(), "setCMarker");

  // The pointer position and a dragged marker touch only the inputs.
  MapSays(kMsgMapMouse, 1.5, -2.25);
  EXPECT_EQ(Val("mouse_move_lat"), "1.500000");
  EXPECT_EQ(Val("mouse_move_lng"), "-2.250000");
  ClickRow(0);
  EXPECT_EQ(Val("dive_site_edit_lng"), "151.215296");
  MapSays(kMsgMarkerMoved, -33.9, 151.3);
  EXPECT_EQ(Val("dive_site_edit_name"), "unnamed");
  EXPECT_EQ(Val("dive_site_edit_lat"), "-33.900000");
  EXPECT_EQ(RowText(0, "dive_site_lat"), "Lat:-33.856789");

  In("dive_site_edit_name").SetValue("Blue Hole");
  main.ClearChildCalls();
  ASSERT_TRUE(Click("dive_site_set"));  // preview: map only
  EXPECT_EQ(Calls(), (std::vector<std::string>{"setCenter", "clrMarker", "setCMarker"}));
  EXPECT_EQ(RowText(0, "dive_site_name"), "unnamed");
  ASSERT_TRUE(Click("dive_site_save"));
  EXPECT_EQ(RowText(0, "dive_site_name"), "Blue Hole");
  EXPECT_EQ(RowText(0, "dive_site_lat"), "Lat:-33.900000");

  // Map events meant for another window (the log dialog's map) are not ours.
  HeadlessWindow other;
  SetMapEventReceiver(&other);
  MapSays(kMsgMapCentre, 1, 1);
  EXPECT_EQ(Rows(), 2);
  SetMapEventReceiver(&main);

  dialogs.yes_answer = false;
  ASSERT_TRUE(Click("dive_site_del"));
  EXPECT_EQ(Rows(), 2);
  dialogs.yes_answer = true;
  ASSERT_TRUE(Click("dive_site_del"));
  ASSERT_EQ(dialogs.questions.size(), 2u);
  EXPECT_EQ(dialogs.questions.back(), Tr("TO_DEL_DIVE_SIZE"));
  ASSERT_EQ(Rows(), 1);
  EXPECT_EQ(RowText(0, "dive_site_lng"), "Lng:121.565400");
  EXPECT_EQ(Row(0).FindBelow("dive_site_cell").Attr("objid"), "0");
  EXPECT_TRUE(HasDisabled("dive_site_del"));
  EXPECT_EQ(Val("dive_site_edit_name"), "");
}

TEST_F(SitesPage, TypedPositionsOffTheWorldAreRefused) {
  SetMapEventReceiver(&main);
  MapSays(kMsgMapCentre, 10, 20);
  ClickRow(0);
  const std::string refused = Tr("LATLNG_RANGE_ERROR");
  // Neither the preview nor the save takes a refused position; the edges of
  // the world are positions like any other.
  const struct {
    const char* lat;
    const char* lng;
    bool taken;
  } cases[] = {{"200", "20", false},       {"10", "-400.5", false}, {"-90.5", "0", false},
               {"0", "180.000001", false}, {"-90", "180", true},    {"90", "-180", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.lat) + " " + c.lng);
    const std::string row_lat = RowText(0, "dive_site_lat");
    dialogs.messages.clear();
    In("dive_site_edit_lat").SetValue(c.lat);
    In("dive_site_edit_lng").SetValue(c.lng);
    main.ClearChildCalls();
    ASSERT_TRUE(Click("dive_site_set"));
    ASSERT_TRUE(Click("dive_site_save"));
    if (c.taken) {
      EXPECT_TRUE(dialogs.messages.empty());
      EXPECT_EQ(RowText(0, "dive_site_lat"), "Lat:" + FormatMicroDegrees(ParseMicroDegrees(c.lat)));
    } else {
      EXPECT_EQ(dialogs.messages, (std::vector<std::string>{refused, refused}));
      EXPECT_TRUE(Calls().empty());
      EXPECT_EQ(RowText(0, "dive_site_lat"), row_lat);
      EXPECT_EQ(Val("dive_site_edit_lat"), c.lat);  // left for the diver to correct
    }
  }

  // A site read from a file keeps the position it was stored with.
  const std::string path = ::testing::TempDir() + "sites_page_offworld.ds";
  SiteLists stored;
  stored[0] = {DiveSite::Make(0, "stored", 200000000, -400500000)};
  ASSERT_TRUE(WriteDsFile(path, stored));
  files.answers = {path};
  dialogs.messages.clear();
  ASSERT_TRUE(Click("dive_site_import"));
  ClickRow(0);
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(RowText(0, "dive_site_lat"), "Lat:200.000000");
  EXPECT_EQ(Val("dive_site_edit_lng"), "-400.500000");
  std::remove(path.c_str());
}

TEST_F(SitesPage, TypeSelectorSwitchesListsOnSelectionChangeOnly) {
  SetMapEventReceiver(&main);
  MapSays(kMsgMapCentre, 10, 20);
  ClickRow(0);
  ChooseType("2");
  EXPECT_EQ(func->model().current_type(), 2);
  EXPECT_EQ(Rows(), 0);
  // The selection stays, but deleting needs a site of the shown list, and
  // without one nothing is asked.
  ASSERT_TRUE(func->model().selection().has_value());
  ASSERT_TRUE(Click("dive_site_del"));
  EXPECT_EQ(func->model().list(0).size(), 1u);
  EXPECT_TRUE(dialogs.questions.empty());
  MapSays(kMsgMapCentre, 30, 40);
  EXPECT_EQ(func->model().list(2).size(), 1u);
  EXPECT_EQ(func->model().list(2)[0].type, 2);

  // A plain click on the selector changes nothing.
  In("dive_site_type").SetValue("0");
  main.ClickElement(In("dive_site_type"));
  EXPECT_EQ(func->model().current_type(), 2);
  ChooseType("0");
  ASSERT_EQ(Rows(), 1);
  EXPECT_EQ(RowText(0, "dive_site_lat"), "Lat:10.000000");
}

TEST_F(SitesPage, ImportAndExportGoThroughTheChooser) {
  SetMapEventReceiver(&main);
  MapSays(kMsgMapCentre, 22.662, 121.49);
  ChooseType("1");
  MapSays(kMsgMapCentre, -8.4095178, 115.188916);
  const std::string path = ::testing::TempDir() + "sites_page_export.ds";
  std::remove(path.c_str());

  files.answers = {std::nullopt};  // cancelled: no file
  ASSERT_TRUE(Click("dive_site_export"));
  EXPECT_FALSE(std::ifstream(path).good());
  files.answers = {path};
  ASSERT_TRUE(Click("dive_site_export"));
  EXPECT_TRUE(dialogs.messages.empty());
  std::optional<SiteLists> written = ReadDsFile(path);
  ASSERT_TRUE(written);
  EXPECT_EQ((*written)[0].size(), 1u);
  EXPECT_EQ((*written)[1].size(), 1u);

  // Import replaces everything and shows the scuba list.
  MapSays(kMsgMapCentre, 1, 1);
  ChooseType("1");
  ASSERT_EQ(Rows(), 2);
  files.answers = {path};
  ASSERT_TRUE(Click("dive_site_import"));
  EXPECT_EQ(Val("dive_site_type"), "0");
  EXPECT_EQ(func->model().list(1).size(), 1u);
  EXPECT_EQ(func->model().list(1)[0].latitude, -8409517);
  ASSERT_EQ(Rows(), 1);
  EXPECT_EQ(RowText(0, "dive_site_lat"), "Lat:22.662000");
  EXPECT_TRUE(HasDisabled("dive_site_save"));

  // A broken file keeps the lists and says so; so does an unwritable path.
  const std::string bad = ::testing::TempDir() + "sites_page_bad.ds";
  std::ofstream(bad) << "<orvelle_dive_site><scuba>";
  files.answers = {bad};
  ASSERT_TRUE(Click("dive_site_import"));
  EXPECT_EQ(func->model().list(0).size(), 1u);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0], Tr("DS_FILE_ERROR"));
  files.answers = {::testing::TempDir() + "no-such-folder/x.ds"};
  ASSERT_TRUE(Click("dive_site_export"));
  EXPECT_EQ(dialogs.messages.size(), 2u);
  // A FIFO is refused at once, not waited on for a writer that never comes,
  // and an export does not replace it.
  const std::string fifo = ::testing::TempDir() + "sites_page_fifo.ds";
  std::remove(fifo.c_str());
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  files.answers = {fifo, fifo};
  ASSERT_TRUE(Click("dive_site_import"));
  ASSERT_TRUE(Click("dive_site_export"));
  EXPECT_EQ(dialogs.messages, std::vector<std::string>(4, Tr("DS_FILE_ERROR")));
  EXPECT_EQ(func->model().list(0).size(), 1u);
  struct stat st {};
  EXPECT_TRUE(::lstat(fifo.c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
  EXPECT_EQ(files.asked, 7);
  std::remove(path.c_str());
  std::remove(bad.c_str());
  std::remove(fifo.c_str());
}

TEST_F(SitesPage, RestartPutsTheMapIntoTheNewPageAndKeepsTheLists) {
  SetMapEventReceiver(&main);
  MapSays(kMsgMapCentre, 5, 6);
  ChooseType("2");
  ASSERT_TRUE(main.LoadFile(kBin + "/CHT/main.htm"));
  State().page_folder = kBin + "/CHT/";
  func->Restart();
  EXPECT_EQ(main.ChildViewPage(In("ie")), "web_html/maps.htm");
  EXPECT_EQ(func->model().current_type(), 0);
  EXPECT_EQ(Rows(), 1);
  EXPECT_TRUE(HasDisabled("dive_site_edit_name"));
  State().page_folder = kBin + "/ENG/";
}

class SitesSearch : public test::SharedSimTest {
 protected:
  void SetUp() override {
    test::SharedSimTest::SetUp();
    SetDialogBackend(&dialogs);
    LanguageCode = "ENG";
    State().page_folder = kBin + "/ENG/";
    ASSERT_EQ(SignInWithEmail(sim::kDemoEmail, sim::kDemoPassword).key(), "");
    ASSERT_TRUE(main.LoadFile(kBin + "/ENG/main.htm"));
    func.attach(&main);
  }
  void TearDown() override { SetDialogBackend(nullptr); }
  ElementRef In(const std::string& id) { return main.FindInFrame("framepage2", id); }
  void Find(const std::string& text) {
    In("dive_site_find_name").SetValue(text);
    main.ClearChildCalls();
    func.Search();
  }
  int Results() { return main.ChildCount(In("poi_cell_tbody")); }

  RecordingDialogs dialogs;
  HeadlessWindow main;
  DiveSiteFunc func;
};

TEST_F(SitesSearch, ResultsFillTheInputsListOrPopUp) {
  Find("S");  // one letter: nothing is asked
  EXPECT_EQ(Results(), 0);
  EXPECT_TRUE(func.results().isNull());

  Find("Shihlang");
  ASSERT_EQ(Results(), 1);
  EXPECT_EQ(main.TextOf(In("poi_cell_tbody").Child(0).FindBelow("poi_region")), "Green Island, Taiwan");
  EXPECT_EQ(In("dive_site_edit_name").Value(), "Shihlang");
  EXPECT_EQ(In("dive_site_edit_lat").Value(), "22.633600");
  ASSERT_FALSE(main.ChildCalls().empty());
  // Centred, zoomed and marked.
  ASSERT_EQ(main.ChildCalls().size(), 3u);
  EXPECT_EQ(main.ChildCalls()[0].function, "setCenterWithZoom");
  EXPECT_EQ(main.ChildCalls()[0].args, (std::vector<std::string>{"22.633600", "121.471100", "14"}));
  EXPECT_EQ(main.ChildCalls()[1].function, "clrMarker");
  EXPECT_EQ(main.ChildCalls()[2].function, "setCMarker");
  EXPECT_EQ(main.ChildCalls()[2].args, (std::vector<std::string>{"22.633600", "121.471100"}));
  EXPECT_FALSE(main.PopupShown(In("pop_table")));

  Find("Cozumel");
  ASSERT_GT(Results(), 1);
  EXPECT_TRUE(main.PopupShown(In("pop_table")));
  EXPECT_EQ(In("dive_site_edit_name").Value(), "Shihlang");
  ElementRef second = In("poi_cell_tbody").Child(1).FindBelow("dive_site_poi");
  const std::string picked = main.TextOf(In("poi_cell_tbody").Child(1).FindBelow("poi_name"));

  // A failed later search keeps the results; picking still uses them.
  ASSERT_TRUE(server_->SetFault("search", "badcode"));
  Find("Palancar");
  server_->SetFault("search", "none");
  EXPECT_EQ(main.TextOf(main.FindById("message")), Tr("DATA_ERROR"));
  ASSERT_GT(Results(), 1);
  PageEvent click;
  click.target = second;
  func.on_event(second, click);
  EXPECT_EQ(In("dive_site_edit_name").Value(), picked);
  EXPECT_FALSE(main.PopupShown(In("pop_table")));
  EXPECT_EQ(main.ChildCalls().back().function, "setCMarker");

  // Nothing found: the list empties, the inputs stay, and the diver is told.
  Find("no such place anywhere");
  EXPECT_EQ(Results(), 0);
  EXPECT_EQ(main.TextOf(main.FindById("message")), Tr("DIVE_SITE_NOT_FOUND"));
  EXPECT_EQ(In("dive_site_edit_name").Value(), picked);
  func.PickResult("unknown");  // matches nothing: only the popup closes
  EXPECT_EQ(In("dive_site_edit_name").Value(), picked);

  // A catalogue entry off the world is refused, not shown on the map.
  ASSERT_TRUE(server_->SetFault("search", "offworld"));
  Find("Anywhere");
  server_->SetFault("search", "none");
  ASSERT_EQ(Results(), 1);
  EXPECT_EQ(dialogs.messages, std::vector<std::string>{Tr("LATLNG_RANGE_ERROR")});
  EXPECT_EQ(In("dive_site_edit_name").Value(), picked);
  EXPECT_TRUE(main.ChildCalls().empty());
}

}  // namespace
}  // namespace orv::sites
