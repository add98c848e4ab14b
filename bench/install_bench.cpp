// The installation engine on the host against `cp -r` of the same folders and
// against bare loops of read and write calls, in rounds: each round runs every
// contender once, in an order that rotates from round to round, each into a fresh
// folder after sync, so that no contender pays for the write-back of another's
// files. The engine follows each entry with a pause of 1 ms; the pauses are timed
// (wall clock and processor) and taken out before the engine is compared. Each
// ratio is taken within a round and reported as its median and its lowest and
// highest value over the rounds. Peak memory is read after a package a tenth of
// the size and after the full one: it does not grow with the package.
//
// Usage: install_bench [--files N] [--megabytes M] [--rounds R] [--dir FOLDER]
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <array>
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
#include "bench/round_figures.h"
#include "install/engine.h"
#include "install/forwarding_install_system.h"
#include "install/platform_install_system.h"

extern char** environ;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

struct Options {
    std::size_t files = 2000;
    std::uint64_t megabytes = 200;
    int rounds = 7;
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
        else if (name == "--rounds")
            options.rounds = std::atoi(value);
        else if (name == "--dir")
            options.folder = value;
        else
            throw std::runtime_error("unknown option " + name);
    }
    if (options.files < 10 || options.megabytes < 10 || options.rounds < 1)
        throw std::runtime_error("need at least 10 files, 10 megabytes and one round");
    return options;
}

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Processor time, user and system, of this process so far.
double ProcessorSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Processor time, user and system, of the children waited for so far.
double ChildrenProcessorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// What one contender took: wall clock and processor time.
struct Cost {
    double seconds = 0;
    double processorSeconds = 0;
    Cost operator-(const Cost& other) const {
        return {seconds - other.seconds, processorSeconds - other.processorSeconds};
    }
    Cost operator+(const Cost& other) const {
        return {seconds + other.seconds, processorSeconds + other.processorSeconds};
    }
};

// Measures from construction to Stop(), for this process or for its children.
class Stopwatch {
public:
    explicit Stopwatch(bool children = false)
        : m_children(children), m_start(Clock::now()), m_processorStart(Processor()) {}
    Cost Stop() const { return {SecondsSince(m_start), Processor() - m_processorStart}; }

private:
    double Processor() const {
        return m_children ? ChildrenProcessorSeconds() : ProcessorSeconds();
    }
    bool m_children;
    Clock::time_point m_start;
    double m_processorStart;
};

// The platform's system with the time spent in the 1 ms pauses measured.
class TimedPauses : public ForwardingInstallSystem {
public:
    explicit TimedPauses(InstallSystem& inner) : ForwardingInstallSystem(inner) {}
    void SleepOneMillisecond() override {
        Stopwatch watch;
        Inner().SleepOneMillisecond();
        m_pauses = m_pauses + watch.Stop();
        ++m_count;
    }
    void Reset() { m_pauses = {}, m_count = 0; }
    Cost Pauses() const { return m_pauses; }
    int Count() const { return m_count; }

private:
    Cost m_pauses;
    int m_count = 0;
};

// The engine's run: all of it, and the pauses in it.
struct EngineRun {
    Cost whole;
    Cost pauses;
    int pauseCount = 0;
    Cost Work() const { return whole - pauses; }
};

