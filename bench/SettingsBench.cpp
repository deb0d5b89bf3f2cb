// Cost of one synchronised boolean read, as every menu build reads a dozen
// keys twice per opening; the reference is a bare stat() of the same file.
#include "settings/OptionReaders.h"
#include "settings/SettingsKeys.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using namespace ferrolet;

namespace {
std::string Setup() {
    static std::string dir = [] {
        char tmpl[] = "/tmp/ferrolet-bench-XXXXXX";
        std::string d = mkdtemp(tmpl);
        setenv("XDG_CONFIG_HOME", d.c_str(), 1);
        SettingsStore store;
        for (int i = 0; i < 20; ++i) {
            store.SetAppValue(QStringLiteral("Key%1").arg(i), true);
        }
        store.SetAppValue(keys::IncludeMoveTo, false);
        store.Synchronize();
        return d;
    }();
    return dir;
}

void BM_ReadBoolPref(benchmark::State& state) {
    Setup();
    SettingsStore store;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReadBoolPref(store, keys::IncludeMoveTo));
    }
}
BENCHMARK(BM_ReadBoolPref);

void BM_ReferenceStat(benchmark::State& state) {
    Setup();
    const std::string path = SettingsStore::DefaultFilePath();
    for (auto _ : state) {
        struct stat st {};
        benchmark::DoNotOptimize(stat(path.c_str(), &st));
    }
}
BENCHMARK(BM_ReferenceStat);
} // namespace

BENCHMARK_MAIN();
