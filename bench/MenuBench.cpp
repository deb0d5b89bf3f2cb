// One opening of the menus (the status menu's build, then the Move Service
// menu's) for 1,000 selected files and 100 listed folders, with every
// Include switch on. Each build runs the selection script, so the script's
// own cost is measured apart in the same iteration: the script spawned and
// read to its end twice by a bare posix_spawn loop. Ferrolet's part is what
// the opening costs beyond that; the target for it is 30 ms. A second
// reference is the least file-system work an opening could do: one lstat of
// every selected file and listed folder per build. The destination checks
// (which listed folders cannot take the selection) run inside each build;
// they are also timed alone, twice per iteration as an opening runs them, so
// the opening without them is the difference (target for them: 5 ms).
#include "app/AppCore.h"
#include "app/DestinationPreflight.h"
#include "settings/FolderLists.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <benchmark/benchmark.h>

#include <QDateTime>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// Desktop requests are never made by a build; this answers nothing.
class QuietPlatform : public ferrolet::Platform {
public:
    void Beep() override {}
    void PlaySound(const QString&) override {}
    void RevealItem(const std::string&) override {}
    void RevealItems(const std::vector<std::string>&) override {}
    void OpenFolder(const std::string&) override {}
    void OpenItem(const std::string&) override {}
    void OpenUrl(const QString&) override {}
    std::vector<std::string> ChooseFolders(const ferrolet::FolderDialogRequest&) override {
        return {};
    }
    void Notify(const QString&, const QString&) override {}
    void BringToFront() override {}
    QDateTime Now() override { return QDateTime::currentDateTime(); }
};

struct Fixture {
    std::string root;
    std::string script;
    std::vector<std::string> paths; // selected files, then listed folders
    QStringList folders;

    Fixture() {
        char tmpl[] = "/tmp/ferrolet-menubench-XXXXXX";
        root = mkdtemp(tmpl);
        const std::string home = root + "/home";
        std::filesystem::create_directories(home);
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
        setenv("XDG_STATE_HOME", (home + "/.local/state").c_str(), 1);
        const std::string data = root + "/data";
        std::filesystem::create_directories(data);
        setenv("FERROLET_DATA_DIR", data.c_str(), 1);

        std::filesystem::create_directories(root + "/selected files");
        std::string list;
        for (int i = 0; i < 1000; ++i) {
            const std::string path =
                root + "/selected files/document " + std::to_string(i) + ".txt";
            std::ofstream(path) << "x";
            list += path + "\n";
            paths.push_back(path);
        }
        std::ofstream(data + "/list") << list;
        script = data + "/selection";
        std::ofstream(script) << "#!/bin/sh\nexec cat '" << data << "/list'\n";
        chmod(script.c_str(), 0755);

        for (int i = 0; i < 100; ++i) {
            const std::string path = root + "/destinations/Folder " + std::to_string(i);
            std::filesystem::create_directories(path);
            folders << QString::fromStdString(path);
            paths.push_back(path);
        }
        ferrolet::SettingsStore store;
        ferrolet::FolderList(store, ferrolet::keys::PathnamesAliases).SetPathnames(folders);
    }
    ~Fixture() { std::filesystem::remove_all(root); }
};

Fixture& Shared() {
    static Fixture fixture;
    return fixture;
}

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

size_t LstatAll(const std::vector<std::string>& paths) {
    size_t found = 0;
    struct stat st {};
    for (const std::string& p : paths) {
        found += lstat(p.c_str(), &st) == 0 ? 1 : 0;
    }
    return found;
}

// The checks as one build runs them: gathered once, asked for every header.
size_t CheckDestinations(const ferrolet::SelectionSnapshot& selection, const QStringList& folders) {
    const ferrolet::DestinationPreflight preflight(selection, folders);
    size_t greyed = 0;
    for (int base = ferrolet::kFirstBase; base <= ferrolet::kLastBase; ++base) {
        for (qsizetype i = 0; i < folders.size(); ++i) {
            const QString reason =
                preflight.Reason(static_cast<ferrolet::DestinationCommand>(base), i);
            if (!reason.isEmpty()) {
                std::fprintf(stderr, "%s: %s\n", folders[i].toUtf8().constData(),
                             reason.toUtf8().constData());
                ++greyed;
            }
        }
    }
    return greyed;
}

// CPU time of the whole process (the probes' threads too), which a busy
// machine does not stretch as it stretches wall time.
double ProcessCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// The references and the opening are timed back to back in each iteration,
// so all of them see the same machine load.
void BM_OpenMenus1000Items100Folders(benchmark::State& state) {
    Fixture& f = Shared();
    ferrolet::SettingsStore store;
    QuietPlatform platform;
    ferrolet::AppCore core(store, platform);
    double scriptMs = 0;
    double lstatMs = 0;
    double openingMs = 0;
    double checksMs = 0;
    double checksCpuMs = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        benchmark::DoNotOptimize(RunScriptAlone(f.script));
        benchmark::DoNotOptimize(RunScriptAlone(f.script));
        const auto t1 = Clock::now();
        benchmark::DoNotOptimize(LstatAll(f.paths));
        benchmark::DoNotOptimize(LstatAll(f.paths));
        const auto t2 = Clock::now();
        core.Setup();
        const auto t3 = Clock::now();
        const ferrolet::Menu& menu = core.StatusMenu();
        if (core.Selection().count != 1000 || menu.items.empty() || !menu.items[0].submenu ||
            menu.items[0].submenu->items.size() != 1000 ||
            !menu.FindByTag(100 * 1006, ferrolet::MenuAction::RunCommand)) {
            state.SkipWithError("the menus did not come out whole");
            return;
        }
        const auto t4 = Clock::now();
        const double cpu0 = ProcessCpuMs();
        if (CheckDestinations(core.Selection(), f.folders) +
                CheckDestinations(core.Selection(), f.folders) !=
            0) {
            state.SkipWithError("a destination was greyed");
            return;
        }
        checksMs += Ms(Clock::now() - t4);
        checksCpuMs += ProcessCpuMs() - cpu0;
        scriptMs += Ms(t1 - t0);
        lstatMs += Ms(t2 - t1);
        openingMs += Ms(t3 - t2);
    }
    const double n = static_cast<double>(state.iterations());
    const double ferroletMs = std::max(0.0, (openingMs - scriptMs) / n);
    state.counters["script_twice_ms"] = scriptMs / n;
    state.counters["opening_ms"] = openingMs / n;
    state.counters["ferrolet_part_ms"] = ferroletMs;
    state.counters["ferrolet_over_script"] = ferroletMs / (scriptMs / n);
    state.counters["ferrolet_over_lstat_ref"] = ferroletMs / (lstatMs / n);
    state.counters["ferrolet_over_30ms_target"] = ferroletMs / 30.0;
    state.counters["checks_ms"] = checksMs / n;
    state.counters["checks_cpu_ms"] = checksCpuMs / n;
    state.counters["opening_without_checks_ms"] = (openingMs - checksMs) / n;
    state.counters["checks_over_5ms_target"] = checksMs / n / 5.0;
}
BENCHMARK(BM_OpenMenus1000Items100Folders)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
