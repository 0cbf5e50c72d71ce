// GUI suites that share one orvelle-cloudsim: started before the first test
// when a display is there, stopped after the last; each test skips without
// a display.
#pragma once

#include <gtest/gtest.h>

#include "app/dialogs.h"
#include "app/string_table.h"
#include "desktop/generic_dialogs.h"
#include "desktop/tile_scheme.h"
#include "e2e/gui_support.h"
#include "sim_server.h"

namespace orv::e2e {

class GuiSimTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!have_display) return;
    server = new test::SimServer;
    ASSERT_TRUE(server->Start());
    server->Use();
    // Maps take their tiles from the simulator, cached in its folder, never
    // from the real tile server or the tester's own cache.
    maps::TileServiceOptions tiles;
    tiles.url_template = server->tile_url_template();
    tiles.cache_folder = server->dir() + "/tile-cache";
    gtk::UseTileService(tiles);
  }
  static void TearDownTestSuite() {
    if (have_display) gtk::StopTileService();
    delete server;
    server = nullptr;
  }
  void SetUp() override { ORV_REQUIRE_DISPLAY(); }

  static inline test::SimServer* server = nullptr;
};

// The same, with the program's own dialog windows behind ShowMessage,
// AskYesNo and the about box.
class GuiSimDialogsTest : public GuiSimTest {
 protected:
  void SetUp() override {
    GuiSimTest::SetUp();
    SetDialogBackend(&dialogs_);
  }
  void TearDown() override {
    Observe(nullptr);
    SetDialogBackend(nullptr);
    LanguageCode = "ENG";
  }
  gtk::GtkDialogs dialogs_;
};

}  // namespace orv::e2e
