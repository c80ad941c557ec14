#pragma once
// A single pass over an XML document that builds no tree: the library reader keeps only the
// few elements it needs, so memory follows what it keeps, not the size of the file.
//
// The document must be well-formed as far as the structure goes: one root element, start and
// end tags that match, quoted attributes, closed comments, CDATA sections, processing
// instructions and document type declarations. Text between tags is skipped unread.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace malvor {

struct XmlScanError {
    std::string reason;
    std::size_t offset = 0;  // in bytes from the start of the document
};

struct XmlScanHandlers {
    // A start tag at `depth` (the root element is at 1); `attributes` is the raw text after
    // the name, for `xml_attribute`.
    std::function<void(std::size_t depth, std::string_view name, std::string_view attributes)> open;
    // The end of the element opened at `depth` (also of an empty-element tag).
    std::function<void(std::size_t depth)> close;
};

std::optional<XmlScanError> scan_xml(std::string_view document, const XmlScanHandlers& handlers);

// The value of the first attribute `name` in a start tag's attribute text, its references
// (the five named entities and numeric ones) replaced and its tabs and line ends turned into
// blanks, as XML reads them; nullopt when the tag has no such attribute.
std::optional<std::string> xml_attribute(std::string_view attributes, std::string_view name);

}  // namespace malvor
