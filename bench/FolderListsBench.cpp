// Cost of turning the stored destination list into its path form, which every
// menu opening does twice: 100 folders all in place, and with 5 of them
// renamed since they were stored (each found again by the nearby search).
// The reference, measured in the same run, is one lstat() per folder; the
// ratios are printed at the end. Targets: all present under 2 ms, 5 renamed
// under 20 ms.
#include "settings/FolderLists.h"
#include "settings/SettingsKeys.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using namespace ferrolet;

namespace {

constexpr int kFolders = 100;

struct Fixture {
    std::string root;
    std::vector<std::string> folders;
    std::string presentFile;
    std::string renamedFile;
};

std::string FolderName(int i) {
    return "Destination folder " + std::to_string(i);
}

const Fixture& Setup() {
    static const Fixture fixture = [] {
        Fixture f;
        char tmpl[] = "/tmp/ferrolet-bench-XXXXXX";
        f.root = mkdtemp(tmpl);
        std::filesystem::create_directories(f.root + "/present");
        std::filesystem::create_directories(f.root + "/renamed");
        QStringList present;
        QStringList toRename;
        for (int i = 0; i < kFolders; ++i) {
            f.folders.push_back(f.root + "/present/" + FolderName(i));
            std::filesystem::create_directories(f.folders.back());
            present.append(QString::fromStdString(f.folders.back()));
            const std::string other = f.root + "/renamed/" + FolderName(i);
            std::filesystem::create_directories(other);
            toRename.append(QString::fromStdString(other));
        }
        f.presentFile = f.root + "/present.plist";
        f.renamedFile = f.root + "/renamed.plist";
        SettingsStore presentStore(f.presentFile);
        StoreDestinationPathnames(presentStore, present);
        SettingsStore renamedStore(f.renamedFile);
        StoreDestinationPathnames(renamedStore, toRename);
        for (int i = 0; i < kFolders; i += kFolders / 5) {
            const std::string from = f.root + "/renamed/" + FolderName(i);
            std::rename(from.c_str(), (from + " (renamed)").c_str());
        }
        return f;
    }();
    return fixture;
}

void BM_ReferenceLstat100(benchmark::State& state) {
    const Fixture& f = Setup();
    struct stat st {};
    for (auto _ : state) {
        for (const std::string& folder : f.folders) {
            benchmark::DoNotOptimize(lstat(folder.c_str(), &st));
        }
    }
}
BENCHMARK(BM_ReferenceLstat100)->Unit(benchmark::kMicrosecond);

void BM_PathForm100AllPresent(benchmark::State& state) {
    SettingsStore store(Setup().presentFile);
    for (auto _ : state) {
        const QStringList paths = FolderPathnames(store, keys::PathnamesAliases);
        if (paths.size() != kFolders || paths.contains(kFolderNotFound)) {
            state.SkipWithError("a folder was not found");
        }
    }
}
BENCHMARK(BM_PathForm100AllPresent)->Unit(benchmark::kMicrosecond);

void BM_PathForm100FiveRenamed(benchmark::State& state) {
    SettingsStore store(Setup().renamedFile);
    for (auto _ : state) {
        const QStringList paths = FolderPathnames(store, keys::PathnamesAliases);
        if (paths.size() != kFolders || paths.contains(kFolderNotFound)) {
            state.SkipWithError("a renamed folder was not found");
        }
    }
}
BENCHMARK(BM_PathForm100FiveRenamed)->Unit(benchmark::kMicrosecond);

// Keeps each benchmark's time per iteration so the ratios can be printed.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
                m_nanoseconds[run.benchmark_name()] =
                    run.real_accumulated_time * 1e9 / static_cast<double>(run.iterations);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> m_nanoseconds;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto& t = reporter.m_nanoseconds;
    const auto reference = t.find("BM_ReferenceLstat100");
    if (reference != t.end() && reference->second > 0) {
        for (const char* name : {"BM_PathForm100AllPresent", "BM_PathForm100FiveRenamed"}) {
            if (const auto it = t.find(name); it != t.end()) {
                std::printf("%s: %.3f ms, %.1f x the reference (100 lstat: %.3f ms)\n", name,
                            it->second / 1e6, it->second / reference->second,
                            reference->second / 1e6);
            }
        }
    }
    std::error_code ec;
    std::filesystem::remove_all(Setup().root, ec);
    benchmark::Shutdown();
    return 0;
}
