// An installation system for tests: records every call in order and injects
// faults. Alone it answers from scripted listings; wrapped around a real system it
// passes each call on unless a fault is injected for it.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <utility>
#include <string>
#include <vector>

#include "framework/CString.h"
#include "install/engine.h"
#include "install/install_events.h"
#include "install/install_system.h"
#include "install/forwarding_install_system.h"

// Answers from scripted listings: every folder can be made, every copy works, and
// each tool ends as planned at the first wait. Its clock stands still, so that
// every wait is given the whole bound.
class ScriptedSystem : public InstallSystem {
public:
    void SetListing(const std::string& pattern, std::vector<DirectoryEntry> entries);
    void SetToolOutcome(const std::string& parameters, std::optional<std::uint32_t> exitCode);
    // A destination that exists: it is set aside as destination + ".old".
    void SetInstalled(const std::string& destination) { m_installed.insert(destination); }
    // An installed destination another program holds without delete sharing: it
    // cannot be set aside, and is replaced at the next restart.
    void SetHeld(const std::string& destination) { m_held.insert(destination); }
    // An installed destination loaded as a DLL: set aside, it is deleted only at the
    // next restart.
    void SetLoaded(const std::string& destination) {
        m_installed.insert(destination);
        m_loaded.insert(destination + ".old");
    }

    std::unique_ptr<Hold> HoldFolder(const char*) override { return std::make_unique<Hold>(); }
    std::unique_ptr<Hold> HoldCopy(const char*, const char*) override {
        return std::make_unique<Hold>();
    }
    bool CreateFolder(const char*) override { return true; }
    SearchStart FindFirst(const char* pattern, DirectoryEntry& first) override;
    void SleepOneMillisecond() override {}
    // Staged as destination + ".new".
    tw::CopyOutcome CopyFileTo(const char*, const char* destination) override {
        return {0, std::nullopt, std::string(destination) + ".new"};
    }
    long SetAside(const char* destination, std::string& aside) override;
    // An installed or held destination is taken until it is set aside.
    long PutInPlace(const char*, const char* destination) override {
        return m_installed.count(destination) || m_held.count(destination) ? 183 : 0;
    }
    void DiscardFile(const char*) override {}
    long PutInPlaceAtRestart(const char*, const char*) override { return 0; }
    // A loaded file waits for the restart; any other goes now.
    bool DiscardSetAside(const char* path) override {
        if (m_loaded.count(path)) return true;
        DiscardFile(path);
        return false;
    }
    bool RegisterAtRestart(const RegistrationRequest&) override { return true; }
    void RemoveFolder(const char*) override {}
    std::unique_ptr<StartedTool> StartRegistration(const RegistrationRequest& request) override;
    // Every tool ends as planned: those planned to run on are the ones left.
    void WaitForAnyTool(const std::vector<StartedTool*>& running,
                        std::chrono::milliseconds timeout) override;
    std::chrono::milliseconds Now() override { return {}; }
    // Every folder is locked already and holds only trusted files.
    tw::FolderSecuring SecureFolder(const char*) override { return {}; }
    tw::UntrustedFiles FindUntrustedFiles(const char*) override { return {}; }

private:
    std::map<std::string, std::vector<DirectoryEntry>> m_listings;
    std::map<std::string, std::optional<std::uint32_t>> m_toolOutcomes;
    std::set<std::string> m_installed;
    std::set<std::string> m_held;
    std::set<std::string> m_loaded;
};

// The events an engine tells, one line each, in order:
//   "not held F", "secured F", "checked F", "staged D", "copy failed D: C",
//   "aside D", "aside D failed: C" (nothing for a destination that held nothing),
//   "committed D", "not committed D: C", "rolled back D", "rolled back D: C",
//   "restart D", "register P" (the tool's parameters), "registered P: E" (E its
//   exit code, or "running"), "final wait", "final wait over".
class RecordedEvents : public tw::InstallEvents {
public:
    explicit RecordedEvents(bool& finalWait) : m_finalWait(finalWait) {}
    const std::vector<std::string>& Lines() const { return m_lines; }

