// ReadSelection for 1,000 selected files, with the selection script's
// own run time measured apart: the same script spawned and read to its end by
// a bare posix_spawn loop is the reference, and Ferrolet's part is what the
// full call costs beyond it. The target for Ferrolet's part is 5 ms.
#include "filemanager/Selection.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct Fixture {
    std::string root;
    std::string script;
    std::string output;

    explicit Fixture(int items) {
        char tmpl[] = "/tmp/ferrolet-bench-XXXXXX";
        root = mkdtemp(tmpl);
        std::filesystem::create_directories(root + "/selected files");
        for (int i = 0; i < items; ++i) {
            const std::string name = "document " + std::to_string(i) + ".txt";
            std::ofstream(root + "/selected files/" + name) << "x";
            output +=
                "file://" + root + "/selected%20files/document%20" + std::to_string(i) + ".txt\r\n";
        }
        std::ofstream(root + "/list") << output;
        script = root + "/selection";
        std::ofstream(script) << "#!/bin/sh\nexec cat '" << root << "/list'\n";
        chmod(script.c_str(), 0755);
    }
    ~Fixture() { std::filesystem::remove_all(root); }
};

Fixture& Shared() {
    static Fixture fixture(1000);
    return fixture;
}

// The reference: the script alone, spawned and read to its end.
size_t RunScriptAlone(const std::string& script) {
    int fds[2];
    if (pipe(fds) != 0) {
        return 0;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    char* argv[] = {const_cast<char*>(script.c_str()), nullptr};
    pid_t pid = 0;
    posix_spawn(&pid, script.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    char buffer[65536];
    size_t total = 0;
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0) {
        total += static_cast<size_t>(n);
    }
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    return total;
}

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Each iteration times the reference and the full call back to back, so both
// see the same machine load.
void BM_ReadSelection1000(benchmark::State& state) {
    Fixture& f = Shared();
    double scriptMs = 0;
    double fullMs = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        benchmark::DoNotOptimize(RunScriptAlone(f.script));
        const auto t1 = Clock::now();
        int32_t count = 0;
        auto items = ferrolet::ReadSelection(f.script, count);
        const auto t2 = Clock::now();
        if (!items || count != 1000) {
            state.SkipWithError("the selection did not come back whole");
            return;
        }
        benchmark::DoNotOptimize(items);
        scriptMs += Ms(t1 - t0);
        fullMs += Ms(t2 - t1);
    }
    const double n = static_cast<double>(state.iterations());
    const double ferroletMs = std::max(0.0, (fullMs - scriptMs) / n);
    state.counters["script_alone_ms"] = scriptMs / n;
    state.counters["full_call_ms"] = fullMs / n;
    state.counters["ferrolet_part_ms"] = ferroletMs;
    state.counters["ferrolet_over_script"] = ferroletMs / (scriptMs / n);
    state.counters["ferrolet_over_5ms_target"] = ferroletMs / 5.0;
}
BENCHMARK(BM_ReadSelection1000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Ferrolet's part alone: the 1,000 lines turned into references in-process.
void BM_SelectionFromScriptOutput1000(benchmark::State& state) {
    Fixture& f = Shared();
    for (auto _ : state) {
        auto items = ferrolet::SelectionFromScriptOutput(f.output);
        benchmark::DoNotOptimize(items);
    }
}
BENCHMARK(BM_SelectionFromScriptOutput1000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
