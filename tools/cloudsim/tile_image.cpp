#include "tile_image.h"

#include <zlib.h>

#include <cstdint>
#include <vector>

namespace orv::sim {

namespace {

constexpr int kSide = 256;

// See-through apart from the grid and the label, so the map's own coastline
// still shows under them and the demo looks like a map with a grid on it.
constexpr int kPixel = 4;  // RGBA

// 3x5 glyphs for digits and '/', one row per 3 bits.
const std::uint8_t kGlyphs[11][5] = {{7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7},
                                     {5, 5, 7, 1, 1}, {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1},
                                     {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7}, {1, 1, 2, 4, 4}};

void Put32(std::string& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xff);
}

void Chunk(std::string& png, const char* type, const std::string& data) {
  Put32(png, static_cast<std::uint32_t>(data.size()));
  std::string body = std::string(type, 4) + data;
  png += body;
  Put32(png, static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size())));
}

}  // namespace

std::string TilePng(int z, int x, int y) {
  // Rows of RGBA with a leading filter byte each.
  std::vector<std::uint8_t> raw(static_cast<std::size_t>(kSide) * (kSide * kPixel + 1));
  const std::uint8_t sea[3] = {static_cast<std::uint8_t>(150 + (z * 5) % 60), 200, 228};
  for (int r = 0; r < kSide; ++r) {
    std::uint8_t* row = &raw[static_cast<std::size_t>(r) * (kSide * kPixel + 1)];
    row[0] = 0;
    for (int c = 0; c < kSide; ++c) {
      const bool edge = r == 0 || c == 0;
      const bool grid = r % 32 == 0 || c % 32 == 0;
      for (int k = 0; k < 3; ++k)
        row[1 + c * kPixel + k] = static_cast<std::uint8_t>(edge ? sea[k] - 90 : grid ? sea[k] - 25 : sea[k]);
      row[1 + c * kPixel + 3] = edge ? 160 : grid ? 90 : 28;
    }
  }
  const std::string label = std::to_string(z) + "/" + std::to_string(x) + "/" + std::to_string(y);
  constexpr int kScale = 4;
  for (std::size_t i = 0; i < label.size(); ++i) {
    const auto& glyph = kGlyphs[label[i] == '/' ? 10 : label[i] - '0'];
    for (int gy = 0; gy < 5 * kScale; ++gy)
      for (int gx = 0; gx < 3 * kScale; ++gx) {
        if (!((glyph[gy / kScale] >> (2 - gx / kScale)) & 1)) continue;
        const int r = 8 + gy, c = 8 + static_cast<int>(i) * 4 * kScale + gx;
        if (c >= kSide) continue;
        std::uint8_t* px = &raw[static_cast<std::size_t>(r) * (kSide * kPixel + 1) + 1 + c * kPixel];
        px[0] = 11, px[1] = 37, px[2] = 69, px[3] = 255;
      }
  }
  uLongf packed_size = compressBound(raw.size());
  std::string packed(packed_size, '\0');
  compress2(reinterpret_cast<Bytef*>(packed.data()), &packed_size, raw.data(), raw.size(), 6);
  packed.resize(packed_size);

  std::string png = "\x89PNG\r\n\x1a\n";
  std::string header;
  Put32(header, kSide);
  Put32(header, kSide);
  header += std::string("\x08\x06\x00\x00\x00", 5);  // 8-bit RGBA, no interlace
  Chunk(png, "IHDR", header);
  Chunk(png, "IDAT", packed);
  Chunk(png, "IEND", "");
  return png;
}

}  // namespace orv::sim
