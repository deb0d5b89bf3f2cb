// Cost of the helpers every menu build and every filed item goes through:
// listing a folder of 1000 items, and asking whether a name is taken in a
// folder. The references are the same work done the plainest way in the
// same run: std::filesystem listing with lstat, and one lstat of a joined
// path.
#include "items/FolderItems.h"
#include "items/UniqueName.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>

using namespace ferrolet;

namespace {
const std::string& Folder() {
    static const std::string dir = [] {
        char tmpl[] = "/tmp/ferrolet-bench-XXXXXX";
        std::string d = mkdtemp(tmpl);
        for (int i = 0; i < 1000; ++i) {
            std::ofstream(d + "/item " + std::to_string(i) + ".txt") << "x";
        }
        return d;
    }();
    return dir;
}

FileRef FolderRef() {
    FileRef ref;
    FileRef::FromPath(Folder(), ref);
    return ref;
}

void BM_ListFolderItems(benchmark::State& state) {
    const FileRef folder = FolderRef();
    std::vector<FileRef> items;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ListFolderItems(folder, items));
    }
}
BENCHMARK(BM_ListFolderItems);

void BM_ReferenceListing(benchmark::State& state) {
    for (auto _ : state) {
        size_t count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(Folder())) {
            benchmark::DoNotOptimize(entry.symlink_status());
            ++count;
        }
        benchmark::DoNotOptimize(count);
    }
}
BENCHMARK(BM_ReferenceListing);

void BM_LookUpChild(benchmark::State& state) {
    const FileRef folder = FolderRef();
    for (auto _ : state) {
        benchmark::DoNotOptimize(LookUpChild(folder, "item 500.txt"));
    }
}
BENCHMARK(BM_LookUpChild);

void BM_ReferenceLstat(benchmark::State& state) {
    const std::string path = Folder() + "/item 500.txt";
    for (auto _ : state) {
        struct stat st {};
        benchmark::DoNotOptimize(lstat(path.c_str(), &st));
    }
}
BENCHMARK(BM_ReferenceLstat);
} // namespace

BENCHMARK_MAIN();
