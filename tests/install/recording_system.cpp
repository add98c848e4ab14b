#include "tests/install/recording_system.h"

#include <algorithm>
#include <utility>

DirectoryEntry FileEntry(const std::string& name, std::uint32_t attributes) {
    return {attributes, name};
}

DirectoryEntry FolderEntry(const std::string& name, std::uint32_t attributes) {
    return {attributes, name};
}

namespace {

// A search over a scripted listing whose first entry has been delivered.
class ScriptedSearch : public FileSearch {
public:
    explicit ScriptedSearch(const std::vector<DirectoryEntry>& entries) : m_entries(entries) {}

    bool FindNext(DirectoryEntry& entry) override {
        if (m_next >= m_entries.size()) return false;
        entry = m_entries[m_next++];
        return true;
    }

private:
    const std::vector<DirectoryEntry>& m_entries;
    std::size_t m_next = 1;
};

// A tool of scripted mode: it ends as planned once waited for.
class ScriptedTool : public StartedTool {
public:
    explicit ScriptedTool(std::optional<std::uint32_t> planned) : m_planned(planned) {}
    void End() { exitCode = m_planned; }

private:
    std::optional<std::uint32_t> m_planned;
};

}  // namespace

void ScriptedSystem::SetListing(const std::string& pattern, std::vector<DirectoryEntry> entries) {
    m_listings[pattern] = std::move(entries);
}

void ScriptedSystem::SetToolOutcome(const std::string& parameters,
                                    std::optional<std::uint32_t> exitCode) {
    m_toolOutcomes[parameters] = exitCode;
}

SearchStart ScriptedSystem::FindFirst(const char* pattern, DirectoryEntry& first) {
    auto listing = m_listings.find(pattern);
    if (listing == m_listings.end() || listing->second.empty()) return {};
    first = listing->second.front();
    return {std::make_unique<ScriptedSearch>(listing->second)};
}

std::unique_ptr<StartedTool> ScriptedSystem::StartRegistration(const RegistrationRequest& request) {
    auto outcome = m_toolOutcomes.find(request.parameters);
    return std::make_unique<ScriptedTool>(
        outcome == m_toolOutcomes.end() ? std::optional<std::uint32_t>(0) : outcome->second);
}

void ScriptedSystem::WaitForAnyTool(const std::vector<StartedTool*>& running,
                                    std::chrono::milliseconds) {
    for (StartedTool* tool : running) static_cast<ScriptedTool*>(tool)->End();
}

// The inner system's search, cut short where a listing error is injected.
class RecordedSearch : public FileSearch {
public:
    RecordedSearch(RecordingSystem& owner, std::unique_ptr<FileSearch> inner, std::size_t limit)
        : m_owner(owner), m_inner(std::move(inner)), m_limit(limit) {}

    // Takes the entry the inner search delivered first.
    bool First(DirectoryEntry& entry) {
        return Deliver(entry, [] { return true; });
    }

    bool FindNext(DirectoryEntry& entry) override {
        m_owner.m_calls.push_back("next");
        if (m_delivered >= m_limit) {
            m_failed = true;  // the injected listing error
            return false;
        }
        return Deliver(entry, [&] { return m_inner->FindNext(entry); });
    }
    bool Failed() const override { return m_failed || m_inner->Failed(); }

private:
    template <typename Advance>
    bool Deliver(DirectoryEntry& entry, Advance advance) {
        if (m_delivered >= m_limit || !advance()) return false;
        ++m_delivered;
        m_owner.Adjust(entry);
        return true;
    }

    RecordingSystem& m_owner;
    std::unique_ptr<FileSearch> m_inner;
    std::size_t m_limit;
    std::size_t m_delivered = 0;
    bool m_failed = false;
};

void RecordingSystem::FailListingAfter(const std::string& pattern, std::size_t delivered) {
    m_listingLimits[pattern] = delivered;
}

void RecordingSystem::SetAttributes(const std::string& name, std::uint32_t attributes) {
    m_attributes[name] = attributes;
}

void RecordingSystem::FailCopyTo(const std::string& destination) {
    m_failedDestinations.insert(destination);
}

void RecordingSystem::FailCopy(const std::string& source, const std::string& destination) {
    m_failedCopies.insert({source, destination});
}

namespace {

bool IsCommitCall(const std::string& call) {
    for (const char* step : {"aside ", "put ", "restart ", "discard ", "rmdir "})
        if (call.rfind(step, 0) == 0) return true;
    return false;
}

}  // namespace

