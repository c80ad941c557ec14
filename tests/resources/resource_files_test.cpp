// The icon files, and the resources as windres compiles them and the Windows programs hold them.
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <stdexcept>

using malvor::testing_support::read_bytes;  // a missing file reads as empty: any read throws
const std::string dir = MALVOR_RESOURCES_DIR;
const std::string ico = read_bytes(dir + "/malvor.ico");

// The n-byte unsigned number at `at`, little-endian unless `big`; reading past the end throws.
static std::uint32_t num(const std::string& b, std::size_t at, int n, bool big = false)
{
    std::uint32_t v = 0;
    for (int i = 0; i < n; ++i)
        v |= std::uint32_t{static_cast<std::uint8_t>(b.at(at + i))} << 8 * (big ? n - 1 - i : i);
    return v;
}

TEST(IconFile, HoldsA32AndA16PixelImageOf16ColoursWithMasks)
{
    ASSERT_EQ(num(ico, 2, 4), 0x20001u) << "not an icon file of two images";
    std::size_t dib = 6 + 2 * 16;  // the images follow the directory, one after the other
    for (const std::size_t s : {32, 16}) {
        const std::size_t e = s == 32 ? 6 : 22, xorRow = (s * 4 + 31) / 32 * 4,
                          andRow = (s + 31) / 32 * 4;
        const std::size_t xorAt = dib + 40 + 16 * 4, andAt = xorAt + xorRow * s,
                          size = andAt + andRow * s - dib;
        // {offset, bytes, value}: directory entry, then the DIB header (height doubled for the
        // mask, uncompressed).
        const std::size_t fields[][3] = {{e, 1, s},        {e + 1, 1, s},    {e + 2, 1, 16},
                                         {e + 6, 2, 4},    {e + 8, 4, size}, {e + 12, 4, dib},
                                         {dib, 4, 40},     {dib + 4, 4, s},  {dib + 8, 4, 2 * s},
                                         {dib + 12, 2, 1}, {dib + 14, 2, 4}, {dib + 16, 4, 0}};
        for (const auto& f : fields)
            EXPECT_EQ(num(ico, f[0], int(f[1])), f[2]) << s << "-pixel image, byte " << f[0];
        std::size_t clear = 0;
        // Masked pixels draw colour 0: XOR-ing them leaves the screen as it was.
        for (std::size_t y = 0; y < s; ++y)
            for (std::size_t x = 0; x < s; ++x) {
                const bool masked = num(ico, andAt + y * andRow + x / 8, 1) >> (7 - x % 8) & 1;
                clear += masked;
                EXPECT_FALSE(masked &&
                             num(ico, xorAt + y * xorRow + x / 2, 1) >> (x % 2 ? 0 : 4) & 0xF)
                    << s << ": " << x << "," << y;
            }
        EXPECT_TRUE(clear > 0 && clear < s * s / 2)
            << s << "-pixel image: " << clear << " pixels masked away";
        dib += size;
    }
    EXPECT_EQ(dib, ico.size());
}

TEST(PngFile, EachIsASquareRgbaImageOfItsSize)
{
    std::vector<std::pair<std::string, std::uint32_t>> pngs = {
        {"malvor.png", 32}, {"malvor16.png", 16}};
    for (const std::uint32_t s : {16, 32, 48, 64, 128, 256})
        pngs.emplace_back("hicolor/malvor-" + std::to_string(s) + ".png", s);
    for (const auto& [file, size] : pngs) {
        const std::string png = read_bytes(dir + "/" + file);
        ASSERT_EQ(num(png, 0, 4, true), 0x89504E47u) << file << " is not a PNG";
        EXPECT_EQ(num(png, 16, 4, true), size) << file << " width";
        EXPECT_EQ(num(png, 20, 4, true), size) << file << " height";
        EXPECT_EQ(num(png, 24, 2, true), 0x0806u) << file << ": 8-bit RGBA, so with transparency";
    }
}

#if defined(MALVOR_COMPILED_RES) || defined(MALVOR_PROGRAM_FILE)
struct Resource {
    std::string data;
    std::uint32_t language;
};
struct Container {
    std::string what;
    std::string bytes;
    Resource (*find)(const std::string&,
                     std::uint32_t type);  // the first resource of an ordinal type
};

