#include "run_program.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>
#include <sys/wait.h>
#endif

namespace malvor::testing_support {

#ifdef _WIN32
namespace {

// One argument as the C runtime's command-line parser reads it back.
std::wstring quoted(const std::wstring& argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos)
        return argument;
    std::wstring quoted = L"\"";
    for (auto it = argument.begin();; ++it) {
        std::size_t backslashes = 0;
        for (; it != argument.end() && *it == L'\\'; ++it)
            ++backslashes;
        if (it == argument.end()) {
            quoted.append(backslashes * 2, L'\\');
            break;
        }
        quoted.append(*it == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        quoted += *it;
    }
    return quoted + L'"';
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
    bool started = CreateProcessW(application.c_str(), command_line.data(), nullptr, nullptr, TRUE, 0,
                                  nullptr, folder.c_str(), &startup, &process);
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
    std::vector<std::string> words{program.string()};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    // The files open before the change of folder, so relative names mean the caller's folder.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, stdout_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, stderr_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    pid_t child = 0;
    int failed = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int raw = 0;
    if (failed != 0 || waitpid(child, &raw, 0) != child)
        return -1;
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

#endif

}  // namespace malvor::testing_support
