// Whole-operation timings of the file engine against the tools and system
// calls a user would otherwise reach for, measured in the same run on the
// same files, and printed as ratios (engine time / reference time):
//   - 10,000 files moved within one file system vs a bare renameat2 loop;
//   - a large file moved to another file system vs mv (and mv + sync, since
//     the engine makes the moved item durable before removing the source);
//   - 10,000 small files moved to another file system vs cp -a then rm -r
//     (and the same followed by sync);
//   - a tree copied vs cp -a.
// /dev/shm (tmpfs) and /tmp (the root disk) are the two file systems. The
// large file is 1 GiB unless FERROLET_BENCH_BIG_MIB says otherwise.
#include "fileops/engine/FileEngine.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace ferrolet;
namespace fs = std::filesystem;

namespace {

constexpr int kRounds = 3;

double Seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Run(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) {
        std::fprintf(stderr, "cannot run %s\n", args[0]);
        std::exit(1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed\n", args[0]);
        std::exit(1);
    }
}

void WriteFile(const std::string& path, size_t size) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    std::vector<char> block(std::min<size_t>(size, 1 << 20), 'x');
    for (size_t done = 0; done < size;) {
        const size_t n = std::min(block.size(), size - done);
        block[0] = static_cast<char>(done);
        if (write(fd, block.data(), n) != static_cast<ssize_t>(n)) {
            std::perror("write");
            std::exit(1);
        }
        done += n;
    }
    close(fd);
}

void MakeSmallFiles(const std::string& folder, int count, int perFolder) {
    for (int i = 0; i < count; ++i) {
        const std::string sub = folder + "/d" + std::to_string(i / perFolder);
        if (i % perFolder == 0) {
            fs::create_directories(sub);
        }
        WriteFile(sub + "/f" + std::to_string(i), 512 + (i % 8) * 512);
    }
}

FileRef Ref(const std::string& path, FileRef::Leaf leaf = FileRef::Leaf::NoFollow) {
    FileRef ref;
    if (FileRef::FromPath(path, ref, leaf) != 0) {
        std::fprintf(stderr, "no such item: %s\n", path.c_str());
        std::exit(1);
    }
    return ref;
}

