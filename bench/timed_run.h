// A program run as its own process, as the benchmarks time it: wall time and peak resident
// memory, standard output into a pipe that is drained here.
#pragma once

#include <string>
#include <vector>

struct TimedRun {
    double seconds = -1;  // the best of the runs; negative when a run failed
    double peak_mb = 0;   // the largest of the runs
    std::string out;      // the last run's standard output, when kept
};

// Runs `argv` (argv[0] a path) `times` times; a run fails when it exits with another status
// than `accepted`. Standard output is dropped unless `keep_output`.
TimedRun timed_run(const std::vector<std::string>& argv, int times, int accepted = 0,
                   bool keep_output = false);
