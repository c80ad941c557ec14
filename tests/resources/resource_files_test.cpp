// The committed icon files (the two-image 16-colour Windows icon and the PNGs) and, when
// the cross windres is at hand, malvor.rc as the build compiles it into a .res file.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using Bytes = std::vector<std::uint8_t>;
const std::string dir = MALVOR_RESOURCES_DIR;

static Bytes readFile(const std::string& path) {  // a missing file reads as empty, and any read from it throws
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}
const Bytes ico = readFile(dir + "/malvor.ico");

// The n-byte unsigned number at `at`, little-endian unless `big`; reading past the end throws.
static std::uint32_t num(const Bytes& b, std::size_t at, int n, bool big = false) {
  std::uint32_t v = 0;
  for (int i = 0; i < n; ++i) v |= std::uint32_t{b.at(at + i)} << 8 * (big ? n - 1 - i : i);
  return v;
}

TEST(IconFile, HoldsA32AndA16PixelImageOf16ColoursWithMasks) {
  ASSERT_EQ(num(ico, 2, 4), 0x20001u) << "not an icon file of two images";
  std::size_t dib = 6 + 2 * 16;  // the images follow the directory, one after the other
  for (const std::size_t s : {32, 16}) {
    const std::size_t e = s == 32 ? 6 : 22, xorRow = (s * 4 + 31) / 32 * 4, andRow = (s + 31) / 32 * 4;
    const std::size_t xorAt = dib + 40 + 16 * 4, andAt = xorAt + xorRow * s, size = andAt + andRow * s - dib;
    // {offset, bytes, value}: directory entry, then the DIB header (height doubled for the mask, uncompressed).
    const std::size_t fields[][3] = {{e, 1, s}, {e + 1, 1, s}, {e + 2, 1, 16}, {e + 6, 2, 4}, {e + 8, 4, size},
                                     {e + 12, 4, dib}, {dib, 4, 40}, {dib + 4, 4, s}, {dib + 8, 4, 2 * s},
                                     {dib + 12, 2, 1}, {dib + 14, 2, 4}, {dib + 16, 4, 0}};
    for (const auto& f : fields) EXPECT_EQ(num(ico, f[0], int(f[1])), f[2]) << s << "-pixel image, byte " << f[0];
    std::size_t clear = 0;
    for (std::size_t y = 0; y < s; ++y)
      for (std::size_t x = 0; x < s; ++x) {  // masked pixels draw colour 0: XOR-ing them leaves the screen as it was
        const bool masked = num(ico, andAt + y * andRow + x / 8, 1) >> (7 - x % 8) & 1;
        clear += masked;
        EXPECT_FALSE(masked && num(ico, xorAt + y * xorRow + x / 2, 1) >> (x % 2 ? 0 : 4) & 0xF) << s << ": " << x << "," << y;
      }
    EXPECT_TRUE(clear > 0 && clear < s * s / 2) << s << "-pixel image: " << clear << " pixels masked away";
    dib += size;
  }
  EXPECT_EQ(dib, ico.size());
}

TEST(PngFile, EachIsASquareRgbaImageOfItsSize) {
  std::vector<std::pair<std::string, std::uint32_t>> pngs = {{"malvor.png", 32}, {"malvor16.png", 16}};
  for (const std::uint32_t s : {16, 32, 48, 64, 128, 256}) pngs.emplace_back("hicolor/malvor-" + std::to_string(s) + ".png", s);
  for (const auto& [file, size] : pngs) {
    const Bytes png = readFile(dir + "/" + file);
    ASSERT_EQ(num(png, 0, 4, true), 0x89504E47u) << file << " is not a PNG";
    EXPECT_EQ(num(png, 16, 4, true), size) << file << " width";
    EXPECT_EQ(num(png, 20, 4, true), size) << file << " height";
    EXPECT_EQ(num(png, 24, 2, true), 0x0806u) << file << ": 8-bit RGBA, so with transparency";
  }
}

