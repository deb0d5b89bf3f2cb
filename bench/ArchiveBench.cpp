// Archiving a folder of mixed data (half random, half text) with
// CreateZipArchive against Info-ZIP's `zip -r -q -6` on the same folder in the
// same run. Prints the time ratio, the size ratio and both peak memories.
//
//   bench_archive [megabytes]   (default 300)
//
// The archive runs in a child process of its own, so that its peak memory is
// the archive's alone and not the data generator's.
#include "fileops/zip/TemporaryArchive.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Run {
    double seconds = 0;
    long peakKiB = 0;
    int status = -1;
};

// Forks, runs body in the child, and measures the child's time and peak
// memory (ru_maxrss of the child alone).
template <typename Body> Run Measure(Body body) {
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        _exit(body());
    }
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    Run run;
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    run.peakKiB = usage.ru_maxrss;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

void WriteChunked(const fs::path& path, size_t bytes, bool random, std::mt19937_64& generator) {
    std::ofstream out(path, std::ios::binary);
    std::string block(64 * 1024, '\0');
    static const char* const kWords[] = {"archive ", "folder ", "report ", "the ",  "of ",
                                         "moved ",   "copy ",   "line\n",  "data ", "Ferrolet "};
    size_t written = 0;
    while (written < bytes) {
        if (random) {
            for (size_t i = 0; i + 8 <= block.size(); i += 8) {
                const uint64_t v = generator();
                std::memcpy(block.data() + i, &v, 8);
            }
        } else {
            block.clear();
            while (block.size() < 64 * 1024 - 16) {
                block += kWords[generator() % 10];
                if (generator() % 7 == 0) {
                    block += std::to_string(generator() % 100000) + ' ';
                }
            }
            block.resize(64 * 1024, '\n');
        }
        const size_t n = std::min(block.size(), bytes - written);
        out.write(block.data(), static_cast<std::streamsize>(n));
        written += n;
    }
}

// Files of sizes from a few KiB to tens of MiB, half the bytes random (as
// photos and videos are) and half text.
void MakeMixedFolder(const fs::path& root, size_t totalBytes) {
    std::mt19937_64 generator(42);
    fs::create_directories(root / "text");
    fs::create_directories(root / "media");
    for (int kind = 0; kind < 2; ++kind) {
        size_t left = totalBytes / 2;
        for (int i = 0; left > 0; ++i) {
            const size_t size = std::min(left, size_t{4096} << (i % 13)); // 4 KiB … 16 MiB
            const fs::path file = root / (kind ? "media" : "text") /
                                  ("item" + std::to_string(i) + (kind ? ".jpg" : ".txt"));
            WriteChunked(file, size, kind == 1, generator);
            left -= size;
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    const size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 300;
    char tmpl[] = "/tmp/ferrolet-archive-bench-XXXXXX";
    if (!mkdtemp(tmpl)) {
        return 1;
    }
    const fs::path work = tmpl;
    setenv("XDG_STATE_HOME", (work / "state").c_str(), 1);
    const fs::path data = work / "Mixed";
    MakeMixedFolder(data, megabytes * 1024 * 1024);
    sync();

    // Warm the page cache for both, so neither pays for the first read.
    Measure([&] {
        for (const auto& entry : fs::recursive_directory_iterator(data)) {
            if (entry.is_regular_file()) {
                std::ifstream in(entry.path(), std::ios::binary);
                std::vector<char> buffer(1 << 20);
                while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()))) {
                }
            }
        }
        return 0;
    });

    const fs::path zipOut = work / "reference.zip";
    const Run reference = Measure([&] {
        if (chdir(data.c_str()) != 0) {
            return 1;
        }
        const char* args[] = {"zip", "-r", "-q", "-6", zipOut.c_str(), ".", nullptr};
        execvp("zip", const_cast<char* const*>(args));
        return 127;
    });

    const fs::path ourPathFile = work / "ours.path";
    const Run ours = Measure([&] {
        ferrolet::FileRef item;
        ferrolet::FileRef archive;
        if (ferrolet::FileRef::FromPath(data.string(), item) != 0 ||
            ferrolet::CreateZipArchive(item, &archive) != 0) {
            return 1;
        }
        std::ofstream(ourPathFile) << archive.Path();
        return 0;
    });

    std::string ourPath;
    std::getline(std::ifstream(ourPathFile), ourPath);
    if (reference.status != 0 || ours.status != 0 || ourPath.empty()) {
        std::fprintf(stderr, "a run failed: zip %d, CreateZipArchive %d\n", reference.status,
                     ours.status);
        fs::remove_all(work);
        return 1;
    }
    const double referenceSize = static_cast<double>(fs::file_size(zipOut));
    const double ourSize = static_cast<double>(fs::file_size(ourPath));
    std::printf("folder: %zu MB mixed (half random, half text)\n", megabytes);
    std::printf("zip -r -q -6      : %7.2f s  %10.0f bytes  peak %6ld KiB\n", reference.seconds,
                referenceSize, reference.peakKiB);
    std::printf("CreateZipArchive  : %7.2f s  %10.0f bytes  peak %6ld KiB\n", ours.seconds, ourSize,
                ours.peakKiB);
    std::printf("time ratio (ours / zip): %.3f\n", ours.seconds / reference.seconds);
    std::printf("size ratio (ours / zip): %.4f\n", ourSize / referenceSize);
    fs::remove_all(work);
    return 0;
}
