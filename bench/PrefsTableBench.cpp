// What the destination table costs per paint with 1,000 folders. The table
// model resolves display names once per refresh; a paint only reads them.
// The reference, measured in the same run, is resolving every name again
// (one lstat and more per row), which a model without the cache would do at
// every paint and scroll. Reported: "paint_vs_resolve" = paint time divided
// by the reference time (well below 1 is the point of the cache).
#include "prefs/DisplayName.h"
#include "prefs/FolderTableModel.h"
#include "prefs/PreferencesModel.h"
#include "settings/FolderLists.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>

using namespace ferrolet;

namespace {

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

QStringList MakeFolders(int count) {
    char tmpl[] = "/tmp/ferrolet-bench-prefs-XXXXXX";
    const QString root = QString::fromLocal8Bit(mkdtemp(tmpl));
    setenv("XDG_CONFIG_HOME", qPrintable(root + "/config"), 1);
    QStringList folders;
    for (int i = 0; i < count; ++i) {
        folders.append(root + QStringLiteral("/Folder %1").arg(i));
        QDir().mkpath(folders.back());
    }
    return folders;
}

void BM_PaintThousandRows(benchmark::State& state) {
    static const QStringList folders = MakeFolders(1000);
    SettingsStore store;
    QuietPlatform platform;
    PreferencesModel prefs(store, platform);
    prefs.Load();
    prefs.AddFolders(folders);
    FolderTableModel model(prefs, FolderTable::Destinations);

    auto paint = [&model] {
        qsizetype chars = 0;
        for (int row = 0; row < model.rowCount(); ++row) {
            for (int column = 0; column < model.columnCount(); ++column) {
                chars += model.index(row, column).data().toString().size();
            }
        }
        return chars;
    };
    auto resolve = [&prefs] {
        qsizetype chars = 0;
        for (const QString& path : prefs.Pathnames()) {
            chars += DisplayNameForPath(path).size() + path.size();
        }
        return chars;
    };

    double paintSeconds = 0;
    double resolveSeconds = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(paint());
        auto middle = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(resolve());
        auto end = std::chrono::steady_clock::now();
        paintSeconds += std::chrono::duration<double>(middle - start).count();
        resolveSeconds += std::chrono::duration<double>(end - middle).count();
    }
    state.counters["paint_vs_resolve"] = paintSeconds / resolveSeconds;
}
BENCHMARK(BM_PaintThousandRows)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