void Check(Status status, const char* what) {
    if (status != 0) {
        std::fprintf(stderr, "%s failed: %d\n", what, status);
        std::exit(1);
    }
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void Report(const char* what, double engine, double reference, const char* referenceName) {
    std::printf("%-44s engine %8.3f s   %-16s %8.3f s   ratio %.2f\n", what, engine, referenceName,
                reference, engine / reference);
    std::fflush(stdout);
}

struct Scratch {
    std::string shm;
    std::string disk;
    Scratch() {
        char a[] = "/dev/shm/ferrolet-bench-XXXXXX";
        char b[] = "/tmp/ferrolet-bench-XXXXXX";
        shm = mkdtemp(a);
        disk = mkdtemp(b);
    }
    ~Scratch() {
        fs::remove_all(shm);
        fs::remove_all(disk);
    }
    void Clear() const {
        for (const std::string& root : {shm, disk}) {
            for (const auto& entry : fs::directory_iterator(root)) {
                fs::remove_all(entry.path());
            }
        }
    }
};

// 10,000 files moved one by one into another folder of the same file system.
void SameFileSystemMoves(const Scratch& s) {
    const int count = 10000;
    std::vector<double> engine, reference;
    for (int round = 0; round < kRounds; ++round) {
        for (const bool useEngine : {true, false}) {
            s.Clear();
            const std::string from = s.shm + "/from", to = s.shm + "/to";
            fs::create_directories(to);
            MakeSmallFiles(from, count, count);
            const std::string folder = from + "/d0";
            const double t = Seconds([&] {
                if (useEngine) {
                    const FileRef dest = Ref(to, FileRef::Leaf::Follow);
                    for (int i = 0; i < count; ++i) {
                        FileRef moved;
                        Check(MoveObject(Ref(folder + "/f" + std::to_string(i)), dest, nullptr,
                                         &moved),
                              "move");
                    }
                } else {
                    const int a = open(folder.c_str(), O_PATH | O_DIRECTORY);
                    const int b = open(to.c_str(), O_PATH | O_DIRECTORY);
                    for (int i = 0; i < count; ++i) {
                        const std::string name = "f" + std::to_string(i);
                        if (renameat2(a, name.c_str(), b, name.c_str(), RENAME_NOREPLACE) != 0) {
                            std::perror("renameat2");
                        }
                    }
                    close(a);
                    close(b);
                }
            });
            (useEngine ? engine : reference).push_back(t);
        }
    }
    Report("10,000 files, one file system (tmpfs)", Median(engine), Median(reference),
           "renameat2 loop");
}

// One large file moved to the other file system, both ways.
void LargeFileMoves(const Scratch& s, size_t bytes) {
    struct Way {
        const char* label;
        std::string from, to;
    };
    const Way ways[] = {{"large file, /tmp -> /dev/shm", s.disk, s.shm},
                        {"large file, /dev/shm -> /tmp", s.shm, s.disk}};
    for (const Way& way : ways) {
        std::vector<double> engine, mv, mvSync;
        for (int round = 0; round < kRounds; ++round) {
            for (int tool = 0; tool < 3; ++tool) {
                s.Clear();
                const std::string file = way.from + "/big.bin", dest = way.to + "/dest";
                fs::create_directories(dest);
                WriteFile(file, bytes);
                Run({"sync"});
                const double t = Seconds([&] {
                    if (tool == 0) {
                        FileRef moved;
                        Check(MoveObject(Ref(file), Ref(dest, FileRef::Leaf::Follow), nullptr,
                                         &moved),
                              "move");
                    } else {
                        Run({"mv", "-n", file, dest + "/"});
                        if (tool == 2) {
                            Run({"sync"});
                        }
                    }
                });
                (tool == 0 ? engine : tool == 1 ? mv : mvSync).push_back(t);
            }
        }
        Report(way.label, Median(engine), Median(mv), "mv");
        Report(way.label, Median(engine), Median(mvSync), "mv + sync");
    }
}

// 10,000 small files in 100 folders moved to the other file system.
void SmallFilesAcross(const Scratch& s) {
    struct Way {
        const char* label;
        std::string from, to;
    };
    const Way ways[] = {{"10,000 small files, /tmp -> /dev/shm", s.disk, s.shm},
                        {"10,000 small files, /dev/shm -> /tmp", s.shm, s.disk}};
    for (const Way& way : ways) {
        std::vector<double> engine, cpRm, cpRmSync;
        for (int round = 0; round < kRounds; ++round) {
            for (int tool = 0; tool < 3; ++tool) {
                s.Clear();
                const std::string tree = way.from + "/tree", dest = way.to + "/dest";
                fs::create_directories(dest);
                MakeSmallFiles(tree, 10000, 100);
                Run({"sync"});
                const double t = Seconds([&] {
                    if (tool == 0) {
                        FileRef moved;
                        Check(MoveObject(Ref(tree), Ref(dest, FileRef::Leaf::Follow), nullptr,
                                         &moved),
                              "move");
                    } else {
                        Run({"cp", "-a", tree, dest + "/"});
                        if (tool == 2) {
                            Run({"sync"});
                        }
                        Run({"rm", "-r", tree});
                    }
                });
                (tool == 0 ? engine : tool == 1 ? cpRm : cpRmSync).push_back(t);
            }
        }
        Report(way.label, Median(engine), Median(cpRm), "cp -a; rm -r");
        Report(way.label, Median(engine), Median(cpRmSync), "cp -a; sync; rm");
    }
}

// A tree of small files and a few large ones copied.
void TreeCopies(const Scratch& s) {
    struct Way {
        const char* label;
        std::string from, to;
    };
    const Way ways[] = {{"tree copy, within /tmp", s.disk, s.disk},
                        {"tree copy, /tmp -> /dev/shm", s.disk, s.shm}};
    for (const Way& way : ways) {
        std::vector<double> engine, cp;
        for (int round = 0; round < kRounds; ++round) {
            for (const bool useEngine : {true, false}) {
                s.Clear();
                const std::string tree = way.from + "/tree", dest = way.to + "/dest";
                fs::create_directories(dest);
                MakeSmallFiles(tree, 5000, 100);
                for (int i = 0; i < 4; ++i) {
                    WriteFile(tree + "/large" + std::to_string(i), 32u << 20);
                }
                const double t = Seconds([&] {
                    if (useEngine) {
                        FileRef copy;
                        Check(
                            CopyObject(Ref(tree), Ref(dest, FileRef::Leaf::Follow), nullptr, &copy),
                            "copy");
                    } else {
                        Run({"cp", "-a", tree, dest + "/"});
                    }
                });
                (useEngine ? engine : cp).push_back(t);
            }
        }
        Report(way.label, Median(engine), Median(cp), "cp -a");
    }
}

} // namespace

int main() {
    const char* mib = std::getenv("FERROLET_BENCH_BIG_MIB");
    const size_t bigBytes = size_t(mib ? std::atoi(mib) : 1024) << 20;
    std::printf("median of %d rounds; large file %zu MiB\n", kRounds, bigBytes >> 20);
    Scratch scratch;
    SameFileSystemMoves(scratch);
    SmallFilesAcross(scratch);
    TreeCopies(scratch);
    LargeFileMoves(scratch, bigBytes);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident memory of the engine's process: %ld MiB\n", usage.ru_maxrss / 1024);
    return 0;
}
