#include "xml_scan.h"

#include <cstdint>
#include <vector>

namespace malvor {
namespace {

bool is_blank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Names are taken loosely: anything up to a blank or a character that ends them.
bool ends_name(char c)
{
    return is_blank(c) || c == '/' || c == '>' || c == '=' || c == '<' || c == '?';
}

class Scanner {
public:
    Scanner(std::string_view text, const XmlScanHandlers& handlers)
        : text_(text), handlers_(handlers)
    {
    }

    std::optional<XmlScanError> run()
    {
        if (text_.starts_with("\xEF\xBB\xBF"))
            pos_ = 3;
        bool root_seen = false;
        while (!error_) {
            skip_blanks();
            if (pos_ == text_.size())
                break;
            if (text_[pos_] != '<') {
                fail(root_seen ? "text after the root element" : "no root element found");
                break;
            }
            if (markup())
                continue;
            if (root_seen) {
                fail("a second root element");
                break;
            }
            root_seen = true;
            element();
        }
        if (!error_ && !root_seen)
            fail("no root element found");
        return std::move(error_);
    }

private:
    void fail(const char* reason)
    {
        if (!error_)
            error_ = XmlScanError{reason, pos_};
    }

    void skip_blanks()
    {
        while (pos_ < text_.size() && is_blank(text_[pos_]))
            ++pos_;
    }

    bool at(std::string_view start) const { return text_.substr(pos_).starts_with(start); }

    // Moves past the next `end`; false (with an error) when the document ends first.
    bool skip_past(std::string_view end, const char* unclosed)
    {
        const auto found = text_.find(end, pos_);
        if (found == std::string_view::npos) {
            fail(unclosed);
            return false;
        }
        pos_ = found + end.size();
        return true;
    }

    // A comment, processing instruction or declaration at `pos_`: skipped, true.
    bool markup()
    {
        if (at("<!--"))
            return skip_past("-->", "a comment is not closed");
        if (at("<?"))
            return skip_past("?>", "a processing instruction is not closed");
        if (at("<!DOCTYPE"))
            return doctype();
        return false;
    }

    bool doctype()
    {
        // Its internal subset may hold '>' inside brackets and quotes.
        int brackets = 0;
        for (++pos_; pos_ < text_.size(); ++pos_) {
            const char c = text_[pos_];
            if (c == '"' || c == '\'') {
                const auto close = text_.find(c, pos_ + 1);
                if (close == std::string_view::npos)
                    break;
                pos_ = close;
            } else if (c == '[') {
                ++brackets;
            } else if (c == ']') {
                --brackets;
            } else if (c == '>' && brackets <= 0) {
                ++pos_;
                return true;
            }
        }
        fail("a document type declaration is not closed");
        return true;
    }

    std::size_t name_end(std::size_t from) const
    {
        while (from < text_.size() && !ends_name(text_[from]))
            ++from;
        return from;
    }

    // The start tag at `pos_` ('<' then a name): its attributes checked, `pos_` after it.
    // Returns whether it was an empty-element tag.
    bool start_tag(std::string_view& name, std::string_view& attributes)
    {
        const std::size_t name_start = pos_ + 1;
        pos_ = name_end(name_start);
        name = text_.substr(name_start, pos_ - name_start);
        if (name.empty()) {
            fail("a tag without a name");
            return false;
        }
        const std::size_t attributes_start = pos_;
        for (;;) {
            skip_blanks();
            if (pos_ == text_.size()) {
                fail("a start tag is not closed");
                return false;
            }
            const char c = text_[pos_];
            if (c == '>' || at("/>")) {
                attributes = text_.substr(attributes_start, pos_ - attributes_start);
                pos_ += c == '>' ? 1 : 2;
                return c != '>';
            }
            const std::size_t attribute_start = pos_;
            pos_ = name_end(pos_);
            if (pos_ == attribute_start) {
                fail("a malformed attribute");
                return false;
            }
            skip_blanks();
            if (pos_ == text_.size() || text_[pos_] != '=') {
                fail("an attribute without a value");
                return false;
            }
            ++pos_;
            skip_blanks();
            if (pos_ == text_.size() || (text_[pos_] != '"' && text_[pos_] != '\'')) {
                fail("an attribute value without quotes");
                return false;
            }
            const auto close = text_.find(text_[pos_], pos_ + 1);
            if (close == std::string_view::npos) {
                fail("an attribute value is not closed");
                return false;
            }
            pos_ = close + 1;
            if (pos_ < text_.size() && !is_blank(text_[pos_]) && text_[pos_] != '>' &&
                text_[pos_] != '/') {
                fail("no blank between attributes");
                return false;
            }
        }
    }