std::vector<std::string> RecordingSystem::Work() const {
    std::vector<std::string> work;
    std::copy_if(
        m_calls.begin(), m_calls.end(), std::back_inserter(work), [](const std::string& call) {
            return call != "next" && call.rfind("hold ", 0) != 0 && call.rfind("secure ", 0) != 0 &&
                   call.rfind("check ", 0) != 0 && !IsCommitCall(call);
        });
    return work;
}

std::vector<std::string> RecordingSystem::Commit() const {
    std::vector<std::string> commit;
    std::copy_if(m_calls.begin(), m_calls.end(), std::back_inserter(commit), IsCommitCall);
    return commit;
}

long ScriptedSystem::SetAside(const char* destination, std::string& aside) {
    aside.clear();
    if (m_held.count(destination)) return 32;       // ERROR_SHARING_VIOLATION
    if (!m_installed.count(destination)) return 2;  // ERROR_FILE_NOT_FOUND
    aside = std::string(destination) + ".old";
    m_installed.erase(destination);
    return 0;
}

long RecordingSystem::SetAside(const char* destination, std::string& aside) {
    if (m_failedAsides.erase(destination)) {
        m_calls.push_back(std::string("aside ") + destination + " failed");
        return kScriptedCopyError;
    }
    long code = ForwardingInstallSystem::SetAside(destination, aside);
    if (code == 0) m_calls.push_back(std::string("aside ") + destination + " as " + aside);
    return code;
}

long RecordingSystem::PutInPlace(const char* file, const char* destination) {
    m_calls.push_back(std::string("put ") + file + " > " + destination);
    if (m_failedPuts.erase(destination)) return kScriptedCopyError;
    return ForwardingInstallSystem::PutInPlace(file, destination);
}

long RecordingSystem::PutInPlaceAtRestart(const char* file, const char* destination) {
    m_calls.push_back(std::string("restart ") + file + " > " + destination);
    if (m_failedRestarts.erase(destination)) return kScriptedCopyError;
    return ForwardingInstallSystem::PutInPlaceAtRestart(file, destination);
}

bool RecordingSystem::DiscardSetAside(const char* path) {
    m_calls.push_back(std::string("discard ") + path);
    return ForwardingInstallSystem::DiscardSetAside(path);
}

bool RecordingSystem::RegisterAtRestart(const RegistrationRequest& request) {
    m_calls.push_back(std::string("runonce ") + request.toolPath + " | " + request.parameters);
    return ForwardingInstallSystem::RegisterAtRestart(request);
}

void RecordingSystem::DiscardFile(const char* path) {
    m_calls.push_back(std::string("discard ") + path);
    ForwardingInstallSystem::DiscardFile(path);
}

void RecordingSystem::RemoveFolder(const char* folder) {
    m_calls.push_back(std::string("rmdir ") + folder);
    ForwardingInstallSystem::RemoveFolder(folder);
}

void RecordingSystem::Adjust(DirectoryEntry& entry) const {
    auto it = m_attributes.find(entry.cFileName);
    if (it != m_attributes.end()) entry.dwFileAttributes = it->second;
}

std::unique_ptr<Hold> RecordingSystem::HoldFolder(const char* folder) {
    m_calls.push_back(std::string("hold folder ") + folder);
    if (m_refusedHolds.count(folder)) return nullptr;
    return ForwardingInstallSystem::HoldFolder(folder);
}

std::unique_ptr<Hold> RecordingSystem::HoldCopy(const char* installed, const char* original) {
    m_calls.push_back(std::string("hold ") + installed + " = " + original);
    if (m_refusedHolds.count(installed)) return nullptr;
    return ForwardingInstallSystem::HoldCopy(installed, original);
}

bool RecordingSystem::CreateFolder(const char* path) {
    m_calls.push_back(std::string("mkdir ") + path);
    return ForwardingInstallSystem::CreateFolder(path);
}

SearchStart RecordingSystem::FindFirst(const char* pattern, DirectoryEntry& first) {
    m_calls.push_back(std::string("find ") + pattern);
    auto limit = m_listingLimits.find(pattern);
    std::size_t delivered = limit == m_listingLimits.end() ? SIZE_MAX : limit->second;
    // A limit of 0 makes the folder one that exists but cannot be listed.
    SearchStart inner = ForwardingInstallSystem::FindFirst(pattern, first);
    if (!inner.search) return {nullptr, inner.unreadable || delivered == 0};
    auto search = std::make_unique<RecordedSearch>(*this, std::move(inner.search), delivered);
    if (!search->First(first)) return {nullptr, true};
    return {std::move(search)};
}

