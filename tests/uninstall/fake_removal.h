// A removal system and a registration tool for tests: files and folders in
// memory, every call recorded in one list in order, faults injected by path.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/win32_error_codes.h"
#include "install/install_system.h"
#include "install/progress_observer.h"
#include "uninstall/removal_events.h"
#include "uninstall/removal_system.h"
#include "common/sha256.h"

class FakeRemovalSystem : public RemovalSystem {
public:
    // path -> bytes. A folder counts as empty when no file lies directly in it.
    std::map<std::string, std::string> files;
    // How opening a folder (ending in "\") ends; held when not given.
    std::map<std::string, FolderOpening> folders;
    // The path a held folder reports as its own, when the system gives one.
    std::map<std::string, std::string> heldPaths;
    std::set<std::string> unholdable;  // held elsewhere without sharing
    std::set<std::string> unreadable;  // a read fails
    std::set<std::string> undeletable;
    // What a held folder is, by the path it was opened by; none when not given.
    std::map<std::string, tw::FolderIdentity> identities;
    std::set<std::string> unlocked;  // folders others may change
    // The files no administrator owns, by folder.
    std::map<std::string, tw::UntrustedFiles> untrusted;

    // "open F", "close F", "hold P", "release P", "delete P", "rmdir F", and the
    // tool's "start ..." and "wait ..." lines.
    std::vector<std::string> calls;
    std::set<std::string> held;  // files held now

    FolderOpening OpenFolder(const char* folder, std::unique_ptr<HeldFolder>& held) override;
    FileOpening HoldFile(const char* path, std::unique_ptr<HeldFile>& held) override;
    bool RemoveEmptyFolder(const char* folder) override;
    bool IsLocked(const char* folder) override { return !unlocked.count(folder); }
    tw::UntrustedFiles FindUntrustedFiles(const char* folder) override {
        auto found = untrusted.find(folder);
        return found == untrusted.end() ? tw::UntrustedFiles{} : found->second;
    }
};

// The registration tool: each start recorded as
//   "start <tool> | <parameters> | <directory>"
// followed by " UNHELD" when the tool or the DLL (the last word of the
// parameters, without quotes) was not held at that moment. While a start waits
// for a free place no tool ends; in the wait for the end each exits with the code
// given for its parameters (0 when none, nothing: still running). The clock
// stands still. It hears the removal's events, for the final wait, and passes the
// removal's steps on to shown.
class FakeTools : public InstallSystem, public tw::RemovalEvents {
public:
    explicit FakeTools(FakeRemovalSystem& files) : m_files(files) {}
    std::map<std::string, std::optional<std::uint32_t>> outcomes;
    std::set<std::string> unstartable;  // parameters whose start fails
    tw::RemovalEvents* shown = nullptr;

    // The removal holds through its own system; a call here shows up in calls.
    std::unique_ptr<Hold> HoldFolder(const char* folder) override;
    std::unique_ptr<Hold> HoldCopy(const char* installed, const char* original) override;
    bool CreateFolder(const char*) override { return false; }
    SearchStart FindFirst(const char*, DirectoryEntry&) override { return {}; }
    void SleepOneMillisecond() override {}
    tw::CopyOutcome CopyFileTo(const char*, const char*) override {
        return {tw::kErrorAccessDenied, std::nullopt, {}};
    }
    long SetAside(const char*, std::string&) override { return tw::kErrorAccessDenied; }
    long PutInPlace(const char*, const char*) override { return tw::kErrorAccessDenied; }
    void DiscardFile(const char*) override {}
    void RemoveFolder(const char*) override {}
    std::unique_ptr<StartedTool> StartRegistration(const RegistrationRequest& request) override;
    // "wait for one of N tools, B ms", or "wait N tools, B ms" in the wait for the end.
    void WaitForAnyTool(const std::vector<StartedTool*>& running,
                        std::chrono::milliseconds timeout) override;
    std::chrono::milliseconds Now() override { return {}; }
    void FinalWait(bool begins) override { m_finalWait = begins; }
    void Unregistering(const std::string& dll) override {
        if (shown) shown->Unregistering(dll);
    }
    void Deleting(const std::string& file) override {
        if (shown) shown->Deleting(file);
    }
    // The removal locks no folder and checks no owner: every folder is locked already.
    tw::FolderSecuring SecureFolder(const char*) override { return {}; }
    tw::UntrustedFiles FindUntrustedFiles(const char*) override { return {}; }

private:
    FakeRemovalSystem& m_files;
    bool m_finalWait = false;
};

tw::Sha256Digest DigestOf(const std::string& bytes);

// Writes its opening, each step shown ("deleting C:\V\a.txt at 250") and its
// closing to events.
class RecordingProgress : public tw::ProgressObserver {
public:
    explicit RecordingProgress(std::vector<std::string>& events) : m_events(events) {
        m_events.push_back("progress opened");
    }
    ~RecordingProgress() override { m_events.push_back("progress closed"); }
    RecordingProgress(const RecordingProgress&) = delete;
    RecordingProgress& operator=(const RecordingProgress&) = delete;

    void Show(tw::ProgressStep step, const std::string& file, int position) override {
        const char* name = step == tw::ProgressStep::deleting        ? "deleting "
                           : step == tw::ProgressStep::unregistering ? "unregistering "
                                                                     : "installing ";
        m_events.push_back(name + file + " at " + std::to_string(position));
    }

private:
    std::vector<std::string>& m_events;
};