static void PrintTo(const Container& c, std::ostream* out)
{
    *out << c.what;
}

#ifdef MALVOR_COMPILED_RES
// A .res is a run of 4-aligned entries: data size, header size, type (0xFFFF then the ordinal),
// ..., language, version, characteristics, data.
static Resource inRes(const std::string& b, std::uint32_t type)
{
    std::size_t at = 0;
    while (num(b, at + 8, 4) != (type << 16 | 0xFFFF))
        at = (at + num(b, at, 4) + num(b, at + 4, 4) + 3) / 4 * 4;
    const std::size_t data = at + num(b, at + 4, 4);
    return {b.substr(data, num(b, at, 4)), num(b, data - 10, 2)};
}
#endif
#ifdef MALVOR_PROGRAM_FILE

// A PE file's resource tree: type, name, language, then the data's address and size.
static Resource inProgramFile(const std::string& b, std::uint32_t type)
{
    const std::size_t pe = num(b, 0x3C, 4), optional = pe + 24,
                      sections = optional + num(b, pe + 20, 2);
    EXPECT_EQ(num(b, pe, 4), 0x4550u) << "no PE signature";
    const auto fileOffset = [&](std::size_t rva) {
        for (std::size_t s = sections; s < sections + 40 * num(b, pe + 6, 2); s += 40)
            if (rva >= num(b, s + 12, 4) && rva < num(b, s + 12, 4) + num(b, s + 16, 4))
                return rva - num(b, s + 12, 4) + num(b, s + 20, 4);
        throw std::runtime_error("address outside every section");
    };
    const std::size_t root =
        fileOffset(num(b, optional + (num(b, optional, 2) == 0x20B ? 112 : 96) + 2 * 8, 4));
    std::size_t entry = root + 16;  // entries of 8 bytes: id, then where the next level starts
    for (std::size_t left = num(b, root + 12, 2) + num(b, root + 14, 2); num(b, entry, 4) != type;
         entry += 8)
        if (--left == 0)
            throw std::runtime_error("no resource of type " + std::to_string(type));
    // The first name of that type, and its first language.
    const std::size_t name = root + (num(b, entry + 4, 4) & 0x7FFFFFFF) + 16;
    const std::size_t language = root + (num(b, name + 4, 4) & 0x7FFFFFFF) + 16;
    const std::size_t leaf = root + num(b, language + 4, 4), data = fileOffset(num(b, leaf, 4));
    return {b.substr(data, num(b, leaf + 4, 4)), num(b, language, 4)};
}
#endif

static std::vector<Container> containers()
{
    std::vector<Container> all;
#ifdef MALVOR_COMPILED_RES
    all.push_back({"compiled_rc", read_bytes(MALVOR_COMPILED_RES), inRes});
#endif
#ifdef MALVOR_PROGRAM_FILE
    all.push_back({"malvor_convert_exe", read_bytes(MALVOR_PROGRAM_FILE), inProgramFile});
#endif
#ifdef MALVOR_WINDOW_PROGRAM_FILE
    all.push_back({"malvor_exe", read_bytes(MALVOR_WINDOW_PROGRAM_FILE), inProgramFile});
#endif
    return all;
}

// Where the UTF-16LE text s and its terminator first appear in b from `from` on; throws if nowhere.
static std::size_t find16(const std::string& b, const std::string& s, std::size_t from = 0)
{
    std::string u;
    for (const char c : s + '\0')
        u += {c, '\0'};
    const std::size_t at = b.find(u, from);
    return at != std::string::npos
               ? at
               : throw std::runtime_error("no \"" + s + "\" in the version record");
}
// A version-record entry starts 6 bytes before its key (length, value length, type); its value
// follows, 4-aligned.
static std::size_t valueOf(const std::string& b, const std::string& key)
{
    return (find16(b, key) + 2 * key.size() + 5) / 4 * 4;
}

class CompiledResources : public testing::TestWithParam<Container> {
protected:
    Resource find(std::uint32_t type) const { return GetParam().find(GetParam().bytes, type); }
};

