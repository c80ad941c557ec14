#include "tango_reader.h"

#include "lines.h"
#include "script_names.h"

#include <charconv>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace malvor {
namespace {

// Hands out the lines of a text one after another, as their start positions.
class LineSource {
public:
    explicit LineSource(std::string_view text) : text_(text) {}

    bool at_end() const { return pos_ >= text_.size(); }

    // The next line; at the end, empty text at the end of the source.
    std::string_view next()
    {
        start_ = pos_;
        auto end = line_end(text_, pos_);
        pos_ = after_line_end(text_, end);
        return text_.substr(start_, end - start_);
    }
    // Where the line that next() gave last starts.
    std::size_t start() const { return start_; }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t start_ = 0;
};

// The counter k for which a name reads "Zel<k>" ignoring ASCII case (k written without
// leading zeros), or 0.
long long replacement_number(std::string_view name)
{
    if (name.size() < 4 || lower_ascii(name.substr(0, 3)) != "zel" || name[3] == '0')
        return 0;
    long long k = 0;
    auto digits = name.substr(3);
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), k);
    if (error != std::errc() || end != digits.data() + digits.size() || k <= 0)
        return 0;
    return k;
}

// Gives the long net names their replacements once all short names are known, so that no
// replacement takes the name of another net.
void replace_long_names(NetlistTables& tables, const std::vector<Count>& long_names,
                        const std::unordered_set<long long>& taken)
{
    long long counter = 1;
    for (Count net : long_names) {
        while (taken.count(counter) != 0)
            ++counter;
        tables.replace_sig_name(net, "Zel" + std::to_string(counter));
        ++counter;
    }
}

}  // namespace

NetlistTables read_tango(std::string bytes)
{
    return read_tango(SourceBytes(std::move(bytes)));
}

NetlistTables read_tango(SourceBytes source)
{
    // The tables keep the bytes: their cells are positions in them.
    auto bytes = std::make_shared<const SourceBytes>(std::move(source));
    NetlistTables tables(bytes);
    LineSource lines(bytes->view());
    std::vector<Count> long_names;
    std::unordered_set<long long> taken;

    std::string_view rigo;
    while (!lines.at_end()) {
        rigo = lines.next();
        if (rigo == "[") {
            if (lines.at_end())
                break;
            // The name, package and value are the next three lines, read as the tables need them.
            lines.next();
            tables.add_component(lines.start());
            lines.next();
            lines.next();
        } else if (rigo == "(") {
            if (lines.at_end())
                break;
            rigo = lines.next();
            tables.start_net(lines.start());
            if (rigo.size() > longest_kept_net_name)
                long_names.push_back(tables.s);
            else if (auto k = replacement_number(rigo))
                taken.insert(k);
            while (!lines.at_end()) {
                rigo = lines.next();
                if (rigo == ")")
                    break;
                tables.add_node(lines.start());
            }
        }
    }
    tables.rigo = rigo;

    replace_long_names(tables, long_names, taken);
    return tables;
}

}  // namespace malvor
