// Tile addresses from the pages, cache header rules, and the disk cache's
// bound, order of eviction and behaviour with damaged files.
#include <fcntl.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "maps/tile_cache.h"
#include "maps/tile_fetch.h"
#include "maps/tile_source.h"

namespace orv::maps {
namespace {

namespace fs = std::filesystem;

TEST(TileAddress, OnlyTilesOfTheWorldReachTheServer) {
  const struct {
    const char* path;
    const char* key;  // "" when refused
  } cases[] = {
      {"0/0/0.png", "0/0/0"},
      {"12/3421/1750.png", "12/3421/1750"},
      {"19/524287/0.png", "19/524287/0"},
      {"1/2/0.png", ""},
      {"20/0/0.png", ""},  // outside the world, too deep
      {"3/-1/0.png", ""},
      {"3/01/0.png", ""},
      {"3/1/1", ""},
      {"3/1.png", ""},
      {"3/1/1/1.png", ""},
      {"../../etc/0.png", ""},
      {"3/1/1.png?x=1", ""},
      {"", ""},
      {"99999999/0/0.png", ""},
  };
  for (const auto& c : cases) {
    auto key = ParseTilePath(c.path);
    const std::string got =
        key ? std::to_string(key->z) + "/" + std::to_string(key->x) + "/" + std::to_string(key->y) : "";
    EXPECT_EQ(got, c.key) << c.path;
  }
  EXPECT_EQ(TileUrl("https://{s}.t.example/{z}/{x}/{y}.png?k={z}", {5, 10, 11}), "https://a.t.example/5/10/11.png?k=5");
  EXPECT_EQ(ProgramUserAgent().rfind("ORVELLE-PC-TOOL/", 0), 0u);
}

TEST(TileFreshness, FollowsTheServersCacheHeaders) {
  const std::int64_t now = 1'700'000'000;
  const struct {
    HeaderMap headers;
    bool store;
    std::int64_t fresh_for;
  } cases[] = {
      {{{"cache-control", "max-age=600"}}, true, 600},
      {{{"cache-control", "public, max-age=600"}, {"age", "100"}}, true, 500},
      {{{"cache-control", "max-age=60"}, {"age", "900"}}, true, 0},
      {{{"cache-control", "no-cache"}, {"etag", "\"a\""}}, true, 0},
      {{{"cache-control", "no-store, max-age=600"}}, false, 0},
      {{{"cache-control", "max-age=bad"}}, true, 0},
      {{{"expires", "Tue, 14 Nov 2023 22:23:20 GMT"}, {"date", "Tue, 14 Nov 2023 22:13:20 GMT"}}, true, 600},
      {{{"expires", "0"}}, true, 0},
      {{}, true, 24 * 3600},
  };
  for (const auto& c : cases) {
    Freshness f = ReadFreshness(c.headers, now);
    EXPECT_EQ(f.store, c.store) << (c.headers.empty() ? "" : c.headers.begin()->second);
    if (f.store) {
      EXPECT_EQ(f.fresh_until - now, c.fresh_for) << (c.headers.empty() ? "" : c.headers.begin()->second);
    }
  }
}

class DiskCache : public ::testing::Test {
 protected:
  void SetUp() override {
    gchar* dir = g_dir_make_tmp("orvelle-tiles-XXXXXX", nullptr);
    ASSERT_NE(dir, nullptr);
    dir_ = dir;
    g_free(dir);
  }
  void TearDown() override { fs::remove_all(dir_); }
  static CachedTile Tile(char fill, std::size_t size) {
    return {std::string(size, fill), "image/png", "\"e\"", "", 42};
  }
  static std::string Url(int i) { return "https://t.example/1/0/" + std::to_string(i) + ".png"; }

  std::string dir_;
};

TEST_F(DiskCache, StaysWithinItsBoundDroppingTheLeastRecentlyUsed) {
  TileCache cache(dir_, 3500);  // room for three 1000-byte tiles and their headers
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(cache.Store(Url(i), Tile('a' + i, 1000)));
  ASSERT_TRUE(cache.Load(Url(0)));  // 0 used again: 1 is now the oldest
  ASSERT_TRUE(cache.Store(Url(3), Tile('d', 1000)));
  EXPECT_LE(cache.bytes(), 3500u);
  const bool kept[] = {true, false, true, true};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(cache.Load(Url(i)).has_value(), kept[i]) << i;
  auto tile = cache.Load(Url(3));
  ASSERT_TRUE(tile);
  EXPECT_EQ(tile->body, std::string(1000, 'd'));
  EXPECT_EQ(tile->etag, "\"e\"");
  EXPECT_EQ(tile->fresh_until, 42);
  EXPECT_FALSE(cache.Store(Url(9), Tile('z', 4000))) << "a tile larger than the bound is not kept";
  EXPECT_FALSE(cache.Store(Url(8), {"x", "image/png\nX-Evil: 1", "", "", 0}));
}

TEST_F(DiskCache, NextRunKeepsTheOrderOfUseAndHonoursASmallerBound) {
  const std::string leftover = dir_ + "/ab/leftover.tile.x1y2z3";
  {
    TileCache cache(dir_, 10000);
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(cache.Store(Url(i), Tile('a' + i, 1000)));
    // Last used long ago, in the order 2, 0, 1.
    const int order[] = {1, 2, 0};
    for (int i = 0; i < 3; ++i) {
      timespec times[2] = {{1000 + order[i] * 10, 0}, {1000 + order[i] * 10, 0}};
      ASSERT_EQ(utimensat(AT_FDCWD, cache.PathFor(Url(i)).c_str(), times, 0), 0);
    }
    fs::create_directories(dir_ + "/ab");
    std::ofstream(leftover) << "half";  // from a run that died mid-write, a day ago
    timespec old[2] = {{1000, 0}, {1000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, leftover.c_str(), old, 0), 0);
  }
  TileCache cache(dir_, 2500);
  EXPECT_LE(cache.bytes(), 2500u);
  EXPECT_FALSE(cache.Load(Url(2)));
  EXPECT_TRUE(cache.Load(Url(0)));
  EXPECT_TRUE(cache.Load(Url(1)));
  EXPECT_FALSE(fs::exists(leftover));
}

TEST_F(DiskCache, DamagedOrForeignFilesAreMissesNotTiles) {
  TileCache cache(dir_, 100000);
  const std::string damaged[] = {"", "ORVTILE 1\n", "not a tile at all",
                                 "ORVTILE 1\nhttps://other.example/0.png\n1\n\n\nimage/png\nPNG"};
  for (const std::string& bytes : damaged) {
    fs::create_directories(fs::path(cache.PathFor(Url(0))).parent_path());
    std::ofstream(cache.PathFor(Url(0)), std::ios::binary) << bytes;
    EXPECT_FALSE(cache.Load(Url(0))) << bytes;
  }
  ASSERT_TRUE(cache.Store(Url(0), Tile('a', 10)));
  EXPECT_TRUE(cache.Load(Url(0)));
}

}  // namespace
}  // namespace orv::maps
