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