TEST_P(CompiledResources, FixedVersionInfoMarksA32BitApplication10)
{
    const Resource version = find(16);
    EXPECT_EQ(version.language, 0x0410u) << "language of the version record";
    const std::size_t f = version.data.find("\xBD\x04\xEF\xFE");  // VS_FIXEDFILEINFO
    // After the signature and the structure's version: file and product version 1.0.0.0, then
    // FileOS VOS__WINDOWS32 and FileType VFT_APP.
    const std::uint32_t fields[][2] = {
        {8, 0x10000}, {12, 0}, {16, 0x10000}, {20, 0}, {32, 4}, {36, 1}};
    for (const auto& [at, value] : fields)
        EXPECT_EQ(num(version.data, f + at, 4), value) << "byte " << at << " of the fixed record";
}

TEST_P(CompiledResources, OneItalianUnicodeStringTableWithTheProgramsTexts)
{
    const std::string v = find(16).data;
    const std::size_t table = find16(v, "041004B0") - 6, vars = find16(v, "VarFileInfo") - 6;
    EXPECT_EQ(find16(v, "StringFileInfo") - 6 + 36, table) << "another string table comes first";
    EXPECT_EQ((table + num(v, table, 2) + 3) / 4 * 4, vars) << "another string table follows";
    const std::pair<std::string, std::string> texts[] = {
        {"FileVersion", "1.00"},
        {"ProductVersion", "1.00"},
        {"FileDescription", "Tango to Eagle converter Netlist"},
        {"ProductName", "Malvor"},
        {"InternalName", "Malvor"}};
    for (const auto& [key, text] : texts)
        EXPECT_EQ(find16(v, text, valueOf(v, key)), valueOf(v, key)) << key;
    EXPECT_EQ(num(v, find16(v, "Translation") - 4, 2), 4u) << "one language and code page";
    EXPECT_EQ(num(v, valueOf(v, "Translation"), 4), 1200u << 16 | 0x0410)
        << "language 0x0410, code page 1200";
}

TEST_P(CompiledResources, IconGroupListsBothImagesOfTheIconFile)
{
    const std::string g = find(14).data;
    ASSERT_EQ(num(g, 2, 4), 0x20001u) << "not an icon group of two icons";
    // Width, height, colours, planes, bits, byte count: as in the icon file's directory.
    for (std::size_t i = 0; i < 2; ++i)
        for (std::size_t j = 0; j < 12; j += 4)
            EXPECT_EQ(num(g, 6 + 14 * i + j, 4), num(ico, 6 + 16 * i + j, 4))
                << "icon " << i << ", byte " << j;
    const std::string first = find(3).data;  // the 32-pixel image, as the icon file holds it
    EXPECT_TRUE(first == ico.substr(num(ico, 18, 4), num(ico, 14, 4)));
}

INSTANTIATE_TEST_SUITE_P(In, CompiledResources, testing::ValuesIn(containers()));
#endif

#ifdef MALVOR_PROGRAM_FILE
// What Windows reads before either program starts: its manifest, and whether it gets a console.
TEST(ProgramFile, ManifestAndSubsystemOfEachProgram)
{
    const std::pair<std::string, std::uint32_t> programs[] = {
        {MALVOR_PROGRAM_FILE, 3},  // IMAGE_SUBSYSTEM_WINDOWS_CUI
#ifdef MALVOR_WINDOW_PROGRAM_FILE
        {MALVOR_WINDOW_PROGRAM_FILE, 2},  // IMAGE_SUBSYSTEM_WINDOWS_GUI: no console window
#endif
    };
    // Windows reads each setting only in its own namespace.
    const std::string settings[] = {
        "name=\"Malvor\" version=\"" MALVOR_VERSION_DOTTED "\"",
        "\"http://schemas.microsoft.com/SMI/2019/WindowsSettings\">UTF-8</activeCodePage>",
        "\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">true</longPathAware>"};
    for (const auto& [file, subsystem] : programs) {
        const std::string b = read_bytes(file), text = inProgramFile(b, 24).data;
        for (const std::string& setting : settings)
            EXPECT_NE(text.find(setting), std::string::npos) << file << " lacks " << setting;
        EXPECT_EQ(num(b, num(b, 0x3C, 4) + 24 + 68, 2), subsystem) << file;
    }
}
#endif
