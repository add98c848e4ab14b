// The installation engine on the host against `cp -r` of the same folders, in the
// same run. The engine follows each entry with a pause of 1 ms; the pauses are
// timed and taken out before the two are compared. Peak memory is read after a
// package a tenth of the size and after the full one: it does not grow with the
// package.
//
// Usage: install_bench [--files N] [--megabytes M] [--runs R] [--dir FOLDER]
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "bench/package_generator.h"
#include "install/engine.h"
#include "install/platform_install_system.h"

extern char** environ;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

struct Options {
    std::size_t files = 2000;
    std::uint64_t megabytes = 200;
    int runs = 5;
    std::string folder = fs::temp_directory_path().string();
};

Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string name = argv[i];
        const char* value = argv[i + 1];
        if (name == "--files")
            options.files = std::strtoull(value, nullptr, 10);
        else if (name == "--megabytes")
            options.megabytes = std::strtoull(value, nullptr, 10);
        else if (name == "--runs")
            options.runs = std::atoi(value);
        else if (name == "--dir")
            options.folder = value;
        else
            throw std::runtime_error("unknown option " + name);
    }
    if (options.files < 10 || options.megabytes < 10 || options.runs < 1)
        throw std::runtime_error("need at least 10 files, 10 megabytes and one run");
    return options;
}

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The platform's system with the time spent in the 1 ms pauses measured.
class TimedPauses : public InstallSystem {
public:
    explicit TimedPauses(InstallSystem& inner) : m_inner(inner) {}
    bool CreateFolder(const char* path) override { return m_inner.CreateFolder(path); }
    SearchStart FindFirst(const char* pattern, DirectoryEntry& first) override {
        return m_inner.FindFirst(pattern, first);
    }
    void SleepOneMillisecond() override {
        Clock::time_point start = Clock::now();
        m_inner.SleepOneMillisecond();
        m_seconds += SecondsSince(start);
        ++m_count;
    }
    tw::CopyOutcome CopyFileTo(const char* source, const char* destination) override {
        return m_inner.CopyFileTo(source, destination);
    }
    std::unique_ptr<StartedTool> StartRegistration(const RegistrationRequest& request) override {
        return m_inner.StartRegistration(request);
    }
    void WaitForTools(const std::vector<StartedTool*>& tools,
                      std::chrono::milliseconds bound) override {
        m_inner.WaitForTools(tools, bound);
    }
    void Reset() { m_seconds = 0, m_count = 0; }
    double Seconds() const { return m_seconds; }
    int Count() const { return m_count; }

private:
    InstallSystem& m_inner;
    double m_seconds = 0;
    int m_count = 0;
};

// Processor time, user and system, of this process or of its ended children.
double ProcessorSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct EngineRun {
    double seconds;
    double pauseSeconds;
    int pauses;
    double processorSeconds;
};

struct CpRun {
    double seconds;
    double processorSeconds;
};

// Each run installs into a new folder, with nothing left to write back, so that
// neither side pays for the other's dirty pages or for ext4's look at inodes
// freed a moment ago. The folders are removed with the whole bench folder.
class Destinations {
public:
    explicit Destinations(fs::path base) : m_base(std::move(base)) {}
    std::string Next() {
        fs::path folder = m_base / ("app" + std::to_string(++m_count));
        fs::create_directories(folder);
        sync();
        return folder.string();
    }

private:
    fs::path m_base;
    int m_count = 0;
};

EngineRun RunEngine(const std::string& package, const std::string& app, TimedPauses& system) {
    system.Reset();
    double processorStart = ProcessorSeconds(RUSAGE_SELF);
    Clock::time_point start = Clock::now();
    InstallSummary summary = InstallDriverFiles(package.c_str(), app.c_str(), system);
    double seconds = SecondsSince(start);
    double processor = ProcessorSeconds(RUSAGE_SELF) - processorStart;
    if (summary.FailureCount() != 0) throw std::runtime_error("the engine reported failures");
    return {seconds, system.Seconds(), system.Count(), processor};
}

