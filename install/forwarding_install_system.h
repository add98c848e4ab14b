// An installation system that passes every call on to another one. A system that
// changes a few calls (the commit's journal, the tests' recording and faults)
// derives from it and overrides only those, so that a call added to InstallSystem
// reaches the inner system without further work.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "install/install_system.h"

class ForwardingInstallSystem : public InstallSystem {
public:
    explicit ForwardingInstallSystem(InstallSystem& inner) : m_inner(inner) {}

    std::unique_ptr<Hold> HoldFolder(const char* folder) override {
        return m_inner.HoldFolder(folder);
    }
    std::unique_ptr<Hold> HoldCopy(const char* installed, const char* original) override {
        return m_inner.HoldCopy(installed, original);
    }
    bool CreateFolder(const char* path) override { return m_inner.CreateFolder(path); }
    SearchStart FindFirst(const char* pattern, DirectoryEntry& first) override {
        return m_inner.FindFirst(pattern, first);
    }
    void SleepOneMillisecond() override { m_inner.SleepOneMillisecond(); }
    tw::CopyOutcome CopyFileTo(const char* source, const char* destination) override {
        return m_inner.CopyFileTo(source, destination);
    }
    std::optional<std::string> BeginCommit(const tw::CommitJournal& journal) override {
        return m_inner.BeginCommit(journal);
    }
    long SetAside(const char* destination, std::string& aside) override {
        return m_inner.SetAside(destination, aside);
    }
    long PutInPlace(const char* file, const char* destination) override {
        return m_inner.PutInPlace(file, destination);
    }
    void DiscardFile(const char* path) override { m_inner.DiscardFile(path); }
    long PutInPlaceAtRestart(const char* file, const char* destination) override {
        return m_inner.PutInPlaceAtRestart(file, destination);
    }
    bool DiscardSetAside(const char* path) override { return m_inner.DiscardSetAside(path); }
    void RemoveFolder(const char* folder) override { m_inner.RemoveFolder(folder); }
    std::unique_ptr<StartedTool> StartRegistration(const RegistrationRequest& request) override {
        return m_inner.StartRegistration(request);
    }
    bool RegisterAtRestart(const RegistrationRequest& request) override {
        return m_inner.RegisterAtRestart(request);
    }
    void WaitForAnyTool(const std::vector<StartedTool*>& running,
                        std::chrono::milliseconds timeout) override {
        m_inner.WaitForAnyTool(running, timeout);
    }
    std::chrono::milliseconds Now() override { return m_inner.Now(); }
    tw::FolderSecuring SecureFolder(const char* folder) override {
        return m_inner.SecureFolder(folder);
    }
    tw::UntrustedFiles FindUntrustedFiles(const char* folder) override {
        return m_inner.FindUntrustedFiles(folder);
    }

protected:
    InstallSystem& Inner() const { return m_inner; }

private:
    InstallSystem& m_inner;
};