EngineRun RunEngine(const std::string& package, const std::string& app, TimedPauses& system) {
    system.Reset();
    Stopwatch watch;
    InstallSummary summary = InstallDriverFiles(package.c_str(), app.c_str(), system);
    Cost whole = watch.Stop();
    if (summary.FailureCount() != 0) throw std::runtime_error("the engine reported failures");
    return {whole, system.Pauses(), system.Count()};
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

// The same copies as the engine makes: the package's driversupport folder into the
// application folder and into its Driver folder, then the package's Driver folder
// into the application's Driver folder.
Cost RunCp(const std::string& package, const std::string& app) {
    Stopwatch watch(true);
    fs::create_directory(app + "/Driver");
    RunCommand({"cp", "-r", package + "/driversupport/.", app + "/"});
    RunCommand({"cp", "-r", package + "/driversupport/.", app + "/Driver/"});
    RunCommand({"cp", "-r", package + "/Driver/.", app + "/Driver/"});
    return watch.Stop();
}

// The least a copy in blocks of a given size can cost: the engine's copies, in
// the engine's order, each file copied with plain read and write calls, nothing
// else. With 4096 bytes this is the floor under the engine's block copy; with
// larger blocks it shows what the block size costs. With pauses, it gives up the
// processor for 1 ms where the engine does, and the pauses are timed and taken
// out as the engine's are: what remains is what the pauses cost the work after
// them (caches and buffers refilled), which the engine pays too.
class BlockLoop {
public:
    BlockLoop(std::size_t blockSize, bool pauses) : m_block(blockSize), m_pauses(pauses) {}

    Cost Run(const std::string& package, const std::string& app) {
        m_pauseCost = {};
        Stopwatch watch;
        const fs::path driver = fs::path(app) / "Driver";
        fs::create_directory(driver);
        for (const auto& entry : fs::directory_iterator(package + "/driversupport")) {
            Copy(entry.path(), app / entry.path().filename());
            Copy(entry.path(), driver / entry.path().filename());
            Pause();
        }
        for (const auto& entry : fs::directory_iterator(package + "/Driver")) {
            Pause();
            Copy(entry.path(), driver / entry.path().filename());
        }
        return watch.Stop() - m_pauseCost;
    }

private:
    void Copy(const fs::path& from, const fs::path& to) {
        int in = open(from.c_str(), O_RDONLY);
        int out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (in < 0 || out < 0) throw std::runtime_error("cannot copy " + from.string());
        ssize_t count;
        while ((count = read(in, m_block.data(), m_block.size())) > 0)
            if (write(out, m_block.data(), static_cast<size_t>(count)) != count)
                throw std::runtime_error("cannot write " + to.string());
        close(out);
        close(in);
    }
    void Pause() {
        if (!m_pauses) return;
        Stopwatch watch;
        timespec pause{0, 1'000'000};
        nanosleep(&pause, nullptr);
        m_pauseCost = m_pauseCost + watch.Stop();
    }

    std::vector<char> m_block;
    bool m_pauses;
    Cost m_pauseCost;
};

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

// Fresh folders for the contenders of a round: each is made, and everything written
// to the bench's file system so far is synced, just before its contender runs.
// Clear() removes the round's folders and syncs again, so that the next round
// starts on a settled disk.
class Destinations {
public:
    explicit Destinations(fs::path base)
        : m_base(std::move(base)), m_fileSystem(open(m_base.c_str(), O_RDONLY | O_DIRECTORY)) {
        if (m_fileSystem < 0) throw std::runtime_error("cannot open " + m_base.string());
    }
    ~Destinations() { close(m_fileSystem); }
    Destinations(const Destinations&) = delete;
    Destinations& operator=(const Destinations&) = delete;
    std::string Next() {
        fs::path folder = m_base / ("app" + std::to_string(++m_count));
        Clock::time_point start = Clock::now();
        fs::create_directories(folder);
        m_made.push_back(folder);
        Sync();
        m_settling += SecondsSince(start);
        return folder.string();
    }
    void Clear() {
        Clock::time_point start = Clock::now();
        for (const fs::path& folder : m_made) fs::remove_all(folder);
        m_made.clear();
        Sync();
        m_settling += SecondsSince(start);
    }
    // The time spent syncing and removing between the contenders.
    double SettlingSeconds() const { return m_settling; }

private:
    // Only the file system the contenders write to: a tmpfs has nothing to write
    // back, and other file systems' dirty pages are no contender's.
    void Sync() const {
        if (syncfs(m_fileSystem) != 0) throw std::runtime_error("cannot sync " + m_base.string());
    }

    fs::path m_base;
    int m_fileSystem;
    int m_count = 0;
    std::vector<fs::path> m_made;
    double m_settling = 0;
};

enum Contender : std::size_t { kEngine, kCp, kLoop, kLargeLoop, kPausedLoop, kContenders };
constexpr std::size_t kLargeBlock = 65536;

// Every round's figures of one measure (wall clock or processor time).
struct Series {
    std::array<std::vector<double>, kContenders> contender;
    std::vector<double> pauses;
    std::vector<double> engineWhole;
};

void PrintSpread(const char* label, const Spread& spread, const char* unit) {
    std::printf("  %-44s %7.3f%s  %7.3f - %7.3f\n", label, spread.median, unit, spread.lowest,
                spread.highest);
}

void PrintSeries(const char* title, const Series& s) {
    std::printf("%s: median, lowest - highest over the rounds\n", title);
    PrintSpread("engine, pauses taken out", SpreadOf(s.contender[kEngine]), " s");
    PrintSpread("the engine's pauses", SpreadOf(s.pauses), " s");
    PrintSpread("cp -r", SpreadOf(s.contender[kCp]), " s");
    PrintSpread("loop of 4096-byte reads and writes", SpreadOf(s.contender[kLoop]), " s");
    PrintSpread("loop of 65536-byte reads and writes", SpreadOf(s.contender[kLargeLoop]), " s");
    PrintSpread("4096-byte loop with the engine's pauses, out", SpreadOf(s.contender[kPausedLoop]),
                " s");
    std::vector<double> cpAndPauses;
    for (std::size_t i = 0; i < s.pauses.size(); ++i)
        cpAndPauses.push_back(s.contender[kCp][i] + s.pauses[i]);
    PrintSpread("engine / 4096-byte loop (goal 1.05 or less)",
                SpreadOf(RatiosByRound(s.contender[kEngine], s.contender[kLoop])), "  ");
    PrintSpread("engine / 4096-byte loop with the same pauses",
                SpreadOf(RatiosByRound(s.contender[kEngine], s.contender[kPausedLoop])), "  ");
    PrintSpread("engine / cp -r", SpreadOf(RatiosByRound(s.contender[kEngine], s.contender[kCp])),
                "  ");
    PrintSpread("whole installation / (cp -r + pauses)",
                SpreadOf(RatiosByRound(s.engineWhole, cpAndPauses)), "  ");
    PrintSpread("65536-byte loop / cp -r",
                SpreadOf(RatiosByRound(s.contender[kLargeLoop], s.contender[kCp])), "  ");
}

int Run(const Options& options) {
    Clock::time_point benchStart = Clock::now();
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
    std::printf("package in %s: %zu files, %.1f MB (%zu files, %.1f MB in driversupport\\)\n",
                work.c_str(), options.files,
                Megabytes(contents.supportBytes + contents.driverBytes), contents.supportFiles,
                Megabytes(contents.supportBytes));

    // A first pass, not counted: peak memory after each package, and the tree that
    // every contender of every round must install.
    TimedPauses system(PlatformInstallSystem());
    RunEngine(small, apps.Next(), system);
    long peakSmall = PeakKilobytes();
    const std::string firstApp = apps.Next();
    RunEngine(package, firstApp, system);
    long peakFull = PeakKilobytes();
    const TreeSize expected = SizeOf(firstApp);
    apps.Clear();

    BlockLoop loop(4096, false);
    BlockLoop largeLoop(kLargeBlock, false);
    BlockLoop pausedLoop(4096, true);
    Series wall;
    Series processor;
    int pauseCount = 0;
    for (int round = 0; round < options.rounds; ++round) {
        std::array<Cost, kContenders> costs;
        EngineRun engine;
        for (std::size_t contender : RoundOrder(static_cast<std::size_t>(round), kContenders)) {
            std::string app = apps.Next();
            switch (contender) {
                case kEngine:
                    engine = RunEngine(package, app, system);
                    costs[kEngine] = engine.Work();
                    break;
                case kCp:
                    costs[kCp] = RunCp(package, app);
                    break;
                case kLoop:
                    costs[kLoop] = loop.Run(package, app);
                    break;
                case kLargeLoop:
                    costs[kLargeLoop] = largeLoop.Run(package, app);
                    break;
                default:
                    costs[kPausedLoop] = pausedLoop.Run(package, app);
                    break;
            }
            if (!(SizeOf(app) == expected))
                throw std::runtime_error(
                    "a contender installed a different tree from the engine's");
        }
        apps.Clear();
        pauseCount = engine.pauseCount;
        for (std::size_t c = 0; c < kContenders; ++c) {
            wall.contender[c].push_back(costs[c].seconds);
            processor.contender[c].push_back(costs[c].processorSeconds);
        }
        wall.pauses.push_back(engine.pauses.seconds);
        processor.pauses.push_back(engine.pauses.processorSeconds);
        wall.engineWhole.push_back(engine.whole.seconds);
        processor.engineWhole.push_back(engine.whole.processorSeconds);
    }

    std::printf(
        "installed: %zu files, %.1f MB by each contender in each of %d rounds; "
        "%d pauses of 1 ms per engine run\n",
        expected.files, Megabytes(expected.bytes), options.rounds, pauseCount);
    PrintSeries("wall clock", wall);
    PrintSeries("processor time, user and system", processor);
    std::printf("peak memory: %ld KB after a package of %zu files, %ld KB after %zu files\n",
                peakSmall, shape.files / 10, peakFull, shape.files);
    std::printf("the benchmark took %.0f s, of which %.0f s syncing and removing between runs\n",
                SecondsSince(benchStart), apps.SettlingSeconds());
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
