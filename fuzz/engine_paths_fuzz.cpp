// The engine's path composition with arbitrary source roots, application
// directories and entry names up to 300 bytes: no path it hands on is longer than
// 260 bytes, and every file entry is either copied or counted as skipped.
#include <cstddef>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/path_rules.h"
#include "fuzz/fuzz_check.h"
#include "install/engine.h"
#include "install/registration_rules.h"
#include "tests/install/recording_system.h"

namespace {

constexpr size_t kMaxPath = 260;

// Splits the input at 0x01 bytes: source root, application directory, then names
// (support names until a 0x02 byte, driver names after it). Names lose NUL and "\".
struct Input {
    std::string source, app;
    std::vector<std::string> support, driver;
};

Input Parse(const std::uint8_t* data, size_t size) {
    Input input;
    std::vector<std::string> fields(1);
    bool driverSide = false;
    for (size_t i = 0; i < size; ++i) {
        char c = static_cast<char>(data[i]);
        if (c == '\x01') {
            if (fields.size() >= 2)
                (driverSide ? input.driver : input.support).push_back(fields.back());
            fields.emplace_back();
        } else if (c == '\x02' && fields.size() > 2) {
            driverSide = true;
        } else if (c != '\0' && !(fields.size() > 2 && c == '\\')) {
            fields.back() += c;
        }
    }
    if (fields.size() > 2) (driverSide ? input.driver : input.support).push_back(fields.back());
    input.source = fields.size() > 0 ? fields[0] : "";
    input.app = fields.size() > 1 ? fields[1] : "";
    return input;
}

std::vector<DirectoryEntry> Listing(const std::vector<std::string>& names) {
    std::vector<DirectoryEntry> entries = {FolderEntry("."), FolderEntry("..")};
    for (const std::string& name : names)
        if (!name.empty() && name != "." && name != "..") entries.push_back(FileEntry(name));
    return entries;
}

// Scripted listings, with every path the engine hands on checked against the limit.
class LengthCheckingSystem : public RecordingSystem {
public:
    std::unique_ptr<Hold> HoldFolder(const char* folder) override {
        Check(std::strlen(folder) <= kMaxPath);
        return RecordingSystem::HoldFolder(folder);
    }
    std::unique_ptr<Hold> HoldCopy(const char* installed, const char* original) override {
        Check(std::strlen(installed) <= kMaxPath && std::strlen(original) <= kMaxPath);
        return RecordingSystem::HoldCopy(installed, original);
    }
    bool CreateFolder(const char* path) override {
        Check(std::strlen(path) <= kMaxPath);
        return RecordingSystem::CreateFolder(path);
    }
    SearchStart FindFirst(const char* pattern, DirectoryEntry& first) override {
        Check(std::strlen(pattern) <= kMaxPath);
        return RecordingSystem::FindFirst(pattern, first);
    }
    tw::FolderSecuring SecureFolder(const char* folder) override {
        Check(std::strlen(folder) <= kMaxPath);
        return RecordingSystem::SecureFolder(folder);
    }
    tw::UntrustedFiles FindUntrustedFiles(const char* folder) override {
        Check(std::strlen(folder) <= kMaxPath);
        return RecordingSystem::FindUntrustedFiles(folder);
    }
    tw::CopyOutcome CopyFileTo(const char* source, const char* destination) override {
        Check(std::strlen(source) <= kMaxPath && std::strlen(destination) <= kMaxPath);
        return RecordingSystem::CopyFileTo(source, destination);
    }
    std::unique_ptr<StartedTool> StartRegistration(const RegistrationRequest& request) override {
        Check(std::strlen(request.toolPath) <= kMaxPath &&
              std::strlen(request.directory) <= kMaxPath);
        return RecordingSystem::StartRegistration(request);
    }
};

bool IsDllName(const std::string& name) {
    if (name.size() < 4) return false;
    std::string end = name.substr(name.size() - 4);
    for (char& c : end) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return end == ".dll";
}

bool Fits(std::initializer_list<std::string> parts) {
    size_t total = 0;
    for (const std::string& part : parts) total += part.size();
    return total <= kMaxPath;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    if (size > 1200) return 0;
    Input input = Parse(data, size);
    if (input.source.size() > 300 || input.app.size() > 300) return 0;
    const std::string S = tw::WithTrailingSeparator(input.source);
    const std::string A = tw::WithTrailingSeparator(input.app);

    LengthCheckingSystem system;
    std::vector<DirectoryEntry> support = Listing(input.support), driver = Listing(input.driver);
    system.SetListing(S + "driversupport\\*.*", support);
    system.SetListing(S + "Driver\\*.*", driver);
    InstallSummary summary = InstallDriverFiles(input.source.c_str(), input.app.c_str(), system);

    int copied = 0, skipped = 0, dlls = 0, skippedTools = 0;
    bool supportRuns = Fits({S, "driversupport\\*.*"}), driverRuns = Fits({S, "Driver\\*.*"});
    skipped += !supportRuns + !driverRuns;
    for (size_t i = 2; supportRuns && i < support.size(); ++i) {
        const std::string& n = support[i].cFileName;
        bool fits = Fits({S, "driversupport\\", n}) && Fits({A, n}) && Fits({A, "Driver\\", n});
        fits ? copied += 2 : ++skipped;
        skippedTools += !fits && tw::IsToolName(n);
    }
    for (size_t i = 2; driverRuns && i < driver.size(); ++i) {
        const std::string& n = driver[i].cFileName;
        bool fits = Fits({S, "Driver\\", n}) && Fits({A, "Driver\\", n});
        fits ? ++copied : ++skipped;
        dlls += fits && IsDllName(n);
    }
    // A file that could not be installed undoes the whole run: nothing is left
    // copied and no tool is started; each such file is named once.
    if (skipped > 0) {
        Check(summary.undone);
        Check(summary.filesCopied == 0);
        Check(summary.registrations.empty());
        Check(static_cast<int>(summary.failedFiles.size()) == skipped);
        return 0;
    }
    // Every copied DLL has its registration record; the tools here all exit with 0,
    // so only the records of tools that could not start (their path did not fit, or
    // the package brought no tool) add to the skipped entries, and a tool that was
    // not copied is named once more, only when a DLL was left unregistered for it.
    int notStarted = 0;
    for (const Registration& r : summary.registrations)
        notStarted += r.outcome == RegistrationOutcome::notStarted;
    int toolNamed = -skippedTools;
    for (const std::string& failed : summary.failedFiles)
        toolNamed += failed.rfind("driversupport\\", 0) == 0 && tw::IsToolName(failed.substr(14));
    Check(toolNamed == 0 || (toolNamed == 1 && notStarted > 0));
    Check(summary.filesCopied == copied);
    Check(static_cast<int>(summary.registrations.size()) == dlls);
    Check(static_cast<int>(summary.failedFiles.size()) == skipped + notStarted + toolNamed);
    return 0;
}
