#include "eagle_writer.h"

#include <charconv>

namespace malvor {
namespace {

bool needs_quotes(std::string_view word)
{
    return word.find_first_of(" \t;'") != std::string_view::npos;
}

// Collects the script and hands it to the sink in large pieces.
class ScriptBuffer {
public:
    explicit ScriptBuffer(const ScriptSink& sink) : sink_(sink) { text_.reserve(flush_size + 4096); }
    ~ScriptBuffer() = default;

    ScriptBuffer& operator<<(std::string_view text)
    {
        text_ += text;
        return *this;
    }
    ScriptBuffer& operator<<(char c)
    {
        text_ += c;
        return *this;
    }
    ScriptBuffer& operator<<(long long value)
    {
        char digits[24];
        auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        text_.append(digits, end);
        return *this;
    }

    // A word, between apostrophes when EAGLE would otherwise split it or end the statement.
    // Returns the number of characters written.
    std::size_t word(std::string_view word)
    {
        if (!needs_quotes(word)) {
            text_ += word;
            return word.size();
        }
        std::size_t before = text_.size();
        text_ += '\'';
        for (char c : word) {
            if (c == '\'')
                text_ += '\'';
            text_ += c;
        }
        text_ += '\'';
        return text_.size() - before;
    }

    // A node line with its commas as blanks; each blank-separated word of it is one word.
    std::size_t node(std::string_view line)
    {
        if (line.find_first_of("\t;'") == std::string_view::npos) {
            std::size_t start = text_.size();
            text_ += line;
            for (std::size_t i = start; i < text_.size(); ++i)
                if (text_[i] == ',')
                    text_[i] = ' ';
            return line.size();
        }
        std::size_t written = 0;
        std::size_t pos = 0;
        while (pos < line.size()) {
            char c = line[pos];
            if (c == ' ' || c == ',') {
                text_ += ' ';
                ++written;
                ++pos;
                continue;
            }
            std::size_t end = line.find_first_of(" ,", pos);
            if (end == std::string_view::npos)
                end = line.size();
            written += word(line.substr(pos, end - pos));
            pos = end;
        }
        return written;
    }

    void flush_if_full()
    {
        if (text_.size() >= flush_size)
            flush();
    }
    void flush()
    {
        if (!text_.empty())
            sink_(text_);
        text_.clear();
    }

private:
    static constexpr std::size_t flush_size = 1 << 16;
    const ScriptSink& sink_;
    std::string text_;
};

void write_components(const NetlistTables& tables, ScriptBuffer& out)
{
    long long x = 0;
    long long y = 10000;
    for (Count i = 1; i <= tables.component_count(); ++i) {
        auto name = tables.comp_name(i);
        out << "Add ";
        out.word(tables.comp_pack(i));
        out << " ( " << x << ' ' << y << " );\r\nName ";
        out.word(name);
        out << " ( " << x << ' ' << y << " );\r\nValue ";
        out.word(name);
        out << ' ';
        out.word(tables.comp_value(i));
        out << ";\n\r\n";
        x += 1000;
        if (x > 9000) {
            x = 0;
            y -= 500;
        }
        out.flush_if_full();
    }
}

void write_signals(const NetlistTables& tables, ScriptBuffer& out)
{
    for (Count i = 1; i <= tables.net_count(); ++i) {
        out << "Signal ";
        out.word(tables.sig_name(i));
        out << ' ';
        // Wide enough for any node length; the break rule is the same as for short nodes.
        long long lun_rig = 0;
        const Count nodes = tables.node_count(i);
        for (Count j = 1; j <= nodes; ++j) {
            auto node = tables.sig_node(i, j);
            if (node.empty())
                continue;  // an empty node line connects nothing; later nodes still count
            lun_rig += static_cast<long long>(out.node(node));
            out << ' ';
            ++lun_rig;
            if (lun_rig > signal_line_limit) {
                out << "\\\r       ";
                lun_rig = 0;
            }
            out.flush_if_full();
        }
        out << ";\r\n";
    }
}

}  // namespace

void write_eagle_script(const NetlistTables& tables, std::string_view eaglelib,
                        const ScriptSink& sink)
{
    ScriptBuffer out(sink);
    out << "Use ";
    out.word(eaglelib);
    out << ";\r\nGrid Mil;\n\r\n";
    write_components(tables, out);
    write_signals(tables, out);
    out.flush();
}

std::string eagle_script(const NetlistTables& tables, std::string_view eaglelib)
{
    std::string script;
    write_eagle_script(tables, eaglelib, [&script](std::string_view piece) { script += piece; });
    return script;
}

}  // namespace malvor
