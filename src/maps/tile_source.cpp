#include "maps/tile_source.h"

#include <charconv>

namespace orv::maps {

namespace {

// A plain decimal number without sign or leading zeros, or nothing.
std::optional<int> Number(std::string_view text) {
  if (text.empty() || text.size() > 7 || (text.size() > 1 && text.front() == '0')) return std::nullopt;
  for (char c : text)
    if (c < '0' || c > '9') return std::nullopt;
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

void ReplaceAll(std::string& text, std::string_view from, const std::string& to) {
  for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

}  // namespace

std::optional<TileKey> ParseTilePath(std::string_view path) {
  constexpr std::string_view kSuffix = ".png";
  if (path.size() <= kSuffix.size() || path.substr(path.size() - kSuffix.size()) != kSuffix) return std::nullopt;
  path.remove_suffix(kSuffix.size());
  const auto first = path.find('/');
  const auto second = first == std::string_view::npos ? first : path.find('/', first + 1);
  if (second == std::string_view::npos) return std::nullopt;
  auto z = Number(path.substr(0, first));
  auto x = Number(path.substr(first + 1, second - first - 1));
  auto y = Number(path.substr(second + 1));
  if (!z || !x || !y || *z > kMaxTileZoom) return std::nullopt;
  const int side = 1 << *z;
  if (*x >= side || *y >= side) return std::nullopt;
  return TileKey{*z, *x, *y};
}

std::string TileUrl(const std::string& url_template, const TileKey& key) {
  std::string url = url_template;
  ReplaceAll(url, "{z}", std::to_string(key.z));
  ReplaceAll(url, "{x}", std::to_string(key.x));
  ReplaceAll(url, "{y}", std::to_string(key.y));
  ReplaceAll(url, "{s}", std::string(1, "abc"[(key.x + key.y) % 3]));
  return url;
}

std::string ProgramUserAgent() { return std::string("ORVELLE-PC-TOOL/") + ORVELLE_VERSION + " (Linux; dive log maps)"; }

}  // namespace orv::maps
