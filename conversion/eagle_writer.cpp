#include "eagle_writer.h"

#include "node_split.h"

#include <array>
#include <charconv>
#include <cstring>
#include <memory>
#include <tuple>

// Builds for the fuzzer make the buffer tiny, so that short scripts cross its end.
#ifndef MALVOR_SCRIPT_BUFFER_BYTES
#define MALVOR_SCRIPT_BUFFER_BYTES (std::size_t{1} << 18)
#endif

namespace malvor {
namespace {

// What a byte means to the writer, as flags: a blank or a comma separates the words of a
// node (a comma is written as a blank), a hyphen may, and some characters make their word
// need apostrophes.
enum ByteKind : unsigned char { plain = 0, blank = 1, comma = 2, hyphen = 4, needs_quotes = 8 };

constexpr auto byte_kinds = [] {
    std::array<unsigned char, 256> kinds{};
    kinds[static_cast<unsigned char>(' ')] = blank;
    kinds[static_cast<unsigned char>(',')] = comma;
    kinds[static_cast<unsigned char>('-')] = hyphen;
    kinds[static_cast<unsigned char>('\t')] = needs_quotes;
    kinds[static_cast<unsigned char>(';')] = needs_quotes;
    kinds[static_cast<unsigned char>('\'')] = needs_quotes;
    return kinds;
}();

unsigned kind_of(char c)
{
    return byte_kinds[static_cast<unsigned char>(c)];
}

bool is_separator(char c)
{
    return (kind_of(c) & (blank | comma)) != 0;
}

// The same facts as tables the copying loops can use without branches: the byte a node line
// writes for each byte (a comma becomes a blank), and marks for the bytes that need quotes
// (quote_in_node), for blanks, which need them only inside a word (quote_in_word), and for
// the commas and hyphens that decide how a node splits.
enum NodeMark : unsigned char {
    quote_in_node = 1,
    quote_in_word = 2,
    comma_mark = 4,
    hyphen_mark = 8
};

constexpr auto node_bytes = [] {
    std::array<char, 256> bytes{};
    for (int i = 0; i < 256; ++i)
        bytes[static_cast<std::size_t>(i)] =
            byte_kinds[static_cast<std::size_t>(i)] == comma ? ' ' : static_cast<char>(i);
    return bytes;
}();

constexpr auto node_marks = [] {
    std::array<unsigned char, 256> marks{};
    for (std::size_t i = 0; i < 256; ++i)
        marks[i] = byte_kinds[i] == needs_quotes ? quote_in_node | quote_in_word : 0;
    marks[static_cast<unsigned char>(' ')] = quote_in_word;
    marks[static_cast<unsigned char>(',')] = comma_mark;
    marks[static_cast<unsigned char>('-')] = hyphen_mark;
    return marks;
}();

bool word_needs_quotes(std::string_view word)
{
    for (char c : word)
        if ((kind_of(c) & (blank | needs_quotes)) != 0)
            return true;
    return false;
}

// Collects the script in a fixed buffer and hands it to the sink whenever it fills.
class ScriptBuffer {
public:
    explicit ScriptBuffer(const ScriptSink& sink) : sink_(sink), buffer_(new char[capacity]) {}

    ScriptBuffer& operator<<(std::string_view text)
    {
        if (text.size() > capacity - used_) {
            flush();
            if (text.size() > capacity) {
                sink_(text);
                return *this;
            }
        }
        std::memcpy(buffer_.get() + used_, text.data(), text.size());
        used_ += text.size();
        return *this;
    }
    ScriptBuffer& operator<<(char c)
    {
        if (used_ == capacity)
            flush();
        buffer_[used_++] = c;
        return *this;
    }
    ScriptBuffer& operator<<(long long value)
    {
        char digits[24];
        auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        return *this << std::string_view(digits, static_cast<std::size_t>(end - digits));
    }

    // A word, between apostrophes when EAGLE would otherwise split it or end the statement
    // there. Returns the number of characters written.
    std::size_t word(std::string_view text)
    {
        if (text.size() <= capacity - used_) {
            // Common case: copy and check in one pass; the copy is dropped if quotes are needed.
            char* out = buffer_.get() + used_;
            unsigned char marks = 0;
            for (char c : text) {
                marks |= node_marks[static_cast<unsigned char>(c)];
                *out++ = c;
            }
            if ((marks & quote_in_word) == 0) {
                used_ += text.size();
                return text.size();
            }
        } else if (!word_needs_quotes(text)) {
            *this << text;
            return text.size();
        }
        std::size_t written = 2;
        *this << '\'';
        for (char c : text) {
            if (c == '\'') {
                *this << c;
                ++written;
            }
            *this << c;
            ++written;
        }
        *this << '\'';
        return written;
    }

    // A node line with its commas, or the hyphen that splits it, as blanks; each
    // blank-separated word of it is one word. Returns the number of characters written.
    std::size_t node(std::string_view line, NodeSplitter& splitter)
    {
        if (line.size() > capacity - used_)
            flush();
        if (line.size() > capacity)
            return node_words(line, splitter.hyphen(line));
        // Common case: copy with commas turned into blanks, unless a word needs quotes.
        char* out = buffer_.get() + used_;
        unsigned char marks = 0;
        for (char c : line) {
            auto u = static_cast<unsigned char>(c);
            marks |= node_marks[u];
            *out++ = node_bytes[u];
        }
        auto split = std::string_view::npos;
        if ((marks & (comma_mark | hyphen_mark)) == hyphen_mark)
            split = splitter.hyphen(line);
        if ((marks & quote_in_node) != 0)
            return node_words(line, split);
        if (split != std::string_view::npos)
            buffer_[used_ + split] = ' ';
        used_ += line.size();
        return line.size();
    }

