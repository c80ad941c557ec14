#pragma once
// The console that malvor-convert runs in on Windows.

namespace malvor {

// Whether the program waits for Enter before it ends: when it is the only process on its
// console, the console was opened for it (started from Explorer, or a netlist dropped on the
// .exe) and closes with it, taking the usage text or the message along before anyone could
// read it. Input that does not come from the console has no user to wait for.
constexpr bool waits_for_enter(unsigned long processes_on_console, bool input_is_console)
{
    return processes_on_console == 1 && input_is_console;
}

#ifdef _WIN32
// While it lives, the console shows the program's UTF-8 output as UTF-8, and Ctrl-C,
// Ctrl-Break or closing the console removes the temporary script and ends the program with
// STATUS_CONTROL_C_EXIT, as Windows ends interrupted programs. Its end gives the console its
// code page back, after waiting for Enter where waits_for_enter says so.
class ConsoleSession {
public:
    ConsoleSession();
    ConsoleSession(const ConsoleSession&) = delete;
    ConsoleSession& operator=(const ConsoleSession&) = delete;
    ~ConsoleSession();
};
#endif

}  // namespace malvor
