// The three lists and the operations the dive site page drives, against a
// view that records what the page would have been told.
#include <gtest/gtest.h>

#include "app/dialogs.h"
#include "app/string_table.h"
#include "sites/site_lists.h"

namespace orv::sites {
namespace {

struct RecordingView : SiteView {
  void RenderList(const SiteList& list) override { rendered.push_back(list); }
  void ShowEditValues(const EditValues& v, bool with_name) override {
    if (with_name) input_name = v.name;
    input_lat = FormatDegrees(v.latitude);
    input_lng = FormatDegrees(v.longitude);
  }
  EditInputs ReadEditInputs() override { return {input_name, input_lat, input_lng}; }
  void ShowOnMap(double lat, double lng) override { map.push_back(FormatDegrees(lat) + "," + FormatDegrees(lng)); }
  void ClearMarker() override { ++cleared; }
  void SetTypeSelector(int code) override { selector = std::to_string(code); }
  std::string ReadTypeSelector() override { return selector; }
  void ResetEditControls() override {
    enabled = false;
    input_name = input_lat = input_lng = "";
  }
  void EnableEditControls() override { enabled = true; }

  std::vector<SiteList> rendered;
  std::string input_name, input_lat, input_lng, selector = "0";
  std::vector<std::string> map;
  int cleared = 0;
  bool enabled = false;
};

class SiteModel : public ::testing::Test {
 protected:
  void SetUp() override { SetDialogBackend(&dialogs_); }
  void TearDown() override { SetDialogBackend(nullptr); }

  void AddNamed(const std::string& name, double lat = 1, double lng = 2) {
    ASSERT_TRUE(model_.AddAtPosition(lat, lng));
    view_.input_name = name;
    model_.StoreEditValues();
  }
  std::vector<std::string> Names(int code) const {
    std::vector<std::string> out;
    for (const DiveSite& s : model_.list(code)) out.push_back(s.Name());
    return out;
  }

  RecordingDialogs dialogs_;
  RecordingView view_;
  DiveSiteLists model_{&view_};
};

TEST_F(SiteModel, AddingStopsAtSixtyFourWithAMessage) {
  for (int i = 0; i < 64; ++i) ASSERT_TRUE(model_.AddAtPosition(i, -i));
  EXPECT_TRUE(dialogs_.messages.empty());
  EXPECT_FALSE(model_.AddAtPosition(10, 10));
  EXPECT_EQ(model_.current_list().size(), 64u);
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0], Tr("DIVE_SITE_MAX"));
  EXPECT_FALSE(Tr("DIVE_SITE_MAX").empty());
  // The other lists are not full.
  view_.selector = "1";
  model_.SwitchType();
  EXPECT_TRUE(model_.AddAtPosition(1, 1));
}

TEST_F(SiteModel, NewSiteIsSelectedShownAndMarkedWithoutEnablingTheInputs) {
  ASSERT_TRUE(model_.AddAtPosition(-33.8567891, 151.2152967));
  const DiveSite& s = model_.current_list().at(0);
  EXPECT_EQ(s.Name(), "unnamed");
  EXPECT_EQ(s.type, 0);
  EXPECT_EQ(s.latitude, -33856789);
  EXPECT_EQ(s.longitude, 151215296);
  EXPECT_EQ(view_.input_name, "unnamed");
  EXPECT_EQ(view_.input_lat, "-33.856789");
  ASSERT_FALSE(view_.map.empty());
  EXPECT_EQ(view_.map.back(), "-33.856789,151.215296");
  EXPECT_EQ(model_.selection(), (Selection{0, 0}));
  EXPECT_FALSE(view_.enabled);
  ASSERT_FALSE(view_.rendered.empty());
  EXPECT_EQ(view_.rendered.back().size(), 1u);
}

TEST_F(SiteModel, StoringUntouchedInputsChangesNothing) {
  // A latitude that a product of doubles would move one millionth toward
  // zero (64863008 × 1e-6 × 1e6 = 64863007.99…).
  ASSERT_TRUE(model_.AddAtPosition(64.863008, -8.4095178));
  model_.Select(0);
  EXPECT_EQ(view_.input_lat, "64.863008");
  const DiveSite before = model_.current_list()[0];
  for (int i = 0; i < 3; ++i) model_.StoreEditValues();
  EXPECT_EQ(model_.current_list()[0], before);
  EXPECT_EQ(before.latitude, 64863008);
  EXPECT_EQ(before.longitude, -8409517);
}

TEST_F(SiteModel, StoreWritesTheInputsAndBadNumbersStoreZero) {
  ASSERT_TRUE(model_.AddAtPosition(5, 6));
  view_.input_name = std::string(60, 'n');
  view_.input_lat = "twelve";
  view_.input_lng = "-12.3456789 E";
  model_.StoreEditValues();
  const DiveSite& s = model_.current_list()[0];
  EXPECT_EQ(s.Name(), std::string(55, 'n'));
  EXPECT_EQ(s.latitude, 0);
  EXPECT_EQ(s.longitude, -12345678);
  // The edit values follow the inputs; the map shows them.
  EXPECT_EQ(view_.map.back(), "0.000000,-12.345679");
}

