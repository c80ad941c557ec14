#pragma once
// Text from files, made safe to show on a terminal or in a one-line message.
//
// A netlist or library may hold any bytes. Shown raw, an ESC starts an escape sequence in the
// user's terminal and a CR or LF splits a report line, so control characters (C0 other than
// tab, DEL, and the C1 range as UTF-8 writes it) and bytes that are no valid UTF-8 are shown as
// `\xHH`, one for each byte. Everything else passes unchanged.

#include <string>
#include <string_view>

namespace malvor {

void append_shown(std::string& out, std::string_view text);
std::string shown(std::string_view text);

// "'text'", as messages name a name.
std::string quoted(std::string_view text);

// Holds a control character as above (invalid UTF-8 does not count: it may be Latin-1).
bool has_control_character(std::string_view text);

}  // namespace malvor