#ifdef MALVOR_COMPILED_RES
const Bytes res = readFile(MALVOR_COMPILED_RES);

// Start of the data of the first resource of an ordinal type. A .res is a run of 4-aligned
// entries: data size, header size, type (0xFFFF then the ordinal), ..., language, ..., data.
static std::size_t dataOf(std::uint32_t type) {
  std::size_t at = 0;
  while (num(res, at + 8, 4) != (type << 16 | 0xFFFF)) at = (at + num(res, at, 4) + num(res, at + 4, 4) + 3) / 4 * 4;
  return at + num(res, at + 4, 4);
}

// Where the UTF-16LE text s and its terminator first appear from `from` on; throws if nowhere.
static std::size_t find16(const std::string& s, std::size_t from = 0) {
  std::string u;
  for (const char c : s + '\0') u += {c, '\0'};
  const std::size_t at = std::string(res.begin(), res.end()).find(u, from);
  return at != std::string::npos ? at : throw std::runtime_error("no \"" + s + "\" in the version record");
}
// A version-record entry starts 6 bytes before its key (length, value length, type); its value follows, 4-aligned.
static std::size_t valueOf(const std::string& key) { return (find16(key) + 2 * key.size() + 5) / 4 * 4; }

TEST(CompiledResources, FixedVersionInfoMarksA32BitApplication10) {
  EXPECT_EQ(num(res, dataOf(16) - 10, 2), 0x0410u) << "language of the version record";
  const std::size_t f = std::string(res.begin(), res.end()).find("\xBD\x04\xEF\xFE");  // VS_FIXEDFILEINFO signature
  const char* names[] = {"FileVersionMS", "FileVersionLS", "ProductVersionMS", "ProductVersionLS", "FileFlagsMask",
                         "FileFlags", "FileOS (VOS__WINDOWS32)", "FileType (VFT_APP)", "FileSubtype"};
  const std::uint32_t values[] = {0x10000, 0, 0x10000, 0, 0, 0, 4, 1, 0};  // after signature and struct version
  for (std::size_t i = 0; i < 9; ++i) EXPECT_EQ(num(res, f + 8 + 4 * i, 4), values[i]) << names[i];
}

TEST(CompiledResources, OneItalianUnicodeStringTableWithTheProgramsTexts) {
  const std::size_t table = find16("041004B0") - 6, vars = find16("VarFileInfo") - 6;
  EXPECT_EQ(find16("StringFileInfo") - 6 + 36, table) << "another string table comes first";
  EXPECT_EQ((table + num(res, table, 2) + 3) / 4 * 4, vars) << "another string table follows";
  const std::pair<std::string, std::string> texts[] = {
      {"FileVersion", "1.00"}, {"ProductVersion", "1.00"}, {"FileDescription", "Tango to Eagle converter Netlist"},
      {"ProductName", "Malvor"}, {"InternalName", "Malvor"}};
  for (const auto& [key, text] : texts) EXPECT_EQ(find16(text, valueOf(key)), valueOf(key)) << key;
  EXPECT_EQ(num(res, find16("Translation") - 4, 2), 4u) << "one language and code page";
  EXPECT_EQ(num(res, valueOf("Translation"), 4), 1200u << 16 | 0x0410) << "language 0x0410, code page 1200";
}

TEST(CompiledResources, IconGroupListsBothImagesOfTheIconFile) {
  const std::size_t g = dataOf(14);
  ASSERT_EQ(num(res, g + 2, 4), 0x20001u) << "not an icon group of two icons";
  for (std::size_t i = 0; i < 2; ++i)  // width, height, colours, planes, bits, byte count: as in the icon file's directory
    for (std::size_t j = 0; j < 12; j += 4)
      EXPECT_EQ(num(res, g + 6 + 14 * i + j, 4), num(ico, 6 + 16 * i + j, 4)) << "icon " << i << ", byte " << j;
}
#endif