    void RegistrationStarts(const RegistrationRequest& request) override;
    void RegistrationEnded(const Registration& record) override;
    void FinalWait(bool begins) override;
    void FolderNotHeld(const char* folder) override;
    void FolderSecured(const char* folder, const tw::FolderSecuring& securing) override;
    void FilesChecked(const char* folder, const tw::UntrustedFiles& found) override;
    void Staged(const char* source, const char* destination,
                const tw::CopyOutcome& outcome) override;
    void SetAside(const char* destination, long code) override;
    void Committed(const char* destination, long code) override;
    void RolledBack(const char* destination, long code) override;
    void WaitsForRestart(const char* destination) override;
    void SetAsideDeletedAtRestart(const char* path) override;

private:
    void Line(std::string line, long code = 0);

    bool& m_finalWait;
    std::vector<std::string> m_lines;
};

// Holds the scripted system so that it exists before the forwarding base refers to it.
struct ScriptedSystemHolder {
    ScriptedSystem m_scripted;
};

class RecordingSystem : private ScriptedSystemHolder, public ForwardingInstallSystem {
public:
    explicit RecordingSystem(InstallSystem* inner = nullptr)
        : ForwardingInstallSystem(inner ? *inner : m_scripted) {}

    // Scripted mode: the entries a search on pattern returns; a pattern without a
    // listing cannot be searched, as a missing folder.
    void SetListing(const std::string& pattern, std::vector<DirectoryEntry> entries) {
        m_scripted.SetListing(pattern, std::move(entries));
    }
    // The search on pattern fails after delivering this many entries; with 0 the
    // folder exists but cannot be listed at all, as with access denied.
    void FailListingAfter(const std::string& pattern, std::size_t delivered);
    // Every listed entry of this name reports this attribute word.
    void SetAttributes(const std::string& name, std::uint32_t attributes);
    // The copies given fail with kScriptedCopyError.
    static constexpr long kScriptedCopyError = 31;  // ERROR_GEN_FAILURE
    void FailCopyTo(const std::string& destination);
    void FailCopy(const std::string& source, const std::string& destination);
    void FailToolStarts() { m_failStarts = true; }
    // The hold of this folder, or of this installed file, is refused, as for a link
    // or a file whose bytes are not the package's.
    void RefuseFolder(const std::string& folder) { m_refusedHolds.insert(folder); }
    void RefuseCopy(const std::string& installed) { m_refusedHolds.insert(installed); }
    // Scripted mode: how the tool started with these parameters ends: its exit code,
    // or nothing for a tool still running at the bound. Unset, it exits with 0.
    void SetToolOutcome(const std::string& parameters, std::optional<std::uint32_t> exitCode) {
        m_scripted.SetToolOutcome(parameters, exitCode);
    }
    // Scripted mode: a destination that exists before the run.
    void SetInstalled(const std::string& destination) { m_scripted.SetInstalled(destination); }
    void SetHeld(const std::string& destination) { m_scripted.SetHeld(destination); }
    void SetLoaded(const std::string& destination) { m_scripted.SetLoaded(destination); }
    // The commit's step on this destination fails with kScriptedCopyError, once:
    // setting it aside, or putting a file in its place.
    void FailSetAside(const std::string& destination) { m_failedAsides.insert(destination); }
    void FailPutInPlace(const std::string& destination) { m_failedPuts.insert(destination); }
    // Leaving a file to replace this destination at the next restart fails.
    void FailAtRestart(const std::string& destination) { m_failedRestarts.insert(destination); }
    // How securing this folder ends, and what the check of its files finds,
    // instead of the inner system's answer.
    void SetSecuring(const std::string& folder, tw::FolderSecuring securing) {
        m_securings[folder] = securing;
    }
    void SetUntrusted(const std::string& folder, tw::UntrustedFiles found) {
        m_untrusted[folder] = std::move(found);
    }
    // The longest wait passed on to the inner system, whatever the engine gives.
    void SetToolBound(std::chrono::milliseconds bound) { m_toolBound = bound; }

