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
    const std::pair<std::string, LibraryError> cases[] = {
        {std::string("\x10\x80\x01\x02", 4), LibraryError::binary_library},
        {"<eagle><drawing><library>", LibraryError::not_xml},
        {"<?xml version=\"1.0\"?><eagle><drawing><board/></drawing></eagle>",
         LibraryError::not_eagle_library},
    };
    for (const auto& [bytes, error] : cases)
        EXPECT_EQ(read_eagle_library(bytes).error, make_error_code(error)) << bytes;

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
