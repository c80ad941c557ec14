#include "library_errors.h"

#include <string>

namespace malvor {
namespace {

class LibraryCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "eagle library"; }

    std::string message(int code) const override
    {
        switch (static_cast<LibraryError>(code)) {
        case LibraryError::binary_library:
            return "a binary library of EAGLE 5 or older; opening and saving it in EAGLE 6 or "
                   "later converts it to the XML form that can be checked";
        case LibraryError::not_xml:
            return "not an XML file, so no EAGLE library";
        case LibraryError::not_eagle_library:
            return "an XML file, but no EAGLE library (no eagle/drawing/library)";
        case LibraryError::schematic_or_board:
            return "an EAGLE schematic (or board), not a library";
        case LibraryError::empty_file:
            return "an empty file";
        case LibraryError::gzip_file:
            return "compressed (gzip), not a library: unpack it first";
        case LibraryError::zip_file:
            return "compressed (a ZIP archive), not a library: unpack it first";
        case LibraryError::lfs_pointer:
            return "a Git LFS pointer, not the library: the library itself was never downloaded "
                   "('git lfs pull' fetches it)";
        case LibraryError::web_page:
            return "a web page, not the library file: download the file itself rather than "
                   "the page that shows it";
        case LibraryError::cut_short_xml:
            return "cut short";
        case LibraryError::broken_xml:
            return "broken XML, so no EAGLE library";
        case LibraryError::too_many_elements:
            return "made of far more XML elements than an EAGLE library of its size";
        }
        return "unknown library error";
    }
};

}  // namespace

const std::error_category& library_category()
{
    static const LibraryCategory category;
    return category;
}

}  // namespace malvor
