// The tile service against a real tile server over TLS: tiles are fetched
// once and kept, revalidated, shown from the disk when the server is gone or
// stalls, and never fetched unasked.
#include <glib.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <future>
#include <memory>

#include "maps/tile_service.h"
#include "shared_sim_test.h"

namespace orv::maps {
namespace {

using Source = TileReply::Source;

class TileServiceTest : public test::SharedSimTest {
 protected:
  void SetUp() override {
    test::SharedSimTest::SetUp();
    ASSERT_TRUE(server_->SetTiles("serve"));
    gchar* dir = g_dir_make_tmp("orvelle-tiles-XXXXXX", nullptr);
    ASSERT_NE(dir, nullptr);
    dir_ = dir;
    g_free(dir);
  }
  void TearDown() override {
    service_.reset();
    std::filesystem::remove_all(dir_);
  }
  TileService& Start(int offline_seconds) {
    TileServiceOptions o;
    o.url_template = server_->tile_url_template();
    o.cache_folder = dir_;
    o.limits = {2000, 1, 5};
    o.offline_seconds = offline_seconds;
    service_ = std::make_unique<TileService>(o);
    return *service_;
  }
  // The reply for `key`; a request that never finishes fails the test
  // instead of hanging it.
  TileReply Get(const TileKey& key) {
    auto promise = std::make_shared<std::promise<TileReply>>();
    auto answer = promise->get_future();
    service_->Get(key, [promise](TileReply r) { promise->set_value(std::move(r)); });
    if (answer.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
      ADD_FAILURE() << "no answer for " << key.z << "/" << key.x << "/" << key.y;
      return {};
    }
    return answer.get();
  }

  std::string dir_;
  std::unique_ptr<TileService> service_;
};

TEST_F(TileServiceTest, SeenTilesShowWhenTheServerIsStoppedOrStalls) {
  Start(0);
  const TileKey seen{3, 6, 3}, unseen{3, 0, 0};
  const long before = server_->TileRequests();
  const TileReply first = Get(seen);
  ASSERT_EQ(first.source, Source::Server);
  ASSERT_EQ(first.body.rfind("\x89PNG", 0), 0u);
  EXPECT_EQ(first.content_type, "image/png");
  EXPECT_EQ(Get(seen).source, Source::Server) << "revalidated, as the server asks";
  EXPECT_EQ(server_->TileRequests() - before, 2) << "only the tiles asked for are fetched";

  const struct {
    const char* mode;
    Source seen, unseen;
  } cases[] = {{"stop", Source::OldCopy, Source::None},
               {"stall", Source::OldCopy, Source::None},
               {"serve", Source::Server, Source::Server}};
  for (const auto& c : cases) {
    ASSERT_TRUE(server_->SetTiles(c.mode)) << c.mode;
    const TileReply again = Get(seen);
    EXPECT_EQ(again.source, c.seen) << c.mode;
    EXPECT_EQ(again.body, first.body) << c.mode;
    EXPECT_EQ(Get(unseen).source, c.unseen) << c.mode;
  }
}

TEST_F(TileServiceTest, AfterTheServerFailedItIsNotAskedForAWhile) {
  Start(600);
  ASSERT_EQ(Get({4, 1, 1}).source, Source::Server);
  ASSERT_TRUE(server_->SetTiles("stop"));
  EXPECT_EQ(Get({4, 1, 1}).source, Source::OldCopy);
  ASSERT_TRUE(server_->SetTiles("serve"));
  const long before = server_->TileRequests();
  EXPECT_EQ(Get({4, 1, 1}).source, Source::OldCopy);
  EXPECT_EQ(Get({4, 2, 2}).source, Source::None);
  EXPECT_EQ(server_->TileRequests(), before) << "a map without network fills at once from the disk";
}

TEST_F(TileServiceTest, FreshTilesComeFromTheDiskAndStallsEndOnClose) {
  const std::string url = TileUrl(server_->tile_url_template(), {2, 1, 1});
  TileCache(dir_, 1 << 20).Store(url, {"fresh", "image/png", "", "", INT64_MAX});
  ASSERT_TRUE(server_->SetTiles("stall"));
  Start(0);
  EXPECT_EQ(Get({2, 1, 1}).body, "fresh");

  // Closing while a transfer hangs answers it, and does not wait for the server.
  auto answered = std::make_shared<std::promise<Source>>();
  service_->Get({2, 0, 0}, [answered](const TileReply& r) { answered->set_value(r.source); });
  service_.reset();
  auto source = answered->get_future();
  ASSERT_EQ(source.wait_for(std::chrono::seconds(0)), std::future_status::ready);
  EXPECT_EQ(source.get(), Source::None);
  ASSERT_TRUE(server_->SetTiles("serve"));
}

}  // namespace
}  // namespace orv::maps
