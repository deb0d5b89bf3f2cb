// The Move To and Copy To commands, whole, against what a user would
// otherwise run, measured in the same run on the same files and printed as
// ratios (command time / reference time):
//   - Move To of 10,000 files within one file system, with "PreserveComments"
//     on (one comment read per item) and the "Moved" log line formatted for
//     every item, vs a bare renameat2 loop over the same files (and the file
//     engine's MoveObject loop, to tell its share from the command's);
//   - Copy To of a tree (a 256 MiB file and 4,000 small files) vs cp -a.
// Files live on /dev/shm (tmpfs), which gives steadier figures than a disk.
#include "fileops/commands/CommandContext.h"
#include "fileops/commands/CopySelection.h"
#include "fileops/commands/MoveSelection.h"
#include "fileops/engine/FileEngine.h"
#include "settings/FolderLists.h"
#include "settings/SettingsKeys.h"
#include "util/Log.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace ferrolet;
namespace fs = std::filesystem;

namespace {

constexpr int kRounds = 3;

// A desktop that does nothing: the bench measures the command, not a file
// manager or a sound card.
class QuietPlatform : public Platform {
public:
    void Beep() override { ++beeps; }
    void PlaySound(const QString&) override {}
    void RevealItem(const std::string&) override {}
    void RevealItems(const std::vector<std::string>&) override {}
    void OpenFolder(const std::string&) override {}
    void OpenItem(const std::string&) override {}
    void OpenUrl(const QString&) override {}
    std::vector<std::string> ChooseFolders(const FolderDialogRequest&) override { return {}; }
    void Notify(const QString&, const QString&) override {}
    void BringToFront() override {}
    QDateTime Now() override { return {}; }
    int beeps = 0;
};

double Seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void Run(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    pid_t pid = 0;
    int status = 0;
    if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0 ||
        waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed\n", args[0]);
        std::exit(1);
    }
}

void WriteFile(const std::string& path, size_t size) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    std::vector<char> block(std::min<size_t>(std::max<size_t>(size, 1), 1 << 20), 'x');
    for (size_t done = 0; done < size;) {
        const size_t n = std::min(block.size(), size - done);
        if (write(fd, block.data(), n) != static_cast<ssize_t>(n)) {
            std::perror("write");
            std::exit(1);
        }
        done += n;
    }
    close(fd);
}

void Report(const char* what, double command, double reference, const char* referenceName) {
    std::printf("%-40s command %8.3f s   %-14s %8.3f s   ratio %.2f\n", what, command,
                referenceName, reference, command / reference);
    std::fflush(stdout);
}

struct Bench {
    std::string root;
    QuietPlatform platform;
    std::unique_ptr<SettingsStore> settings;
    SelectionSnapshot selection;
    QMap<QString, QString> extensions;
    CutState cut;

    Bench() {
        char tmpl[] = "/dev/shm/ferrolet-cmdbench-XXXXXX";
        root = mkdtemp(tmpl);
        setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
        setenv("XDG_STATE_HOME", (root + "/state").c_str(), 1);
        settings = std::make_unique<SettingsStore>();
        settings->SetAppValue(keys::PreserveComments, true);
        settings->SetAppValue(keys::SelectMovedItem, false);
        settings->Synchronize();
        SetLogSink([](const QString& line) {
            volatile qsizetype sink = line.size();
            (void)sink;
        });
    }
    ~Bench() {
        SetLogSink({});
        fs::remove_all(root);
    }
    CommandContext Context() {
        return CommandContext{*settings, platform, selection, extensions, cut, {}, nullptr};
    }
    void Select(const std::vector<std::string>& paths) {
        selection = SelectionSnapshot{};
        selection.hasArray = true;
        for (const std::string& path : paths) {
            FileRef ref;
            FileRef::FromPath(path, ref);
            selection.items.push_back(ref);
        }
        selection.count = static_cast<int32_t>(paths.size());
    }
    void Destination(const std::string& folder) {
        StoreDestinationPathnames(*settings, {QString::fromStdString(folder)});
    }
};

