#include "windows_console.h"

#include "file_io.h"

#include <atomic>
#include <cstdio>
#include <windows.h>

namespace malvor {
namespace {

// The console's code page before the program set UTF-8; 0 while there is none to give back.
std::atomic<UINT> code_page_to_restore{0};

void restore_code_page()
{
    if (UINT page = code_page_to_restore.exchange(0))
        SetConsoleOutputCP(page);
}

// Runs in a thread of its own while the main thread may be writing and hold the C library's
// locks, which ExitProcess would wait for: TerminateProcess ends without them.
BOOL WINAPI on_console_event(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    remove_temporary_file();
    restore_code_page();
    TerminateProcess(GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
    return TRUE;
}

bool input_is_console()
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

}  // namespace

ConsoleSession::ConsoleSession()
{
    UINT page = GetConsoleOutputCP();  // 0 without a console
    if (page != 0 && page != CP_UTF8 && SetConsoleOutputCP(CP_UTF8))
        code_page_to_restore = page;
    // Called before the C library's SIGINT handler, whose raise would end with status 3.
    SetConsoleCtrlHandler(on_console_event, TRUE);
}

ConsoleSession::~ConsoleSession()
{
    std::fflush(stdout);
    std::fflush(stderr);
    DWORD processes[2];
    if (waits_for_enter(GetConsoleProcessList(processes, 2), input_is_console())) {
        std::fputs("Press Enter to close this window.\n", stderr);
        for (int c = std::getchar(); c != '\n' && c != EOF;)
            c = std::getchar();
    }
    SetConsoleCtrlHandler(on_console_event, FALSE);
    restore_code_page();
}

}  // namespace malvor
