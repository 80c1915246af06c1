// startup_bench: time from launch to the first frame, the full show against a
// minimal data set, in one run.
//
//   startup_bench [--rounds N]
//
// Writes the minimal data directory (ShowData: 35 cubes, 16 one-triangle
// clips, the show's shaders, a 3-second soundtrack) and copies the show's
// track files over ShowData's, so that both first frames draw the same
// layers and the comparison is of the data's size alone; then launches the two
// probes (the program's start-up built against the show's data and against
// the minimal data) in turn, N times each (5 by default), timing each from
// fork to its "first frame" line, and taking its CPU time (every thread,
// user and system) when it has ended. Prints every figure, the best of each
// and their ratios: the wall-clock one is the goal, the CPU one tells how
// much of a difference is the machine's load. Run it in a virtual X server,
// with HALCYON_AUDIO=silent.
#include "ShowData.h"

#include <dirent.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* const kFirstFrameLine = "first frame\n";
const double kRatioGoal = 1.15;

struct Run {
    double wallSeconds; // fork to the line; negative if it never came
    double cpuSeconds;
};

Run timeToFirstFrame(const char* probe) {
    int output[2];
    if (pipe(output) != 0) return Run{-1.0, 0.0};
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        dup2(output[1], STDOUT_FILENO);
        close(output[0]);
        close(output[1]);
        execl(probe, probe, "window", (char*)nullptr);
        _exit(127);
    }
    close(output[1]);
    char line[64] = {0};
    size_t got = 0;
    while (got < sizeof line - 1) {
        const ssize_t n = read(output[0], line + got, sizeof line - 1 - got);
        if (n <= 0) break;
        got += size_t(n);
        if (strchr(line, '\n')) break;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    close(output[0]);
    int status = 0;
    rusage usage{};
    if (child > 0) wait4(child, &status, 0, &usage);
    const double cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    return Run{strcmp(line, kFirstFrameLine) == 0 ? seconds : -1.0, cpu};
}

bool copyFile(const std::string& from, const std::string& to) {
    FILE* in = fopen(from.c_str(), "rb");
    if (!in) return false;
    std::vector<unsigned char> bytes;
    unsigned char chunk[65536];
    for (size_t n; (n = fread(chunk, 1, sizeof chunk, in)) > 0;)
        bytes.insert(bytes.end(), chunk, chunk + n);
    fclose(in);
    return writeBytes(to, bytes);
}

// Every track file of the show's data directory into dir; the count copied.
int copyShowTracks(const std::string& showDir, const std::string& dir) {
    DIR* listing = opendir(showDir.c_str());
    if (!listing) return 0;
    int copied = 0;
    const std::string prefix = "sync_", suffix = ".track";
    while (const dirent* entry = readdir(listing)) {
        const std::string name = entry->d_name;
        if (name.size() > prefix.size() + suffix.size() && name.rfind(prefix, 0) == 0 &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0 &&
            copyFile(showDir + name, dir + name))
            copied++;
    }
    closedir(listing);
    return copied;
}

} // namespace

int main(int argc, char** argv) {
    int rounds = 5;
    if (argc == 3 && strcmp(argv[1], "--rounds") == 0) rounds = atoi(argv[2]);
    if (rounds < 1) {
        fprintf(stderr, "usage: startup_bench [--rounds N]\n");
        return 2;
    }
    if (!writeShowData(STARTUP_MINIMAL_DIR, STARTUP_SHADER_DIR, STARTUP_SOUNDTRACK)) {
        fprintf(stderr, "cannot write the minimal data set in %s\n", STARTUP_MINIMAL_DIR);
        return 1;
    }
    const int tracks = copyShowTracks(STARTUP_FULL_DIR, STARTUP_MINIMAL_DIR);
    if (tracks == 0) {
        fprintf(stderr, "no track files to copy from %s\n", STARTUP_FULL_DIR);
        return 1;
    }
    printf("minimal data: cubes, one-triangle clips, a 3 s soundtrack and the show's %d tracks\n",
           tracks);
    struct Probe {
        const char* what;
        const char* path;
        double best, bestCpu;
    } probes[] = {{"full show", STARTUP_PROBE_FULL, HUGE_VAL, HUGE_VAL},
                  {"minimal data", STARTUP_PROBE_MINIMAL, HUGE_VAL, HUGE_VAL}};
    printf("launch to first frame, seconds of wall clock and of CPU (%d rounds, interleaved):\n",
           rounds);
    for (int round = 0; round < rounds; round++) {
        for (Probe& p : probes) {
            const Run run = timeToFirstFrame(p.path);
            if (run.wallSeconds < 0) {
                fprintf(stderr, "%s: the probe ended without a first frame\n", p.path);
                return 1;
            }
            printf("  %-13s %.3f wall  %.3f cpu\n", p.what, run.wallSeconds, run.cpuSeconds);
            p.best = std::min(p.best, run.wallSeconds);
            p.bestCpu = std::min(p.bestCpu, run.cpuSeconds);
        }
    }
    printf("best: full show %.3f s, minimal data %.3f s (CPU %.3f s, %.3f s)\n", probes[0].best,
           probes[1].best, probes[0].bestCpu, probes[1].bestCpu);
    printf("ratio full / minimal: %.2f (goal <= %.2f); CPU time ratio %.2f\n",
           probes[0].best / probes[1].best, kRatioGoal, probes[0].bestCpu / probes[1].bestCpu);
    return 0;
}
