// malvor.rc as the Windows resource compiler sees it: the build compiles it with
// the cross windres into a .res file, which is read back here.
#include <gtest/gtest.h>

#include <map>

#include "binary_file.h"

using namespace malvor_test;

namespace {

constexpr std::uint16_t kIcon = 3, kGroupIcon = 14, kVersion = 16;

struct Resource {
  std::uint16_t type = 0;   // ordinal types only; named types are not used here
  std::string name;         // "#<ordinal>" or the name
  std::uint16_t language = 0;
  Bytes data;
};

std::string ascii(const Bytes& b, std::size_t& at) {  // UTF-16 up to its terminator
  std::string s;
  for (std::uint16_t c; (c = le16(b, at)) != 0; at += 2) s += c < 0x80 ? static_cast<char>(c) : '?';
  at += 2;
  return s;
}

std::string ordinalName(std::uint16_t id) {
  std::string name = "#";
  return name += std::to_string(id);
}

std::string idAt(const Bytes& b, std::size_t& at) {
  if (le16(b, at) == 0xFFFF) {
    at += 4;
    return ordinalName(le16(b, at - 2));
  }
  return ascii(b, at);
}

std::vector<Resource> readRes(const Bytes& b) {
  std::vector<Resource> out;
  for (std::size_t at = 0; at < b.size();) {
    const std::uint32_t dataSize = le32(b, at), headerSize = le32(b, at + 4);
    std::size_t p = at + 8;
    const std::string type = idAt(b, p);
    Resource r;
    r.name = idAt(b, p);
    r.type = type[0] == '#' ? static_cast<std::uint16_t>(std::stoi(type.substr(1))) : 0xFFFF;
    r.language = le16(b, at + headerSize - 10);
    need(b, at + headerSize, dataSize);
    r.data.assign(b.begin() + at + headerSize, b.begin() + at + headerSize + dataSize);
    if (dataSize || r.type) out.push_back(r);  // the leading empty entry marks a 32-bit .res
    at = (at + headerSize + dataSize + 3) / 4 * 4;
  }
  return out;
}

// One node of the VS_VERSIONINFO tree.
struct Node {
  std::string key;
  bool text = false;
  Bytes value;
  std::vector<Node> children;
  const Node* child(const std::string& k) const {
    for (const Node& c : children)
      if (c.key == k) return &c;
    return nullptr;
  }
  std::string string() const {  // text value without its terminator
    std::string s;
    for (std::size_t i = 0; i + 1 < value.size() && le16(value, i); i += 2) s += static_cast<char>(value[i]);
    return s;
  }
};

Node readNode(const Bytes& b, std::size_t at) {
  const std::size_t end = at + le16(b, at);
  const std::uint16_t valueLength = le16(b, at + 2);
  Node n;
  n.text = le16(b, at + 4) == 1;
  std::size_t p = at + 6;
  n.key = ascii(b, p);
  p = (p + 3) / 4 * 4;
  const std::size_t valueBytes = n.text ? valueLength * 2u : valueLength;
  need(b, p, valueBytes);
  n.value.assign(b.begin() + p, b.begin() + p + valueBytes);
  for (p = (p + valueBytes + 3) / 4 * 4; p < end; p = (p + le16(b, p) + 3) / 4 * 4) n.children.push_back(readNode(b, p));
  return n;
}

class CompiledResources : public testing::Test {
 protected:
  static void SetUpTestSuite() { resources = readRes(readFile(MALVOR_COMPILED_RES)); }
  static const Resource* find(std::uint16_t type) {
    for (const Resource& r : resources)
      if (r.type == type) return &r;
    return nullptr;
  }
  static inline std::vector<Resource> resources;
};

TEST_F(CompiledResources, FixedVersionInfoMarksA32BitApplication10) {
  const Resource* version = find(kVersion);
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(version->language, 0x0410);
  const Node root = readNode(version->data, 0);
  EXPECT_EQ(root.key, "VS_VERSION_INFO");
  const Bytes& f = root.value;
  ASSERT_EQ(f.size(), 52u) << "VS_FIXEDFILEINFO";
  EXPECT_EQ(le32(f, 0), 0xFEEF04BDu) << "signature";
  const std::map<std::string, std::pair<std::size_t, std::uint32_t>> fields = {
      {"FileVersionMS", {8, 0x00010000}}, {"FileVersionLS", {12, 0}},
      {"ProductVersionMS", {16, 0x00010000}}, {"ProductVersionLS", {20, 0}},
      {"FileFlagsMask", {24, 0}}, {"FileFlags", {28, 0}},
      {"FileOS (VOS__WINDOWS32)", {32, 0x4}}, {"FileType (VFT_APP)", {36, 0x1}}, {"FileSubtype", {40, 0}}};
  for (const auto& [field, expected] : fields) EXPECT_EQ(le32(f, expected.first), expected.second) << field;
}

TEST_F(CompiledResources, StringTableIsItalianUnicodeWithTheProgramsTexts) {
  const Resource* version = find(kVersion);
  ASSERT_NE(version, nullptr);
  const Node root = readNode(version->data, 0);
  const Node* info = root.child("StringFileInfo");
  ASSERT_NE(info, nullptr);
  ASSERT_EQ(info->children.size(), 1u) << "exactly one string table";
  const Node& table = info->children[0];
  EXPECT_EQ(table.key, "041004B0");
  const std::map<std::string, std::string> expected = {
      {"FileVersion", "1.00"}, {"ProductVersion", "1.00"}, {"FileDescription", "Tango to Eagle converter Netlist"},
      {"ProductName", "Malvor"}, {"InternalName", "Malvor"}};
  for (const auto& [key, value] : expected) {
    const Node* entry = table.child(key);
    ASSERT_NE(entry, nullptr) << key;
    EXPECT_TRUE(entry->text) << key;
    EXPECT_EQ(entry->string(), value) << key;
  }
  const Node* translation = root.child("VarFileInfo") ? root.child("VarFileInfo")->child("Translation") : nullptr;
  ASSERT_NE(translation, nullptr);
  ASSERT_EQ(translation->value.size(), 4u);
  EXPECT_EQ(le16(translation->value, 0), 0x0410) << "language";
  EXPECT_EQ(le16(translation->value, 2), 1200) << "code page";
}

TEST_F(CompiledResources, IconGroupEmbedsBothImagesOfTheIconFile) {
  const Resource* group = find(kGroupIcon);
  ASSERT_NE(group, nullptr);
  const Bytes& g = group->data;
  ASSERT_EQ(le16(g, 4), 2) << "icons in the group";
  const Bytes ico = readFile(std::string(MALVOR_RESOURCES_DIR) + "/malvor.ico");
  const auto images = readIcon(ico);
  for (std::size_t i = 0; i < 2; ++i) {
    const std::size_t e = 6 + 14 * i;
    SCOPED_TRACE("group entry " + std::to_string(i));
    EXPECT_EQ(g[e], images[i].width);
    EXPECT_EQ(g[e + 1], images[i].height);
    EXPECT_EQ(le16(g, e + 6), 4) << "bits per pixel";
    const std::string id = ordinalName(le16(g, e + 12));
    const Resource* icon = nullptr;
    for (const Resource& r : resources)
      if (r.type == kIcon && r.name == id) icon = &r;
    ASSERT_NE(icon, nullptr) << "no icon resource " << id;
    const Bytes original(ico.begin() + images[i].dataOffset, ico.begin() + images[i].dataOffset + images[i].dataSize);
    EXPECT_EQ(icon->data, original) << "the program file would carry another picture";
  }
}

}  // namespace
