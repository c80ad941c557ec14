#include "tango_reader.h"

#include <charconv>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace malvor {
namespace {

// Splits text into lines at CR, CR LF or LF; nothing follows a final line end.
class LineSource {
public:
    explicit LineSource(std::string_view text) : text_(text) {}

    bool at_end() const { return pos_ >= text_.size(); }

    // The next line, or empty text at the end.
    std::string_view next()
    {
        const char* begin = text_.data() + pos_;
        const char* end = text_.data() + text_.size();
        const char* p = begin;
        while (p != end && *p != '\r' && *p != '\n')
            ++p;
        std::string_view line(begin, static_cast<std::size_t>(p - begin));
        if (p != end) {
            if (*p == '\r' && p + 1 != end && p[1] == '\n')
                ++p;
            ++p;
        }
        pos_ = static_cast<std::size_t>(p - text_.data());
        return line;
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// The counter k for which a name reads "Zel<k>" ignoring ASCII case (k written without
// leading zeros), or 0.
long long replacement_number(std::string_view name)
{
    if (name.size() < 4 || ascii_lower(name[0]) != 'z' || ascii_lower(name[1]) != 'e'
        || ascii_lower(name[2]) != 'l' || name[3] == '0')
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

NetlistTables read_tango(std::shared_ptr<const std::string> bytes)
{
    NetlistTables tables;
    LineSource lines(*bytes);
    std::vector<Count> long_names;
    std::unordered_set<long long> taken;

    while (!lines.at_end()) {
        tables.rigo = lines.next();
        if (tables.rigo == "[") {
            if (lines.at_end())
                break;
            auto name = lines.next();
            auto pack = lines.next();
            auto value = lines.next();
            tables.add_component(name, pack, value);
        } else if (tables.rigo == "(") {
            if (lines.at_end())
                break;
            tables.rigo = lines.next();
            tables.start_net(tables.rigo);
            if (tables.rigo.size() > longest_kept_net_name)
                long_names.push_back(tables.s);
            else if (auto k = replacement_number(tables.rigo))
                taken.insert(k);
            while (!lines.at_end()) {
                tables.rigo = lines.next();
                if (tables.rigo == ")")
                    break;
                tables.add_node(tables.rigo);
            }
        }
    }

    replace_long_names(tables, long_names, taken);
    tables.keep_source(std::move(bytes));
    return tables;
}

NetlistTables read_tango(std::string bytes)
{
    return read_tango(std::make_shared<const std::string>(std::move(bytes)));
}

}  // namespace malvor
