// Packages and pads of XML EAGLE libraries, and files that are no such library.
#include "eagle_library.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

namespace malvor {
namespace {

TEST(EagleLibraryReader, PackagesWithPadAndSmdNamesIgnoringCase)
{
    auto result = read_eagle_library(testing_support::read_bytes(MALVOR_TEST_DATA "/parts.lbr"));
    ASSERT_FALSE(result.error) << result.error.message();
    const auto& library = result.library;
    EXPECT_EQ(library.package_names(), (std::vector<std::string>{"R0805", "C0805", "SOT-23",
                                                                 "USB-B$1", "JACK \"2'\" & co"}));
    struct Case {
        const char* package;
        const char* pad;
        bool found;
    };
    const Case cases[] = {
        {"r0805", "1", true},
        {"R0805", "3", false},
        {"sot-23", "e", true},
        {"SOT-23", "A", false},
        {"usb-b$1", "d-", true},
        {"USB-B$1", "GND@1", true},
        {"USB-B$1", "5-2", true},
        {"USB-B$1", "5", false},
        {"jack \"2'\" & CO", "b'", true},
        {"JACK \"2'\" & co", "-", true},
    };
    for (const auto& c : cases) {
        auto package = library.find_package(c.package);
        ASSERT_NE(package, EagleLibrary::none) << c.package;
        EXPECT_EQ(library.find_pad(package, c.pad) != EagleLibrary::none, c.found)
            << c.package << " " << c.pad;
    }
    EXPECT_EQ(library.pad_count(library.find_package("SOT-23")), 3u);
    // Devices, 3D packages and unknown elements add no package.
    EXPECT_EQ(library.find_package("NO-SUCH-PACKAGE"), EagleLibrary::none);
}

TEST(EagleLibraryReader, FilesThatAreNoXmlLibrary)
{
    const std::string xml = "<?xml version=\"1.0\"?>\r\n";
    struct Case {
        std::string bytes;
        LibraryError error;
        std::string detail = "";
    };
    const Case cases[] = {
        // clang-format off
        {std::string("\x10\x80\x01\x02", 4), LibraryError::binary_library},
        {"", LibraryError::empty_file},
        {"\x1F\x8B\x08\x00", LibraryError::gzip_file},
        {"PK\x03\x04\x14\x00", LibraryError::zip_file},
        {"PK\x05\x06" + std::string(18, '\0'), LibraryError::zip_file},  // an empty archive
        {"PK\x07\x08\x50\x4B\x03\x04", LibraryError::zip_file},  // split
        {"version https://git-lfs.github.com/spec/v1\noid sha256:4d7a\nsize 80618\n", LibraryError::lfs_pointer},
        {"\n<!-- saved from url=(0014)about:internet -->\n<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"></head></html>", LibraryError::web_page},
        {"<HTML><body/></HTML>", LibraryError::web_page},
        {"\xEF\xBB\xBF<!doctype html>", LibraryError::web_page},
        {xml + "<eagle><drawing><schematic><libraries><library/></libraries></schematic></drawing></eagle>", LibraryError::schematic_or_board},
        {xml + "<eagle><drawing><board/></drawing></eagle>", LibraryError::schematic_or_board},
        {xml + "<eagle><drawing/></eagle>", LibraryError::not_eagle_library},
        {"[\r\nR1\r\n", LibraryError::not_xml, "no element such as '<eagle>' in it"},
        {xml, LibraryError::cut_short_xml, "the file ends at 2:1; expected the element '<eagle>'"},
        {xml + "<eagle>\r\n<drawing><library>\r\n", LibraryError::cut_short_xml, "the file ends at 3:19; expected the closing tags of the elements still open, up to '</eagle>'"},
        {xml + "<eagle>\r\n<pad name=\"1\" x=\"-0.", LibraryError::cut_short_xml, "the file ends at 3:18; expected an attribute written name=\"value\", or the end of the tag"},
        {xml + "<eagle>\r\n<drawing>\r\n  <library></drawing>\r\n</eagle>", LibraryError::broken_xml, "at 4:12 expected the closing tag of the element that is open, found '</drawing>'"},
        {xml + "<eagle version=9>", LibraryError::broken_xml, "at 2:16 expected an attribute written name=\"value\", or the end of the tag"},
        // clang-format on
    };
    for (const auto& c : cases) {
        auto result = read_eagle_library(c.bytes);
        EXPECT_EQ(result.error, make_error_code(c.error)) << c.bytes;
        EXPECT_EQ(result.detail, c.detail) << c.bytes;
    }

    auto empty = read_eagle_library("<eagle><drawing><library/></drawing></eagle>");
    EXPECT_FALSE(empty.error);
    EXPECT_EQ(empty.library.package_count(), 0u);
}

TEST(EagleLibraryReader, ALaterPackageOfTheSameNameAddsNothing)
{
    auto result = read_eagle_library(
        "<eagle><drawing><library><packages>"
        "<package name=\"P\"><pad name=\"1\"/></package>"
        "<package name=\"p\"><pad name=\"2\"/></package>"
        "<package name=\"Q\"><pad name=\"A\"/><smd name=\"a\"/></package>"
        "</packages></library></drawing></eagle>");
    ASSERT_EQ(result.library.package_count(), 2u);
    EXPECT_EQ(result.library.find_pad(result.library.find_package("p"), "2"), EagleLibrary::none);
    EXPECT_EQ(result.library.pad_count(result.library.find_package("Q")), 1u);
}

}  // namespace
}  // namespace malvor