void RecordingSystem::SleepOneMillisecond() {
    m_calls.push_back("sleep");
    ForwardingInstallSystem::SleepOneMillisecond();
}

tw::CopyOutcome RecordingSystem::CopyFileTo(const char* source, const char* destination) {
    m_calls.push_back(std::string("copy ") + source + " > " + destination);
    if (m_failedDestinations.count(destination) || m_failedCopies.count({source, destination}))
        return {kScriptedCopyError, std::nullopt, {}};
    return ForwardingInstallSystem::CopyFileTo(source, destination);
}

std::unique_ptr<StartedTool> RecordingSystem::StartRegistration(
    const RegistrationRequest& request) {
    m_calls.push_back(std::string("start ") + request.toolPath + " | " + request.parameters +
                      " | " + request.directory);
    if (m_failStarts) return nullptr;
    return ForwardingInstallSystem::StartRegistration(request);
}

void RecordingSystem::WaitForAnyTool(const std::vector<StartedTool*>& running,
                                     std::chrono::milliseconds timeout) {
    m_calls.push_back((m_finalWait ? "wait " : "wait for one of ") +
                      std::to_string(running.size()) + " tools, " +
                      std::to_string(timeout.count()) + " ms");
    ForwardingInstallSystem::WaitForAnyTool(running,
                                            std::min(timeout, m_toolBound.value_or(timeout)));
}

void RecordedEvents::Line(std::string line, long code) {
    if (code != 0) line += ": " + std::to_string(code);
    m_lines.push_back(std::move(line));
}

void RecordedEvents::RegistrationStarts(const RegistrationRequest& request) {
    Line(std::string("register ") + request.parameters);
}

void RecordedEvents::RegistrationEnded(const Registration& record) {
    Line("registered " + record.parameters + ": " +
         (record.outcome == RegistrationOutcome::exited ? std::to_string(record.exitCode)
                                                        : "running"));
}

void RecordedEvents::FinalWait(bool begins) {
    m_finalWait = begins;
    Line(begins ? "final wait" : "final wait over");
}

void RecordedEvents::FolderNotHeld(const char* folder) { Line(std::string("not held ") + folder); }

void RecordedEvents::FolderSecured(const char* folder, const tw::FolderSecuring&) {
    Line(std::string("secured ") + folder);
}

void RecordedEvents::FilesChecked(const char* folder, const tw::UntrustedFiles&) {
    Line(std::string("checked ") + folder);
}

void RecordedEvents::Staged(const char*, const char* destination, const tw::CopyOutcome& outcome) {
    Line(std::string(outcome ? "staged " : "copy failed ") + destination, outcome.error);
}

void RecordedEvents::SetAside(const char* destination, long code) {
    if (code == 2) return;  // ERROR_FILE_NOT_FOUND: nothing was there
    Line(std::string("aside ") + destination + (code ? " failed" : ""), code);
}

void RecordedEvents::Committed(const char* destination, long code) {
    Line(std::string(code ? "not committed " : "committed ") + destination, code);
}

void RecordedEvents::RolledBack(const char* destination, long code) {
    Line(std::string("rolled back ") + destination, code);
}

void RecordedEvents::WaitsForRestart(const char* destination) {
    Line(std::string("restart ") + destination);
}

void RecordedEvents::SetAsideDeletedAtRestart(const char* path) {
    Line(std::string("deleted at restart ") + path);
}

tw::FolderSecuring RecordingSystem::SecureFolder(const char* folder) {
    m_calls.push_back(std::string("secure folder ") + folder);
    auto scripted = m_securings.find(folder);
    if (scripted != m_securings.end()) return scripted->second;
    return ForwardingInstallSystem::SecureFolder(folder);
}

tw::UntrustedFiles RecordingSystem::FindUntrustedFiles(const char* folder) {
    m_calls.push_back(std::string("check files in ") + folder);
    auto scripted = m_untrusted.find(folder);
    if (scripted != m_untrusted.end()) return scripted->second;
    return ForwardingInstallSystem::FindUntrustedFiles(folder);
}
