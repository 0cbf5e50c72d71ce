// The map page in the real web engine with tiles from orvelle-cloudsim's tile
// server: tiles and their attribution show, seen tiles come back from the
// disk when the server is gone, a stalled server leaves the coastline and
// a live window, and entry and exit pins close together stay apart.
#include <glib.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "app/app_state.h"
#include "app/page_folder.h"
#include "desktop/tile_scheme.h"
#include "desktop/webkit_window.h"
#include "e2e/gui_sim_test.h"

namespace orv {
namespace {

class GuiMaps : public e2e::GuiSimTest {
 protected:
  void SetUp() override {
    GuiSimTest::SetUp();
    if (IsSkipped()) return;
    ASSERT_TRUE(server->SetTiles("serve"));
    gchar* dir = g_dir_make_tmp("orvelle-gui-tiles-XXXXXX", nullptr);
    ASSERT_NE(dir, nullptr);
    cache_ = dir;
    g_free(dir);
    UseTiles();
  }
  // A new tile service on the test's cache folder, as after a restart.
  void UseTiles() {
    maps::TileServiceOptions o;
    o.url_template = server->tile_url_template();
    o.cache_folder = cache_;
    o.limits = {2000, 2, 6};
    o.offline_seconds = 0;
    gtk::UseTileService(o);
  }
  void TearDown() override {
    Close();
    if (server) server->SetTiles("serve");
    // Its threads may still be storing a tile the closed page asked for.
    gtk::StopTileService();
    if (!cache_.empty()) std::filesystem::remove_all(cache_);
  }
  gtk::WebKitWindow& Open() {
    Close();
    window_ = std::make_unique<gtk::WebKitWindow>();
    toplevel_ = gtk_offscreen_window_new();
    gtk_container_add(GTK_CONTAINER(toplevel_), window_->widget());
    gtk_widget_set_size_request(toplevel_, 900, 600);
    gtk_widget_show_all(toplevel_);
    EXPECT_TRUE(window_->LoadFile(ProgramFolder() + "ENG/web_html/maps.htm"));
    EXPECT_TRUE(e2e::WaitFor([&] { return Js("typeof window.setCenterWithZoom") == "function"; }, 10000));
    return *window_;
  }
  void Close() {
    if (!toplevel_) return;
    gtk_container_remove(GTK_CONTAINER(toplevel_), window_->widget());
    gtk_widget_destroy(toplevel_);
    toplevel_ = nullptr;
    window_.reset();
  }
  std::string Js(const std::string& expr) { return window_->EvalForTest("return String(" + expr + ");"); }
  int LoadedTiles() {
    return std::stoi(
        Js("[...document.querySelectorAll('.leaflet-tile-loaded')]"
           ".filter((t) => t.naturalWidth === 256 && t.style.visibility !== 'hidden').length"));
  }
  int Coastline() { return std::stoi(Js("document.querySelectorAll('.leaflet-coast-pane path').length")); }

  std::string cache_;
  std::unique_ptr<gtk::WebKitWindow> window_;
  GtkWidget* toplevel_ = nullptr;
};

TEST_F(GuiMaps, TilesLoadUnderTheAttribution) {
  Open();
  Js("setCenterWithZoom('22.0', '120.7', '6')");
  EXPECT_TRUE(e2e::WaitFor([&] { return LoadedTiles() >= 6; }, 10000)) << LoadedTiles();
  const std::string attribution = Js("document.querySelector('.leaflet-control-attribution').innerText");
  EXPECT_EQ(attribution, "\u00a9 OpenStreetMap contributors");
  EXPECT_EQ(Js("(() => { const r = document.querySelector('.leaflet-control-attribution').getBoundingClientRect();"
               " return r.width > 0 && r.height > 0 && r.height < 24 && r.right <= innerWidth && r.bottom <= "
               "innerHeight; })()"),
            "true")
      << "small, in a corner, inside the map";
  EXPECT_GT(Coastline(), 0);
  e2e::SaveScreenshot(*window_, "maps_tiles");
}

TEST_F(GuiMaps, SeenTilesShowFromTheDiskWhenTheServerIsStopped) {
  Open();
  Js("setCenterWithZoom('25.0', '121.5', '7')");
  ASSERT_TRUE(e2e::WaitFor([&] { return LoadedTiles() >= 6; }, 10000));
  e2e::WaitFor([] { return false; }, 500);  // the last tiles of the view
  const int seen = LoadedTiles();

  ASSERT_TRUE(server->SetTiles("stop"));
  // Only the disk can have them now: not the web engine's memory, not the
  // service's.
  webkit_web_context_clear_cache(webkit_web_context_get_default());
  UseTiles();
  Open();
  Js("setCenterWithZoom('25.0', '121.5', '7')");
  EXPECT_TRUE(e2e::WaitFor([&] { return LoadedTiles() >= seen; }, 10000)) << LoadedTiles() << " of " << seen;
  // Further out nothing was seen: the coastline shows there, no broken images.
  Js("setCenterWithZoom('-33.9', '18.4', '7')");
  // The old view's tiles go once the new view's requests have failed, which
  // takes a while on a busy machine.
  EXPECT_TRUE(e2e::WaitFor([&] { return LoadedTiles() == 0; }, 10000)) << LoadedTiles();
  EXPECT_GT(Coastline(), 0);
  Js("setCenterWithZoom('25.0', '121.5', '7')");
  e2e::WaitFor([&] { return LoadedTiles() >= seen; }, 5000);
  e2e::SaveScreenshot(*window_, "maps_stopped_from_cache");
}

TEST_F(GuiMaps, StalledServerLeavesTheCoastlineAndALiveWindow) {
  ASSERT_TRUE(server->SetTiles("stall"));
  Open();
  Js("setCenterWithZoom('25.0', '121.5', '5')");
  EXPECT_GT(Coastline(), 0);
  // Measured by the page from its own request: the web process starting up
  // is not the map's doing. A page held by its tiles waits out their 15 s
  // limit; the bound leaves room for a busy machine.
  EXPECT_LT(std::stod(Js("performance.getEntriesByType('navigation')[0].loadEventEnd")), 8000)
      << "the page waited for the tiles";
  // The window keeps answering while every tile request hangs.
  for (const char* zoom : {"6", "4", "5"}) {
    Js(std::string("setCenterWithZoom('25.0', '121.5', '") + zoom + "')");
    EXPECT_EQ(Js("document.readyState"), "complete");
  }
  EXPECT_EQ(LoadedTiles(), 0);
  e2e::SaveScreenshot(*window_, "maps_stalled");
  // Closing the window and the tile service while transfers hang returns.
  Close();
  gtk::StopTileService();
}

TEST_F(GuiMaps, EntryAndExitMetresApartBothStayClickable) {
  Open();
  Js("setCenterWithZoom('22.0454', '120.6960', '12')");
  Js("(setSMarker('22.0454', '120.6960'), setEMarker('22.04543', '120.69603'))");
  const std::string hit =
      "(() => { const r = document.querySelector(SEL + ' span').getBoundingClientRect();"
      " const e = document.elementFromPoint(r.left + r.width / 2, r.top + r.height / 2);"
      " return !!(e && e.closest(SEL)); })()";
  for (const char* sel : {"'.pin-entry'", "'.pin-exit'"}) {
    std::string probe = hit;
    for (auto at = probe.find("SEL"); at != std::string::npos; at = probe.find("SEL")) probe.replace(at, 3, sel);
    EXPECT_EQ(Js(probe), "true") << sel << " is hidden under the other pin";
  }
  e2e::SaveScreenshot(*window_, "maps_entry_exit");
}

}  // namespace
}  // namespace orv
