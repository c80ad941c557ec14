// The committed icon files: the two-image 16-colour Windows icon and the PNGs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "binary_file.h"

using namespace malvor_test;

namespace {

const std::string dir = MALVOR_RESOURCES_DIR;

TEST(IconFile, HoldsA32AndA16PixelImageOf16Colours) {
  const Bytes ico = readFile(dir + "/malvor.ico");
  ASSERT_EQ(le16(ico, 4), 2) << "image count in the header";
  const auto images = readIcon(ico);
  const int sizes[] = {32, 16};
  for (std::size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE("image " + std::to_string(i));
    const IconImage& im = images[i];
    const std::size_t dib = im.dataOffset;
    EXPECT_EQ(im.width, sizes[i]);
    EXPECT_EQ(im.height, sizes[i]);
    EXPECT_EQ(im.colourCount, 16);
    EXPECT_EQ(im.bitCount, 4);
    // The DIB itself: 40-byte header, double height (colour bits + mask), 4 bits, uncompressed.
    EXPECT_EQ(le32(ico, dib), 40u);
    EXPECT_EQ(static_cast<int>(le32(ico, dib + 4)), sizes[i]);
    EXPECT_EQ(static_cast<int>(le32(ico, dib + 8)), 2 * sizes[i]);
    EXPECT_EQ(le16(ico, dib + 12), 1);
    EXPECT_EQ(le16(ico, dib + 14), 4);
    EXPECT_EQ(le32(ico, dib + 16), 0u);
    EXPECT_EQ(im.palette.size(), 16u);
    // Colour rows are 4-byte padded, and so are the 1-bit mask rows after them.
    const std::size_t xorBytes = (sizes[i] * 4 + 31) / 32 * 4 * sizes[i];
    const std::size_t maskBytes = (sizes[i] + 31) / 32 * 4 * sizes[i];
    EXPECT_EQ(im.dataSize, 40 + 16 * 4 + xorBytes + maskBytes);
    EXPECT_LE(im.dataOffset + im.dataSize, ico.size());
  }
  EXPECT_EQ(images[0].dataOffset, 6u + 2 * 16) << "data follows the directory";
  EXPECT_EQ(images[1].dataOffset, images[0].dataOffset + images[0].dataSize) << "images overlap or leave a gap";
  EXPECT_EQ(images[1].dataOffset + images[1].dataSize, ico.size());
}

TEST(IconFile, MasksCutOutTheBackgroundButKeepThePicture) {
  for (const IconImage& im : readIcon(readFile(dir + "/malvor.ico"))) {
    SCOPED_TRACE(std::to_string(im.width) + "x" + std::to_string(im.height));
    const auto clear = std::count(im.transparent.begin(), im.transparent.end(), true);
    EXPECT_GT(clear, 0) << "the icon has no transparent pixel";
    EXPECT_LT(clear, static_cast<long>(im.transparent.size()) / 2) << "most of the picture is masked away";
    // Masked pixels draw colour 0 (black), so XOR-ing them onto the screen leaves it unchanged.
    for (std::size_t p = 0; p < im.pixels.size(); ++p) {
      if (im.transparent[p]) {
        ASSERT_EQ(im.pixels[p], 0) << "pixel " << p;
      }
    }
    // A picture, not a flat fill: several palette entries are in use.
    std::vector<int> used(im.pixels.begin(), im.pixels.end());
    std::sort(used.begin(), used.end());
    EXPECT_GE(std::unique(used.begin(), used.end()) - used.begin(), 6);
  }
}

struct PngCase {
  const char* file;
  std::uint32_t size;
};

void PrintTo(const PngCase& c, std::ostream* os) { *os << c.file; }

class PngFile : public testing::TestWithParam<PngCase> {};

TEST_P(PngFile, IsASquareImageOfItsSizeWithTransparency) {
  const Bytes png = readFile(dir + "/" + GetParam().file);
  const Bytes signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  ASSERT_TRUE(std::equal(signature.begin(), signature.end(), png.begin()));
  ASSERT_EQ(be32(png, 8), 13u) << "IHDR length";
  ASSERT_EQ(std::string(png.begin() + 12, png.begin() + 16), "IHDR");
  EXPECT_EQ(be32(png, 16), GetParam().size) << "width";
  EXPECT_EQ(be32(png, 20), GetParam().size) << "height";
  const int colourType = png[25];
  bool hasTrns = false;
  for (std::size_t at = 8; at + 8 <= png.size(); at += 12 + be32(png, at))
    hasTrns |= std::string(png.begin() + at + 4, png.begin() + at + 8) == "tRNS";
  EXPECT_TRUE(colourType == 4 || colourType == 6 || hasTrns) << "no alpha channel, colour type " << colourType;
}

INSTANTIATE_TEST_SUITE_P(
    Resources, PngFile,
    testing::Values(PngCase{"malvor.png", 32}, PngCase{"malvor16.png", 16}, PngCase{"hicolor/malvor-16.png", 16},
                    PngCase{"hicolor/malvor-32.png", 32}, PngCase{"hicolor/malvor-48.png", 48},
                    PngCase{"hicolor/malvor-64.png", 64}, PngCase{"hicolor/malvor-128.png", 128},
                    PngCase{"hicolor/malvor-256.png", 256}),
    [](const testing::TestParamInfo<PngCase>& info) {
      std::string name = info.param.file;
      std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
      return name;
    });

}  // namespace