void RunCommand(std::vector<std::string> words) {
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("cannot start " + words[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error(words[0] + " failed");
}

// The same copies as the engine makes: driversupport\ into A and into A\Driver\,
// then Driver\ into A\Driver\.
CpRun RunCp(const std::string& package, const std::string& app) {
    double processorStart = ProcessorSeconds(RUSAGE_CHILDREN);
    Clock::time_point start = Clock::now();
    fs::create_directory(app + "/Driver");
    RunCommand({"cp", "-r", package + "/driversupport/.", app + "/"});
    RunCommand({"cp", "-r", package + "/driversupport/.", app + "/Driver/"});
    RunCommand({"cp", "-r", package + "/Driver/.", app + "/Driver/"});
    double seconds = SecondsSince(start);
    return {seconds, ProcessorSeconds(RUSAGE_CHILDREN) - processorStart};
}

// The least a copy in blocks of a given size can cost: each file of a folder copied
// with plain read and write calls, nothing else. With 4096 bytes this is the floor
// under the engine's block copy; with larger blocks it shows what the block size costs.
void CopyFolderInBlocks(const fs::path& from, const fs::path& to, std::vector<char>& block) {
    for (const auto& entry : fs::directory_iterator(from)) {
        int in = open(entry.path().c_str(), O_RDONLY);
        int out = open((to / entry.path().filename()).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (in < 0 || out < 0) throw std::runtime_error("cannot copy " + entry.path().string());
        ssize_t count;
        while ((count = read(in, block.data(), block.size())) > 0)
            if (write(out, block.data(), static_cast<size_t>(count)) != count)
                throw std::runtime_error("cannot write " + (to / entry.path().filename()).string());
        close(out);
        close(in);
    }
}

double RunBlockLoop(const std::string& package, const std::string& app, std::size_t blockSize) {
    std::vector<char> block(blockSize);
    Clock::time_point start = Clock::now();
    fs::create_directory(app + "/Driver");
    CopyFolderInBlocks(package + "/driversupport", app, block);
    CopyFolderInBlocks(package + "/driversupport", app + "/Driver", block);
    CopyFolderInBlocks(package + "/Driver", app + "/Driver", block);
    return SecondsSince(start);
}

struct TreeSize {
    std::size_t files = 0;
    std::uint64_t bytes = 0;
    bool operator==(const TreeSize&) const = default;
};

TreeSize SizeOf(const std::string& root) {
    TreeSize size;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) continue;
        ++size.files;
        size.bytes += entry.file_size();
    }
    return size;
}

long PeakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double Megabytes(std::uint64_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

int Run(const Options& options) {
    fs::path work = fs::path(options.folder) / ("tw-bench-" + std::to_string(getpid()));
    fs::create_directories(work);
    struct Cleanup {
        fs::path path;
        ~Cleanup() { fs::remove_all(path); }
    } cleanup{work};

    const std::string small = (work / "small").string();
    const std::string package = (work / "package").string();
    Destinations apps(work);
    PackageShape shape{options.files, options.megabytes * 1024 * 1024};
    fs::create_directories(small);
    fs::create_directories(package);
    GeneratePackage(small, {shape.files / 10, shape.bytes / 10});
    PackageContents contents = GeneratePackage(package, shape);
    std::printf("package: %zu files, %.1f MB (%zu files, %.1f MB in driversupport\\)\n",
                options.files, Megabytes(contents.supportBytes + contents.driverBytes),
                contents.supportFiles, Megabytes(contents.supportBytes));

    TimedPauses system(PlatformInstallSystem());
    RunEngine(small, apps.Next(), system);
    long peakSmall = PeakKilobytes();
    const std::string engineApp = apps.Next();
    RunEngine(package, engineApp, system);
    long peakFull = PeakKilobytes();
    const std::string cpApp = apps.Next();
    RunCp(package, cpApp);
    TreeSize engineTree = SizeOf(engineApp);
    if (!(SizeOf(cpApp) == engineTree))
        throw std::runtime_error("engine and cp installed different trees");

    std::vector<EngineRun> engineRuns;
    std::vector<CpRun> cpRuns;
    std::vector<double> loopRuns;
    std::vector<double> largeLoopRuns;
    const std::size_t largeBlock = 65536;
    for (int run = 0; run < options.runs; ++run) {
        engineRuns.push_back(RunEngine(package, apps.Next(), system));
        cpRuns.push_back(RunCp(package, apps.Next()));
        loopRuns.push_back(RunBlockLoop(package, apps.Next(), 4096));
        largeLoopRuns.push_back(RunBlockLoop(package, apps.Next(), largeBlock));
    }
    double bestLoop = *std::min_element(loopRuns.begin(), loopRuns.end());
    double bestLargeLoop = *std::min_element(largeLoopRuns.begin(), largeLoopRuns.end());
    auto workOf = [](const EngineRun& r) { return r.seconds - r.pauseSeconds; };
    EngineRun best = *std::min_element(engineRuns.begin(), engineRuns.end(),
                                       [&](auto& a, auto& b) { return workOf(a) < workOf(b); });
    double bestCp = std::min_element(cpRuns.begin(), cpRuns.end(), [](auto& a, auto& b) {
                        return a.seconds < b.seconds;
                    })->seconds;
    double engineProcessor =
        std::min_element(engineRuns.begin(), engineRuns.end(), [](auto& a, auto& b) {
            return a.processorSeconds < b.processorSeconds;
        })->processorSeconds;
    double cpProcessor = std::min_element(cpRuns.begin(), cpRuns.end(), [](auto& a, auto& b) {
                             return a.processorSeconds < b.processorSeconds;
                         })->processorSeconds;

    std::printf("installed: %zu files, %.1f MB per run; best of %d runs each\n", engineTree.files,
                Megabytes(engineTree.bytes), options.runs);
    std::printf("engine: %.3f s, of which %d pauses of 1 ms took %.3f s: %.3f s of work\n",
                best.seconds, best.pauses, best.pauseSeconds, workOf(best));
    std::printf("cp -r:  %.3f s\n", bestCp);
    std::printf("ratio (engine without pauses / cp -r): %.2f (target 1.30 or less)\n",
                workOf(best) / bestCp);
    std::printf(
        "plain loop of 4096-byte reads and writes over the same files: %.3f s; "
        "engine / loop %.2f\n",
        bestLoop, workOf(best) / bestLoop);
    std::printf("the same loop with %zu-byte blocks: %.3f s; loop / cp -r %.2f\n", largeBlock,
                bestLargeLoop, bestLargeLoop / bestCp);
    std::printf("processor time, user and system: engine %.3f s, cp -r %.3f s, ratio %.2f\n",
                engineProcessor, cpProcessor, engineProcessor / cpProcessor);
    std::printf("peak memory: %ld KB after a package of %zu files, %ld KB after %zu files\n",
                peakSmall, shape.files / 10, peakFull, shape.files);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(ParseOptions(argc, argv));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "install_bench: %s\n", e.what());
        return 1;
    }
}
