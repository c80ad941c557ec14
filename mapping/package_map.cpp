#include "package_map.h"

#include "script_names.h"
#include "shown_text.h"

#include <array>
#include <map>
#include <optional>

namespace malvor {
namespace {

enum Column { component, footprint, value, package, library, pins, column_count };
constexpr std::array<std::string_view, column_count> column_names = {
    "component", "footprint", "value", "package", "library", "pins"};

bool is_blank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && is_blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The fields of one line, or why it has none. Blanks around an unquoted field are dropped.
std::optional<std::string> split_fields(std::string_view line, std::vector<std::string>& fields)
{
    fields.clear();
    std::size_t pos = 0;
    while (true) {
        std::string field;
        std::size_t start = pos;
        while (pos < line.size() && is_blank(line[pos]))
            ++pos;
        if (pos < line.size() && line[pos] == '"') {
            ++pos;
            while (true) {
                if (pos == line.size())
                    return "a quoted field does not close on its line";
                if (line[pos] == '"') {
                    if (pos + 1 < line.size() && line[pos + 1] == '"') {
                        field += '"';
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    break;
                }
                field += line[pos++];
            }
            while (pos < line.size() && is_blank(line[pos]))
                ++pos;
            if (pos < line.size() && line[pos] != ',')
                return "text after the closing quote of a field";
        } else {
            pos = start;
            while (pos < line.size() && line[pos] != ',')
                ++pos;
            auto text = trimmed(line.substr(start, pos - start));
            if (text.find('"') != std::string_view::npos)
                return "a quote inside a field that does not start with one";
            field = text;
        }
        if (has_control_character(field))
            return "a control character in a field";
        fields.push_back(std::move(field));
        if (pos == line.size())
            return std::nullopt;
        ++pos;  // the comma
    }
}

class MapParser {
public:
    explicit MapParser(const std::vector<std::string>& libraries) : libraries_(libraries) {}

    void line(std::size_t number, std::string_view text)
    {
        if (!text.empty() && text.back() == '\r')
            text.remove_suffix(1);
        if (text.empty() || text.front() == '#')
            return;
        if (auto wrong = split_fields(text, fields_)) {
            error(number, *wrong);
            if (!header_seen_)
                header_seen_ = header_bad_ = true;
            return;
        }
        if (!header_seen_)
            header(number);
        else if (!header_bad_)
            row(number);
    }

    PackageMap done()
    {
        if (!header_seen_)
            error(1, "no header line naming the columns");
        return std::move(map_);
    }

private:
    void error(std::size_t line, std::string message)
    {
        map_.errors.push_back({line, std::move(message)});
    }

    void header(std::size_t number)
    {
        header_seen_ = true;
        const std::size_t errors = map_.errors.size();
        for (std::size_t i = 0; i < fields_.size(); ++i) {
            const auto name = lower_ascii(fields_[i]);
            std::size_t c = 0;
            while (c < column_count && column_names[c] != name)
                ++c;
            if (c == column_count)
                error(number, "unknown column " + quoted(fields_[i]) +
                                  " (known: component, footprint, value, package, library, pins)");
            else if (at_[c])
                error(number, "column " + quoted(name) + " given twice");
            else
                at_[c] = i;
        }
        if (!at_[component] && !at_[footprint])
            error(number, "the header names neither 'component' nor 'footprint'");
        if (!at_[package] && !at_[pins])
            error(number, "the header names neither 'package' nor 'pins'");
        header_bad_ = map_.errors.size() != errors;
        columns_ = fields_.size();
    }

    std::string cell(Column c) const { return at_[c] ? fields_[*at_[c]] : std::string(); }

    void row(std::size_t number)
    {
        if (fields_.size() != columns_) {
            error(number, std::to_string(fields_.size()) + " fields where the header has " +
                              std::to_string(columns_));
            return;
        }
        MapRow row;
        row.line = number;
        row.component = cell(component);
        row.footprint = cell(footprint);
        row.value = cell(value);
        row.package = cell(package);
        bool ok = true;
        auto wrong = [&](std::string message) {
            error(number, std::move(message));
            ok = false;
        };
        if (row.component.empty() && row.footprint.empty())
            wrong("the row names neither a component nor a footprint");
        const auto library_name = cell(library);
        if (!library_name.empty()) {
            std::size_t l = 0;
            while (l < libraries_.size() && !same_ignoring_ascii_case(libraries_[l], library_name))
                ++l;
            if (l == libraries_.size())
                wrong("library " + quoted(library_name) + " is not one given on the command line");
            row.library = l;
        }
        const auto pin_cell = cell(pins);
        for (std::size_t pos = 0; pos < pin_cell.size();) {
            if (is_blank(pin_cell[pos])) {
                ++pos;
                continue;
            }
            auto end = pos;
            while (end < pin_cell.size() && !is_blank(pin_cell[end]))
                ++end;
            const std::string_view pair = std::string_view(pin_cell).substr(pos, end - pos);
            pos = end;
            const auto equals = pair.find('=');
            if (equals == 0 || equals == std::string_view::npos || equals + 1 == pair.size()) {
                wrong("pins: " + quoted(pair) + " is not PIN=PAD");
                continue;
            }
            std::string pin(pair.substr(0, equals));
            for (const auto& [earlier, pad] : row.pins)
                if (same_ignoring_ascii_case(earlier, pin))
                    wrong("pins: pin " + quoted(pin) + " is given twice");
            row.pins.emplace_back(std::move(pin), pair.substr(equals + 1));
        }
        if (row.package.empty() && row.pins.empty())
            wrong("the row gives neither a package nor pins");
        if (row.component.empty() && row.footprint.empty())
            return;
        const bool by_component = !row.component.empty();
        const bool by_prefix = row.component.ends_with('*');
        const auto key = by_prefix ? lower_ascii(row.component) + '\n' + lower_ascii(row.footprint)
                         : by_component ? lower_ascii(row.component)
                                        : lower_ascii(row.footprint) + '\n' + row.value;
        auto [earlier, added] = (by_component ? components_ : footprints_).try_emplace(key, number);
        if (!added) {
            error(number,
                  "another row for " +
                      (by_component ? "component " + quoted(row.component) +
                                          (by_prefix && !row.footprint.empty()
                                               ? " and footprint " + quoted(row.footprint)
                                               : std::string())
                                    : "footprint " + quoted(row.footprint) +
                                          (row.value.empty() ? std::string()
                                                             : " and value " + quoted(row.value))) +
                      " is on line " + std::to_string(earlier->second));
            return;
        }
        if (ok)
            map_.rows.push_back(std::move(row));
    }

    const std::vector<std::string>& libraries_;
    PackageMap map_;
    std::vector<std::string> fields_;
    std::array<std::optional<std::size_t>, column_count> at_{};
    std::size_t columns_ = 0;
    bool header_seen_ = false;
    bool header_bad_ = false;
    std::map<std::string, std::size_t> components_;  // key to its line
    std::map<std::string, std::size_t> footprints_;
};

}  // namespace

PackageMap parse_package_map(std::string_view bytes, const std::vector<std::string>& libraries)
{
    if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    MapParser parser(libraries);
    std::size_t number = 1;
    while (!bytes.empty()) {
        const auto end = bytes.find('\n');
        parser.line(number++, bytes.substr(0, end));
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
    }
    return parser.done();
}

std::string csv_field(std::string_view text)
{
    bool quote = !text.empty() &&
                 (text.front() == '#' || is_blank(text.front()) || is_blank(text.back()));
    for (char c : text)
        quote = quote || c == ',' || c == '"';
    if (!quote)
        return std::string(text);
    std::string field = "\"";
    for (char c : text) {
        if (c == '"')
            field += '"';
        field += c;
    }
    return field + '"';
}

std::string map_row_text(const MapRow& row, const std::vector<std::string>& libraries)
{
    std::string pin_cell;
    for (const auto& [pin, pad] : row.pins)
        pin_cell += (pin_cell.empty() ? "" : " ") + pin + '=' + pad;
    const std::string library_name = row.library == MapRow::any_library ? std::string()
                                                                        : libraries[row.library];
    return csv_field(row.component) + ',' + csv_field(row.footprint) + ',' + csv_field(row.value) +
           ',' + csv_field(row.package) + ',' + csv_field(library_name) + ',' + csv_field(pin_cell);
}

}  // namespace malvor
