#include "timed_run.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

TimedRun timed_run(const std::vector<std::string>& argv, int times, int accepted, bool keep_output)
{
    TimedRun best;
    for (int attempt = 0; attempt < times; ++attempt) {
        int pipe_ends[2];
        if (pipe(pipe_ends) != 0)
            return {};
        const auto start = std::chrono::steady_clock::now();
        const pid_t child = fork();
        if (child == 0) {
            dup2(pipe_ends[1], STDOUT_FILENO);
            close(pipe_ends[0]);
            close(pipe_ends[1]);
            std::vector<char*> arguments;
            for (const auto& argument : argv)
                arguments.push_back(const_cast<char*>(argument.c_str()));
            arguments.push_back(nullptr);
            execv(arguments[0], arguments.data());
            _exit(127);
        }
        close(pipe_ends[1]);
        std::string out;
        static char chunk[1 << 16];
        for (ssize_t got; (got = read(pipe_ends[0], chunk, sizeof chunk)) > 0;)
            if (keep_output)
                out.append(chunk, static_cast<std::size_t>(got));
        close(pipe_ends[0]);
        int status = 0;
        rusage usage{};
        wait4(child, &status, 0, &usage);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!WIFEXITED(status) || WEXITSTATUS(status) != accepted)
            return {};
        if (best.seconds < 0 || seconds < best.seconds)
            best.seconds = seconds;
        best.peak_mb = std::max(best.peak_mb, static_cast<double>(usage.ru_maxrss) / 1024.0);
        best.out = std::move(out);
    }
    return best;
}
