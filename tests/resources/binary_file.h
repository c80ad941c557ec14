// Little helpers for reading the icon, PNG and .res files byte by byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace malvor_test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Bounds-checked reads: a truncated file must fail the test, not read garbage.
inline void need(const Bytes& b, std::size_t at, std::size_t n) {
  if (at > b.size() || b.size() - at < n) throw std::out_of_range("read past end of data");
}
inline std::uint16_t le16(const Bytes& b, std::size_t at) {
  need(b, at, 2);
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
inline std::uint32_t le32(const Bytes& b, std::size_t at) {
  return le16(b, at) | static_cast<std::uint32_t>(le16(b, at + 2)) << 16;
}
inline std::uint32_t be32(const Bytes& b, std::size_t at) {
  need(b, at, 4);
  return static_cast<std::uint32_t>(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}

// One image of a Windows icon file, decoded to palette indices.
struct IconImage {
  int width = 0, height = 0, bitCount = 0, colourCount = 0;
  std::uint32_t dataSize = 0, dataOffset = 0;
  std::vector<std::uint32_t> palette;  // 0x00RRGGBB
  std::vector<int> pixels;             // palette index per pixel, top row first
  std::vector<bool> transparent;       // AND-mask bit per pixel, top row first
};

// Reads a 4-bit icon (as make_icon.py writes it) into its images.
inline std::vector<IconImage> readIcon(const Bytes& ico) {
  if (le16(ico, 0) != 0 || le16(ico, 2) != 1) throw std::runtime_error("not an icon file");
  std::vector<IconImage> images(le16(ico, 4));
  for (std::size_t i = 0; i < images.size(); ++i) {
    const std::size_t e = 6 + 16 * i;
    IconImage& im = images[i];
    need(ico, e, 16);
    im.width = ico[e] ? ico[e] : 256;
    im.height = ico[e + 1] ? ico[e + 1] : 256;
    im.colourCount = ico[e + 2];
    im.bitCount = le16(ico, e + 6);
    im.dataSize = le32(ico, e + 8);
    im.dataOffset = le32(ico, e + 12);
    const std::size_t dib = im.dataOffset;
    const std::uint32_t headerSize = le32(ico, dib);
    const int dibBits = le16(ico, dib + 14);
    if (dibBits != 4) continue;  // only 4-bit pixels are decoded
    const std::size_t colours = le32(ico, dib + 32) ? le32(ico, dib + 32) : 16;
    for (std::size_t c = 0; c < colours; ++c) im.palette.push_back(le32(ico, dib + headerSize + 4 * c) & 0xFFFFFF);
    const std::size_t xorStride = (im.width * 4 + 31) / 32 * 4, andStride = (im.width + 31) / 32 * 4;
    const std::size_t xorAt = dib + headerSize + 4 * colours, andAt = xorAt + xorStride * im.height;
    need(ico, andAt, andStride * im.height);
    for (int y = 0; y < im.height; ++y) {
      const std::size_t row = im.height - 1 - y;  // bitmaps run bottom-up
      for (int x = 0; x < im.width; ++x) {
        const std::uint8_t pair = ico[xorAt + row * xorStride + x / 2];
        im.pixels.push_back(x % 2 ? pair & 0xF : pair >> 4);
        im.transparent.push_back(ico[andAt + row * andStride + x / 8] >> (7 - x % 8) & 1);
      }
    }
  }
  return images;
}

}  // namespace malvor_test