    // The calls so far, one line each:
    //   "mkdir P", "find P", "next", "sleep", "copy S > D", "start T | P | D",
    //   "wait for one of N tools, B ms" (B: the time the engine gave the wait),
    //   "wait N tools, B ms" (the same, while waiting for the end of every tool),
    //   "hold folder P", "hold I = O" (a copy I checked against O),
    //   "secure folder P", "check files in P",
    //   "aside D" (set aside as A), "put F > D", "restart F > D" (put in place at
    //   the next restart), "discard F", "rmdir P": the commit;
    //   "runonce T | P": a registration at the next restart.
    const std::vector<std::string>& Calls() const { return m_calls; }
    // The same without the "next", "hold", "secure" and "check" lines, and without
    // the commit's: the work itself.
    std::vector<std::string> Work() const;
    // The commit's lines alone.
    std::vector<std::string> Commit() const;
    // What hears the engine's events when the engine runs on this system; the
    // final wait shows in the calls' "wait" lines.
    RecordedEvents& Events() { return m_events; }
    const std::vector<std::string>& Heard() const { return m_events.Lines(); }

    std::unique_ptr<Hold> HoldFolder(const char* folder) override;
    std::unique_ptr<Hold> HoldCopy(const char* installed, const char* original) override;
    bool CreateFolder(const char* path) override;
    SearchStart FindFirst(const char* pattern, DirectoryEntry& first) override;
    void SleepOneMillisecond() override;
    tw::CopyOutcome CopyFileTo(const char* source, const char* destination) override;
    long SetAside(const char* destination, std::string& aside) override;
    long PutInPlace(const char* file, const char* destination) override;
    void DiscardFile(const char* path) override;
    long PutInPlaceAtRestart(const char* file, const char* destination) override;
    bool DiscardSetAside(const char* path) override;
    void RemoveFolder(const char* folder) override;
    std::unique_ptr<StartedTool> StartRegistration(const RegistrationRequest& request) override;
    bool RegisterAtRestart(const RegistrationRequest& request) override;
    void WaitForAnyTool(const std::vector<StartedTool*>& running,
                        std::chrono::milliseconds timeout) override;
    tw::FolderSecuring SecureFolder(const char* folder) override;
    tw::UntrustedFiles FindUntrustedFiles(const char* folder) override;

private:
    friend class RecordedSearch;
    void Adjust(DirectoryEntry& entry) const;

    std::map<std::string, std::size_t> m_listingLimits;
    std::map<std::string, std::uint32_t> m_attributes;
    std::set<std::string> m_failedDestinations;
    std::set<std::pair<std::string, std::string>> m_failedCopies;
    std::set<std::string> m_failedAsides;
    std::set<std::string> m_failedPuts;
    std::set<std::string> m_failedRestarts;
    bool m_failStarts = false;
    std::set<std::string> m_refusedHolds;
    std::optional<std::chrono::milliseconds> m_toolBound;
    bool m_finalWait = false;
    std::map<std::string, tw::FolderSecuring> m_securings;
    std::map<std::string, tw::UntrustedFiles> m_untrusted;
    std::vector<std::string> m_calls;
    RecordedEvents m_events{m_finalWait};
};

// The engine on a recording system, which hears its events too.
inline InstallSummary InstallDriverFiles(CString sourceRoot, CString appDir,
                                         RecordingSystem& system) {
    return ::InstallDriverFiles(sourceRoot, appDir, system, system.Events());
}

// The engine on any other system, with nobody watching.
inline InstallSummary InstallDriverFiles(CString sourceRoot, CString appDir,
                                         InstallSystem& system) {
    tw::InstallEvents unwatched;
    return ::InstallDriverFiles(sourceRoot, appDir, system, unwatched);
}

// Entries for scripted listings.
DirectoryEntry FileEntry(const std::string& name, std::uint32_t attributes = 0x20);
DirectoryEntry FolderEntry(const std::string& name, std::uint32_t attributes = 0x10);
