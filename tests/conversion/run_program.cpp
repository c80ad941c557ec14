#include "run_program.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdlib>
#include <sys/wait.h>
#endif

namespace malvor::testing_support {

#ifdef _WIN32
namespace {

// The names the tests pass hold no quotes and end in no backslash.
std::wstring quoted(const std::wstring& argument)
{
    return L'"' + argument + L'"';
}

HANDLE inheritable(const std::filesystem::path& file, DWORD access, DWORD disposition)
{
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateFileW(file.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

int run_program(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                const std::filesystem::path& folder, const std::filesystem::path& stdout_file,
                const std::filesystem::path& stderr_file)
{
    auto application = std::filesystem::absolute(program);
    std::wstring command_line = quoted(application.wstring());
    for (const auto& argument : arguments)
        command_line += L' ' + quoted(std::filesystem::u8path(argument).wstring());

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inheritable(L"NUL", GENERIC_READ, OPEN_EXISTING);
    startup.hStdOutput = inheritable(stdout_file, GENERIC_WRITE, CREATE_ALWAYS);
    startup.hStdError = inheritable(stderr_file, GENERIC_WRITE, CREATE_ALWAYS);
    PROCESS_INFORMATION process{};
    bool started = CreateProcessW(application.c_str(), command_line.data(), nullptr, nullptr, TRUE,
                                  0, nullptr, folder.c_str(), &startup, &process);
    for (HANDLE handle : {startup.hStdInput, startup.hStdOutput, startup.hStdError})
        CloseHandle(handle);
    if (!started)
        return -1;
    DWORD status = static_cast<DWORD>(-1);
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(status);
}

#else

int run_program(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                const std::filesystem::path& folder, const std::filesystem::path& stdout_file,
                const std::filesystem::path& stderr_file)
{
    // The files open before the change of folder, so relative names mean the caller's folder.
    std::string line = "exec </dev/null >'" + stdout_file.string() + "' 2>'" +
                       stderr_file.string() + "' && cd '" + folder.string() + "' && exec '" +
                       program.string() + "'";
    for (const auto& argument : arguments)
        line += " '" + argument + "'";
    int raw = std::system(line.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

#endif

}  // namespace malvor::testing_support