    std::size_t node_words(std::string_view line, std::size_t split)
    {
        if (split == std::string_view::npos)
            return words(line);
        std::size_t written = words(line.substr(0, split));
        *this << ' ';
        return written + 1 + words(line.substr(split + 1));
    }

    // Text whose blanks and commas are written as blanks, with each word between them as a
    // word. Returns the number of characters written.
    std::size_t words(std::string_view line)
    {
        std::size_t written = 0;
        std::size_t pos = 0;
        while (pos < line.size()) {
            if (is_separator(line[pos])) {
                *this << ' ';
                ++written;
                ++pos;
                continue;
            }
            std::size_t end = pos;
            while (end < line.size() && !is_separator(line[end]))
                ++end;
            written += word(line.substr(pos, end - pos));
            pos = end;
        }
        return written;
    }

    void flush()
    {
        if (used_ != 0)
            sink_(std::string_view(buffer_.get(), used_));
        used_ = 0;
    }

private:
    static constexpr std::size_t capacity = MALVOR_SCRIPT_BUFFER_BYTES;
    const ScriptSink& sink_;
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
};

void write_components(const NetlistTables& tables, const ScriptLibraries* libraries,
                      ScriptBuffer& out)
{
    std::string package_at_library;
    long long x = 0;
    long long y = 10000;
    for (Count i = 1; i <= tables.component_count(); ++i) {
        auto [name, pack, value] = tables.component(i);
        long long at_x = x, at_y = y;
        if (libraries && libraries->place_of)
            std::tie(at_x, at_y) = libraries->place_of(i);
        // " ( x y );" and its line end, the same for "Add" and "Name".
        char point[64] = " ( ";
        // At most 20 characters each, so that the bounds show that the point fits.
        char* end = std::to_chars(point + 3, point + 23, at_x).ptr;
        *end++ = ' ';
        end = std::to_chars(end, end + 20, at_y).ptr;
        std::memcpy(end, " );\r\n", 5);
        const std::string_view at(point, static_cast<std::size_t>(end + 5 - point));
        out << "Add ";
        if (libraries) {
            const auto [package, library] = libraries->package_of(i);
            package_at_library.assign(package);
            package_at_library += '@';
            package_at_library += libraries->names[library];
            out.word(package_at_library);
        } else {
            out.word(pack);
        }
        if (libraries && libraries->turns_of) {
            if (const int turns = libraries->turns_of(i) & 3)
                out << (turns == 1 ? " R90" : turns == 2 ? " R180" : " R270");
        }
        out << at << "Name ";
        out.word(name);
        out << at << "Value ";
        out.word(name);
        out << ' ';
        out.word(value);
        out << ";\n\r\n";
        x += 1000;
        if (x > 9000) {
            x = 0;
            y -= 500;
        }
    }
}

// The node's pin written as the pad `pad_of` gives, where it renames it; else the node as is.
std::size_t write_node(std::string_view node, NodeSplitter& splitter,
                       const ScriptLibraries* libraries, ScriptBuffer& out)
{
    if (libraries && libraries->pad_of) {
        const auto words = splitter.words(node);
        if (!words.pin.empty() && !words.more) {
            const auto pad = libraries->pad_of(words.component, words.pin);
            if (pad.data() != words.pin.data()) {
                std::size_t written = out.word(words.component);
                out << ' ';
                return written + 1 + out.word(pad);
            }
        }
    }
    return out.node(node, splitter);
}

void write_signals(const NetlistTables& tables, const ScriptLibraries* libraries, ScriptBuffer& out)
{
    NodeSplitter splitter(tables);
    for (Count i = 1; i <= tables.net_count(); ++i) {
        out << "Signal ";
        out.word(tables.sig_name(i));
        out << ' ';
        // Counted in 64 bits: a single node line may pass 32,767 characters, where a 16-bit
        // count would wrap and move the break.
        long long lun_rig = 0;
        const Count first = tables.first_node_row(i);
        const Count last = first + tables.node_count(i);
        for (Count row = first; row < last; ++row) {
            auto node = tables.node_line(row);
            if (node.empty())
                continue;  // an empty node line connects nothing; later nodes still count
            lun_rig += static_cast<long long>(write_node(node, splitter, libraries, out));
            out << ' ';
            ++lun_rig;
            if (lun_rig > signal_line_limit) {
                out << "\\\r       ";
                lun_rig = 0;
            }
        }
        out << ";\r\n";
    }
}

// "Use" naming the libraries, the grid, the parts and the signals; `libraries` null for the
// one library whose name alone goes into the script.
void write_script(const NetlistTables& tables, const std::vector<std::string_view>& names,
                  const ScriptLibraries* libraries, const ScriptSink& sink)
{
    ScriptBuffer out(sink);
    out << "Use ";
    for (std::size_t l = 0; l < names.size(); ++l) {
        if (l != 0)
            out << ' ';
        out.word(names[l]);
    }
    out << ";\r\nGrid Mil;\n\r\n";
    write_components(tables, libraries, out);
    write_signals(tables, libraries, out);
    out.flush();
}

}  // namespace

void write_eagle_script(const NetlistTables& tables, std::string_view eaglelib,
                        const ScriptSink& sink)
{
    write_script(tables, {eaglelib}, nullptr, sink);
}

void write_eagle_script(const NetlistTables& tables, const ScriptLibraries& libraries,
                        const ScriptSink& sink)
{
    write_script(tables, {libraries.names.begin(), libraries.names.end()}, &libraries, sink);
}

std::string eagle_script(const NetlistTables& tables, std::string_view eaglelib)
{
    std::string script;
    write_eagle_script(tables, eaglelib, [&script](std::string_view piece) { script += piece; });
    return script;
}

}  // namespace malvor
