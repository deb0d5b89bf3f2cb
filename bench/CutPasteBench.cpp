// Cut Items then Paste Items of 200 files, against the least the same
// filing can cost: two renames per file (into a holding folder, then into
// the target) in the same run. The ratio shows what the move core's checks
// (unique names, comments, log lines) and the state file add per item.
#include "fileops/commands/CutAndPaste.h"
#include "platform/Platform.h"
#include "settings/SettingsStore.h"
#include "util/Log.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

using namespace ferrolet;

namespace {

constexpr int kFiles = 200;

class QuietPlatform : public Platform {
public:
    void Beep() override {}
    void PlaySound(const QString&) override {}
    void RevealItem(const std::string&) override {}
    void RevealItems(const std::vector<std::string>&) override {}
    void OpenFolder(const std::string&) override {}
    void OpenItem(const std::string&) override {}
    void OpenUrl(const QString&) override {}
    std::vector<std::string> ChooseFolders(const FolderDialogRequest&) override { return {}; }
    void Notify(const QString&, const QString&) override {}
    void BringToFront() override {}
    QDateTime Now() override { return QDateTime::currentDateTime(); }
};

std::string MakeRoot() {
    char tmpl[] = "/tmp/ferrolet-cutbench-XXXXXX";
    const std::string root = mkdtemp(tmpl);
    setenv("HOME", root.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
    setenv("XDG_STATE_HOME", (root + "/state").c_str(), 1);
    std::filesystem::create_directories(root + "/a");
    std::filesystem::create_directories(root + "/b");
    for (int i = 0; i < kFiles; ++i) {
        std::ofstream(root + "/a/file " + std::to_string(i) + ".txt") << "contents";
    }
    return root;
}

void Select(SelectionSnapshot& selection, const std::string& folder, bool children) {
    selection = SelectionSnapshot{};
    selection.hasArray = true;
    if (children) {
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            FileRef ref;
            FileRef::FromPath(entry.path().string(), ref);
            selection.items.push_back(ref);
        }
    } else {
        FileRef ref;
        FileRef::FromPath(folder, ref);
        selection.items.push_back(ref);
    }
    selection.count = static_cast<int32_t>(selection.items.size());
}

void BM_CutThenPaste(benchmark::State& state) {
    const std::string root = MakeRoot();
    SetLogSink([](const QString&) {});
    SettingsStore settings;
    QuietPlatform platform;
    SelectionSnapshot selection;
    QMap<QString, QString> extensions;
    CutState cut;
    CommandContext ctx{settings, platform, selection, extensions, cut, {}, nullptr};
    std::string from = root + "/a";
    std::string to = root + "/b";
    for (auto _ : state) {
        state.PauseTiming();
        Select(selection, from, true);
        state.ResumeTiming();
        CutItems(ctx);
        state.PauseTiming();
        Select(selection, to, false);
        state.ResumeTiming();
        PasteItems(ctx);
        std::swap(from, to);
    }
    state.SetItemsProcessed(state.iterations() * kFiles);
    SetLogSink({});
    std::filesystem::remove_all(root);
}
BENCHMARK(BM_CutThenPaste)->Unit(benchmark::kMillisecond);

void BM_ReferenceTwoRenames(benchmark::State& state) {
    const std::string root = MakeRoot();
    std::filesystem::create_directories(root + "/hold");
    std::string from = root + "/a/";
    std::string to = root + "/b/";
    const std::string hold = root + "/hold/";
    for (auto _ : state) {
        for (int i = 0; i < kFiles; ++i) {
            const std::string name = "file " + std::to_string(i) + ".txt";
            std::rename((from + name).c_str(), (hold + name).c_str());
        }
        for (int i = 0; i < kFiles; ++i) {
            const std::string name = "file " + std::to_string(i) + ".txt";
            std::rename((hold + name).c_str(), (to + name).c_str());
        }
        std::swap(from, to);
    }
    state.SetItemsProcessed(state.iterations() * kFiles);
    std::filesystem::remove_all(root);
}
BENCHMARK(BM_ReferenceTwoRenames)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
