// What a run tells those who show or record its work, step by step as the work
// goes on: the log, the progress window and the list of installed files each
// hear the same calls. Every call does nothing unless overridden; nothing that
// listens can change the run.
#pragma once

#include "install/copy_outcome.h"
#include "install/folder_securing.h"
#include "install/install_summary.h"
#include "install/install_system.h"

namespace tw {

// The registration tools' steps, the installation's and the removal's alike.
class ToolEvents {
public:
    virtual ~ToolEvents() = default;
    // Just before the tool is started, whether or not it starts.
    virtual void RegistrationStarts(const RegistrationRequest& /*request*/) {}
    // A started tool has ended or been left running: its record is final.
    virtual void RegistrationEnded(const Registration& /*record*/) {}
    // The wait for the end of every tool begins, and is over.
    virtual void FinalWait(bool /*begins*/) {}
};

class InstallEvents : public ToolEvents {
public:
    // A destination folder that cannot be held: nothing is copied into it.
    virtual void FolderNotHeld(const char* /*folder*/) {}
    // A held destination folder locked to administrators, or left as it was.
    virtual void FolderSecured(const char* /*folder*/, const FolderSecuring& /*securing*/) {}
    // The check of the files in a secured folder, before the first registration.
    virtual void FilesChecked(const char* /*folder*/, const UntrustedFiles& /*found*/) {}
    // A copy of source (a full path) begins, and is staged beside destination or
    // has failed with outcome.error.
    virtual void CopyBegins(const char* /*source*/) {}
    virtual void Staged(const char* /*source*/, const char* /*destination*/,
                        const CopyOutcome& /*outcome*/) {}
    // The commit's two steps on one destination, with their codes (0: done):
    // what it held set aside (kErrorFileNotFound: it held nothing), and the
    // staged file put in its place.
    virtual void SetAside(const char* /*destination*/, long /*code*/) {}
    virtual void Committed(const char* /*destination*/, long /*code*/) {}
    // The undo, in reverse, of one destination: its new file gone and, when the
    // commit had set its file aside, that file put back with code.
    virtual void RolledBack(const char* /*destination*/, long /*code*/) {}
    // A staged file that is put in place of destination only at the next restart.
    virtual void WaitsForRestart(const char* /*destination*/) {}
    // A file the commit set aside, still in use once the run is over: it is
    // deleted only at the next restart.
    virtual void SetAsideDeletedAtRestart(const char* /*path*/) {}
};

// Hands every call on to each of two or three listeners, in the order given.
class InstallEventsFanOut final : public InstallEvents {
public:
    InstallEventsFanOut(InstallEvents& first, InstallEvents& second, InstallEvents* third = nullptr)
        : m_to{&first, &second, third}, m_count(third ? 3 : 2) {}

    void RegistrationStarts(const RegistrationRequest& request) override {
        Tell(&ToolEvents::RegistrationStarts, request);
    }
    void RegistrationEnded(const Registration& record) override {
        Tell(&ToolEvents::RegistrationEnded, record);
    }
    void FinalWait(bool begins) override { Tell(&ToolEvents::FinalWait, begins); }
    void FolderNotHeld(const char* folder) override { Tell(&InstallEvents::FolderNotHeld, folder); }
    void FolderSecured(const char* folder, const FolderSecuring& securing) override {
        Tell(&InstallEvents::FolderSecured, folder, securing);
    }
    void FilesChecked(const char* folder, const UntrustedFiles& found) override {
        Tell(&InstallEvents::FilesChecked, folder, found);
    }
    void CopyBegins(const char* source) override { Tell(&InstallEvents::CopyBegins, source); }
    void Staged(const char* source, const char* destination, const CopyOutcome& outcome) override {
        Tell(&InstallEvents::Staged, source, destination, outcome);
    }
    void SetAside(const char* destination, long code) override {
        Tell(&InstallEvents::SetAside, destination, code);
    }
    void Committed(const char* destination, long code) override {
        Tell(&InstallEvents::Committed, destination, code);
    }
    void RolledBack(const char* destination, long code) override {
        Tell(&InstallEvents::RolledBack, destination, code);
    }
    void WaitsForRestart(const char* destination) override {
        Tell(&InstallEvents::WaitsForRestart, destination);
    }
    void SetAsideDeletedAtRestart(const char* path) override {
        Tell(&InstallEvents::SetAsideDeletedAtRestart, path);
    }

private:
    template <class Listener, class... Params, class... Args>
    void Tell(void (Listener::*call)(Params...), const Args&... args) {
        for (int i = 0; i < m_count; ++i) (m_to[i]->*call)(args...);
    }

    InstallEvents* m_to[3];
    int m_count;
};

}  // namespace tw