TEST_F(SiteModel, StoreOnAGaugeSiteShowsTheGaugeList) {
  view_.selector = "2";
  model_.SwitchType();
  AddNamed("gauge one");
  model_.Select(0);
  view_.selector = "0";
  model_.SwitchType();
  ASSERT_EQ(model_.current_type(), 0);
  view_.input_name = "renamed";
  model_.StoreEditValues();
  EXPECT_EQ(model_.current_type(), 2);
  EXPECT_EQ(view_.selector, "2");
  EXPECT_EQ(Names(2), std::vector<std::string>{"renamed"});
  ASSERT_EQ(view_.rendered.back().size(), 1u);
  EXPECT_EQ(view_.rendered.back()[0].Name(), "renamed");
}

TEST_F(SiteModel, StoreAndDeleteWithoutSelectionDoNothing) {
  model_.StoreEditValues();
  EXPECT_FALSE(model_.DeleteSelected());
  EXPECT_TRUE(model_.empty());
  model_.Select(0);  // nothing to select
  model_.Select(-1);
  EXPECT_FALSE(model_.selection());
}

TEST_F(SiteModel, DeletingMovesLaterSitesUp) {
  AddNamed("a");
  AddNamed("b");
  AddNamed("c");
  model_.Select(0);
  EXPECT_TRUE(view_.enabled);
  dialogs_.yes_answer = false;
  EXPECT_FALSE(model_.DeleteSelected());
  EXPECT_EQ(Names(0).size(), 3u);
  dialogs_.yes_answer = true;
  EXPECT_TRUE(model_.DeleteSelected());
  EXPECT_EQ(dialogs_.questions.back(), Tr("TO_DEL_DIVE_SIZE"));
  EXPECT_EQ(Names(0), (std::vector<std::string>{"b", "c"}));
  EXPECT_EQ(view_.rendered.back().size(), 2u);
  EXPECT_FALSE(model_.selection());
  EXPECT_FALSE(view_.enabled);
  EXPECT_GE(view_.cleared, 1);
  // Row 1 is now "c".
  model_.Select(1);
  EXPECT_EQ(view_.input_name, "c");
}

TEST_F(SiteModel, AfterSwitchingTypeDeleteWaitsForASiteOfTheShownList) {
  AddNamed("scuba");
  model_.Select(0);
  view_.selector = "1";
  model_.SwitchType();
  EXPECT_TRUE(view_.rendered.back().empty());
  EXPECT_EQ(model_.selection(), (Selection{0, 0}));  // kept across the switch
  EXPECT_FALSE(model_.DeleteSelected());
  EXPECT_EQ(Names(0).size(), 1u);
  // Selector values that are no type code leave the shown list alone.
  for (const char* v : {"3", "-1", "x", ""}) {
    view_.selector = v;
    model_.SwitchType();
    EXPECT_EQ(model_.current_type(), 1) << v;
  }
}

TEST_F(SiteModel, ReplaceAllKeepsSixtyFourPerListAndShowsListZero) {
  AddNamed("old");
  model_.Select(0);
  view_.selector = "2";
  model_.SwitchType();
  SiteLists lists;
  lists[1].resize(70);
  lists[2].resize(3);
  model_.ReplaceAll(lists);
  EXPECT_TRUE(model_.list(0).empty());
  EXPECT_EQ(model_.list(1).size(), 64u);
  EXPECT_EQ(model_.list(2).size(), 3u);
  EXPECT_EQ(model_.current_type(), 0);
  EXPECT_EQ(view_.selector, "0");
  EXPECT_TRUE(view_.rendered.back().empty());
  EXPECT_FALSE(model_.selection());
  EXPECT_FALSE(view_.enabled);
  EXPECT_EQ(view_.input_lat, "");
}

TEST_F(SiteModel, MarkerDragChangesOnlyTheCoordinateInputs) {
  AddNamed("reef", 10, 20);
  model_.Select(0);
  model_.SetEditCoordinates(11.5, 21.25);
  EXPECT_EQ(view_.input_name, "reef");
  EXPECT_EQ(view_.input_lat, "11.500000");
  EXPECT_EQ(model_.current_list()[0].latitude, 10000000);
  model_.PreviewEditValues();
  EXPECT_EQ(view_.map.back(), "11.500000,21.250000");
  EXPECT_EQ(model_.current_list()[0].latitude, 10000000);
  model_.StoreEditValues();
  EXPECT_EQ(model_.current_list()[0].latitude, 11500000);
}

// Six decimals, with the words and a new site's name in the diver's language.
TEST_F(SiteModel, RowTextsAndNewNamesFollowTheLanguage) {
  struct Case {
    const char* lang;
    const char* lat;
    const char* lng;
    const char* name;
  };
  for (const Case& c : {Case{"ENG", "Lat:25.033000", "Lng:-121.565000", "unnamed"},
                        Case{"CHT", "緯度 25.033000", "經度 -121.565000", "未命名"}}) {
    LanguageCode = c.lang;
    DiveSite s;
    s.latitude = 25033000;
    s.longitude = -121565000;
    EXPECT_EQ(RowLatitudeText(s), c.lat);
    EXPECT_EQ(RowLongitudeText(s), c.lng);
    ASSERT_TRUE(model_.AddAtPosition(1, 2));
    EXPECT_EQ(model_.current_list().back().Name(), c.name);
  }
  LanguageCode = "ENG";
}

}  // namespace
}  // namespace orv::sites
