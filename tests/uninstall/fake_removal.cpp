#include "tests/uninstall/fake_removal.h"

#include <algorithm>

#include "common/path_rules.h"

namespace {

class FakeHeldFolder : public HeldFolder {
public:
    FakeHeldFolder(FakeRemovalSystem& system, std::string path)
        : m_system(system), m_path(std::move(path)) {}
    ~FakeHeldFolder() override { m_system.calls.push_back("close " + m_path); }
    std::string Path() const override {
        auto own = m_system.heldPaths.find(m_path);
        return own == m_system.heldPaths.end() ? std::string() : own->second;
    }
    std::optional<tw::FolderIdentity> Identity() const override {
        auto known = m_system.identities.find(m_path);
        if (known == m_system.identities.end()) return std::nullopt;
        return known->second;
    }

private:
    FakeRemovalSystem& m_system;
    std::string m_path;
};

class FakeHeldFile : public HeldFile {
public:
    FakeHeldFile(FakeRemovalSystem& system, std::string path)
        : m_system(system), m_path(std::move(path)) {
        m_system.held.insert(m_path);
    }
    ~FakeHeldFile() override {
        m_system.held.erase(m_path);
        m_system.calls.push_back("release " + m_path);
    }

    bool Read(unsigned char* buffer, std::size_t size, std::size_t& got) override {
        if (m_system.unreadable.count(m_path)) return false;
        const std::string& bytes = m_system.files.at(m_path);
        got = std::min(size, bytes.size() - m_at);
        std::copy_n(bytes.data() + m_at, got, buffer);
        m_at += got;
        return true;
    }

    bool Delete() override {
        m_system.calls.push_back("delete " + m_path);
        if (m_system.undeletable.count(m_path)) return false;
        m_system.files.erase(m_path);
        return true;
    }

private:
    FakeRemovalSystem& m_system;
    std::string m_path;
    std::size_t m_at = 0;
};

class FakeStartedTool : public StartedTool {
public:
    explicit FakeStartedTool(std::string given) : parameters(std::move(given)) {}
    std::string parameters;
};

}  // namespace

FolderOpening FakeRemovalSystem::OpenFolder(const char* folder, std::unique_ptr<HeldFolder>& out) {
    calls.push_back("open " + std::string(folder));
    auto known = folders.find(folder);
    FolderOpening opening = known == folders.end() ? FolderOpening::held : known->second;
    if (opening == FolderOpening::held) out = std::make_unique<FakeHeldFolder>(*this, folder);
    return opening;
}

FileOpening FakeRemovalSystem::HoldFile(const char* path, std::unique_ptr<HeldFile>& out) {
    calls.push_back("hold " + std::string(path));
    if (!files.count(path)) return FileOpening::missing;
    if (unholdable.count(path)) return FileOpening::failed;
    out = std::make_unique<FakeHeldFile>(*this, path);
    return FileOpening::held;
}

bool FakeRemovalSystem::RemoveEmptyFolder(const char* folder) {
    calls.push_back("rmdir " + std::string(folder));
    for (const auto& [path, bytes] : files)
        if (tw::FolderPart(path) == folder) return false;
    return true;
}

std::unique_ptr<StartedTool> FakeTools::StartRegistration(const RegistrationRequest& request) {
    std::string parameters = request.parameters;
    std::string dll = parameters.substr(parameters.rfind("/s ") + 3);
    if (!dll.empty() && dll.front() == '"') dll = dll.substr(1, dll.size() - 2);
    std::string line =
        "start " + std::string(request.toolPath) + " | " + parameters + " | " + request.directory;
    if (!m_files.held.count(request.toolPath) || !m_files.held.count(dll)) line += " UNHELD";
    m_files.calls.push_back(line);
    if (unstartable.count(parameters)) return nullptr;
    return std::make_unique<FakeStartedTool>(parameters);
}

void FakeTools::WaitForAnyTool(const std::vector<StartedTool*>& running,
                               std::chrono::milliseconds timeout) {
    m_files.calls.push_back((m_finalWait ? "wait " : "wait for one of ") +
                            std::to_string(running.size()) + " tools, " +
                            std::to_string(timeout.count()) + " ms");
    if (!m_finalWait) return;
    for (StartedTool* tool : running) {
        auto* started = static_cast<FakeStartedTool*>(tool);
        auto outcome = outcomes.find(started->parameters);
        tool->exitCode =
            outcome == outcomes.end() ? std::optional<std::uint32_t>(0) : outcome->second;
    }
}

std::unique_ptr<Hold> FakeTools::HoldFolder(const char* folder) {
    m_files.calls.push_back("install system's hold of folder " + std::string(folder));
    return nullptr;
}

std::unique_ptr<Hold> FakeTools::HoldCopy(const char* installed, const char* original) {
    m_files.calls.push_back("install system's hold of " + std::string(installed) + " as " +
                            original);
    return nullptr;
}

tw::Sha256Digest DigestOf(const std::string& bytes) {
    tw::Sha256 hash;
    hash.Update(bytes.data(), bytes.size());
    return hash.Finish().value();
}