void MoveToWithinOneFileSystem(Bench& b) {
    const int count = 10000;
    std::vector<double> command, reference, engine;
    for (int round = 0; round < kRounds; ++round) {
        const std::string src = b.root + "/src", dst = b.root + "/dst";
        fs::remove_all(src);
        fs::remove_all(dst);
        fs::create_directories(src);
        fs::create_directories(dst);
        std::vector<std::string> paths;
        for (int i = 0; i < count; ++i) {
            paths.push_back(src + "/f" + std::to_string(i) + ".txt");
            WriteFile(paths.back(), 64);
        }
        // Reference: the bare system calls, there and back again.
        reference.push_back(Seconds([&] {
            const int from = open(src.c_str(), O_DIRECTORY | O_RDONLY);
            const int to = open(dst.c_str(), O_DIRECTORY | O_RDONLY);
            for (int i = 0; i < count; ++i) {
                const std::string name = "f" + std::to_string(i) + ".txt";
                if (renameat2(from, name.c_str(), to, name.c_str(), RENAME_NOREPLACE) != 0) {
                    std::perror("renameat2");
                    std::exit(1);
                }
            }
            close(from);
            close(to);
        }));
        // The file engine alone, for telling its share from the command's.
        fs::remove_all(dst);
        fs::create_directories(dst);
        for (const std::string& path : paths) {
            WriteFile(path, 64);
        }
        b.Select(paths);
        FileRef destination;
        FileRef::FromPath(dst, destination);
        engine.push_back(Seconds([&] {
            for (const FileRef& item : b.selection.items) {
                FileRef moved;
                if (MoveObject(item, destination, nullptr, &moved) != 0) {
                    std::fprintf(stderr, "MoveObject failed\n");
                    std::exit(1);
                }
            }
        }));
        fs::remove_all(dst);
        fs::create_directories(dst);
        for (const std::string& path : paths) {
            WriteFile(path, 64);
        }
        b.Select(paths);
        b.Destination(dst);
        CommandContext ctx = b.Context();
        command.push_back(Seconds([&] { MoveSelectionToFolder(ctx, 1); }));
        if (std::distance(fs::directory_iterator(dst), fs::directory_iterator()) != count ||
            b.platform.beeps != 0) {
            std::fprintf(stderr, "Move To did not move every file\n");
            std::exit(1);
        }
    }
    Report("Move To, 10,000 files, one file system", Median(command), Median(reference),
           "renameat2 loop");
    Report("  (file engine's MoveObject alone)", Median(engine), Median(reference),
           "renameat2 loop");
}

void CopyToTree(Bench& b) {
    std::vector<double> command, reference;
    const std::string tree = b.root + "/tree";
    fs::create_directories(tree);
    WriteFile(tree + "/big.bin", 256u << 20);
    for (int i = 0; i < 4000; ++i) {
        const std::string sub = tree + "/d" + std::to_string(i / 200);
        if (i % 200 == 0) {
            fs::create_directories(sub);
        }
        WriteFile(sub + "/f" + std::to_string(i), 512 + (i % 8) * 512);
    }
    for (int round = 0; round < kRounds; ++round) {
        const std::string a = b.root + "/copy-a", c = b.root + "/copy-c";
        fs::remove_all(a);
        fs::remove_all(c);
        fs::create_directories(a);
        fs::create_directories(c);
        reference.push_back(Seconds([&] { Run({"cp", "-a", tree, c + "/"}); }));
        b.Select({tree});
        b.Destination(a);
        CommandContext ctx = b.Context();
        command.push_back(Seconds([&] { CopySelectionToFolder(ctx, 1); }));
        if (!fs::exists(a + "/tree/big.bin") || b.platform.beeps != 0) {
            std::fprintf(stderr, "Copy To did not copy the tree\n");
            std::exit(1);
        }
    }
    Report("Copy To, 256 MiB + 4,000 files", Median(command), Median(reference), "cp -a");
}

} // namespace

int main() {
    Bench bench;
    MoveToWithinOneFileSystem(bench);
    CopyToTree(bench);
    return 0;
}