    // The root element and everything in it. The open elements are kept as the positions of
    // their names (4 bytes each, as the file is below 4 GiB), to match the end tags.
    void element()
    {
        std::vector<std::uint32_t> open;
        do {
            if (!open.empty()) {
                const auto next = text_.find('<', pos_);
                if (next == std::string_view::npos) {
                    pos_ = text_.size();
                    fail("an element is not closed");
                    return;
                }
                pos_ = next;
            }
            if (at("<![CDATA[")) {
                if (!skip_past("]]>", "a CDATA section is not closed"))
                    return;
            } else if (at("</")) {
                if (open.empty()) {
                    fail("an end tag without a start tag");
                    return;
                }
                const std::size_t tag = pos_;
                const std::size_t name_start = pos_ + 2;
                pos_ = name_end(name_start);
                const auto name = text_.substr(name_start, pos_ - name_start);
                const std::size_t opened = open.back();
                if (name != text_.substr(opened, name_end(opened) - opened)) {
                    pos_ = tag;
                    fail("an end tag does not match its start tag");
                    return;
                }
                skip_blanks();
                if (pos_ == text_.size() || text_[pos_] != '>') {
                    fail("an end tag is not closed");
                    return;
                }
                ++pos_;
                handlers_.close(open.size());
                open.pop_back();
            } else if (at("<!") || at("<?")) {
                if (!at("<!--") && !at("<?")) {
                    fail("a declaration inside an element");
                    return;
                }
                markup();
            } else {
                std::string_view name, attributes;
                const std::size_t name_start = pos_ + 1;
                const bool empty = start_tag(name, attributes);
                if (error_)
                    return;
                open.push_back(static_cast<std::uint32_t>(name_start));
                handlers_.open(open.size(), name, attributes);
                if (empty) {
                    handlers_.close(open.size());
                    open.pop_back();
                }
            }
        } while (!open.empty() && !error_);
    }

    std::string_view text_;
    const XmlScanHandlers& handlers_;
    std::size_t pos_ = 0;
    std::optional<XmlScanError> error_;
};

void append_utf8(std::string& out, std::uint32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xc0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3f));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xe0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3f));
        out += static_cast<char>(0x80 | (code & 0x3f));
    } else {
        out += static_cast<char>(0xf0 | code >> 18);
        out += static_cast<char>(0x80 | (code >> 12 & 0x3f));
        out += static_cast<char>(0x80 | (code >> 6 & 0x3f));
        out += static_cast<char>(0x80 | (code & 0x3f));
    }
}

// The character a reference (the text between '&' and ';') stands for, appended; false for
// one that is not known, which then stays as written.
bool append_reference(std::string& out, std::string_view reference)
{
    static constexpr std::pair<std::string_view, char> named[] = {
        {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
    for (auto [entity, character] : named) {
        if (reference == entity) {
            out += character;
            return true;
        }
    }
    if (reference.size() < 2 || reference[0] != '#')
        return false;
    const bool hex = reference[1] == 'x';
    auto digits = reference.substr(hex ? 2 : 1);
    if (digits.empty() || digits.size() > 8)
        return false;
    std::uint32_t code = 0;
    for (char c : digits) {
        int digit = c >= '0' && c <= '9'          ? c - '0'
                    : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                  : -1;
        if (digit < 0)
            return false;
        code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
    }
    if (code == 0 || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff))
        return false;
    append_utf8(out, code);
    return true;
}

std::string decoded(std::string_view raw)
{
    std::string value;
    value.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '&') {
            const auto end = raw.find(';', i + 1);
            if (end != std::string_view::npos &&
                append_reference(value, raw.substr(i + 1, end - i - 1))) {
                i = end;
                continue;
            }
            value += c;
        } else if (c == '\r') {
            value += ' ';
            if (i + 1 < raw.size() && raw[i + 1] == '\n')
                ++i;  // CR LF is one line end
        } else {
            value += c == '\t' || c == '\n' ? ' ' : c;
        }
    }
    return value;
}

}  // namespace

std::optional<XmlScanError> scan_xml(std::string_view document, const XmlScanHandlers& handlers)
{
    return Scanner(document, handlers).run();
}

std::optional<std::string> xml_attribute(std::string_view attributes, std::string_view name)
{
    // The tag was checked while scanning: blanks, a name, '=', a quoted value, and so on.
    std::size_t pos = 0;
    while (pos < attributes.size()) {
        while (pos < attributes.size() && is_blank(attributes[pos]))
            ++pos;
        const std::size_t name_start = pos;
        while (pos < attributes.size() && !ends_name(attributes[pos]))
            ++pos;
        const auto found = attributes.substr(name_start, pos - name_start);
        const auto quote = attributes.find_first_of("\"'", pos);
        if (found.empty() || quote == std::string_view::npos)
            return std::nullopt;
        const auto close = attributes.find(attributes[quote], quote + 1);
        if (close == std::string_view::npos)
            return std::nullopt;
        if (found == name)
            return decoded(attributes.substr(quote + 1, close - quote - 1));
        pos = close + 1;
    }
    return std::nullopt;
}

}  // namespace malvor
