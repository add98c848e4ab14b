#include "tests/install/recording_system.h"

#include <algorithm>
#include <utility>

DirectoryEntry FileEntry(const std::string& name, std::uint32_t attributes) {
    return {attributes, name};
}

DirectoryEntry FolderEntry(const std::string& name, std::uint32_t attributes) {
    return {attributes, name};
}

// A search over a scripted listing or over the inner system's search, cut short
// where a listing error is injected.
class RecordedSearch : public FileSearch {
public:
    RecordedSearch(RecordingSystem& owner, std::unique_ptr<FileSearch> inner,
                   std::vector<DirectoryEntry> scripted, std::size_t limit)
        : m_owner(owner),
          m_inner(std::move(inner)),
          m_scripted(std::move(scripted)),
          m_limit(limit) {}

    bool First(DirectoryEntry& entry) {
        return Deliver(entry, [&] { return true; });
    }

    bool FindNext(DirectoryEntry& entry) override {
        m_owner.m_calls.push_back("next");
        if (m_delivered >= m_limit) {
            m_failed = true;  // the injected listing error
            return false;
        }
        return Deliver(entry, [&] { return m_inner->FindNext(entry); });
    }
    bool Failed() const override { return m_failed || (m_inner && m_inner->Failed()); }

private:
    template <typename Advance>
    bool Deliver(DirectoryEntry& entry, Advance advance) {
        if (m_delivered >= m_limit) return false;
        if (m_inner) {
            if (!advance()) return false;
        } else {
            if (m_delivered >= m_scripted.size()) return false;
            entry = m_scripted[m_delivered];
        }
        ++m_delivered;
        m_owner.Adjust(entry);
        return true;
    }

    RecordingSystem& m_owner;
    std::unique_ptr<FileSearch> m_inner;
    std::vector<DirectoryEntry> m_scripted;
    std::size_t m_limit;
    std::size_t m_delivered = 0;
    bool m_failed = false;
};

void RecordingSystem::SetListing(const std::string& pattern, std::vector<DirectoryEntry> entries) {
    m_listings[pattern] = std::move(entries);
}

void RecordingSystem::FailListingAfter(const std::string& pattern, std::size_t delivered) {
    m_listingLimits[pattern] = delivered;
}

void RecordingSystem::SetToolOutcome(const std::string& parameters,
                                     std::optional<std::uint32_t> exitCode) {
    m_toolOutcomes[parameters] = exitCode;
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

std::vector<std::string> RecordingSystem::Work() const {
    std::vector<std::string> work;
    std::copy_if(m_calls.begin(), m_calls.end(), std::back_inserter(work),
                 [](const std::string& call) { return call != "next"; });
    return work;
}

void RecordingSystem::Adjust(DirectoryEntry& entry) const {
    auto it = m_attributes.find(entry.cFileName);
    if (it != m_attributes.end()) entry.dwFileAttributes = it->second;
}

bool RecordingSystem::CreateFolder(const char* path) {
    m_calls.push_back(std::string("mkdir ") + path);
    return m_inner ? m_inner->CreateFolder(path) : true;
}

SearchStart RecordingSystem::FindFirst(const char* pattern, DirectoryEntry& first) {
    m_calls.push_back(std::string("find ") + pattern);
    auto limit = m_listingLimits.find(pattern);
    std::size_t delivered = limit == m_listingLimits.end() ? SIZE_MAX : limit->second;

    std::unique_ptr<RecordedSearch> search;
    if (m_inner) {
        SearchStart inner = m_inner->FindFirst(pattern, first);
        if (!inner.search) return inner;
        search = std::make_unique<RecordedSearch>(*this, std::move(inner.search),
                                                  std::vector<DirectoryEntry>{}, delivered);
    } else {
        auto listing = m_listings.find(pattern);
        if (listing == m_listings.end()) return {nullptr, delivered == 0};
        search = std::make_unique<RecordedSearch>(*this, nullptr, listing->second, delivered);
    }
    if (!search->First(first)) return {nullptr, delivered == 0};
    return {std::move(search)};
}

void RecordingSystem::SleepOneMillisecond() {
    m_calls.push_back("sleep");
    if (m_inner) m_inner->SleepOneMillisecond();
}

tw::CopyOutcome RecordingSystem::CopyFileTo(const char* source, const char* destination) {
    m_calls.push_back(std::string("copy ") + source + " > " + destination);
    if (m_failedDestinations.count(destination) || m_failedCopies.count({source, destination}))
        return {kScriptedCopyError};
    return m_inner ? m_inner->CopyFileTo(source, destination) : tw::CopyOutcome{};
}

namespace {

// A tool of scripted mode: it ends as planned once waited for.
class ScriptedTool : public StartedTool {
public:
    explicit ScriptedTool(std::optional<std::uint32_t> planned) : m_planned(planned) {}
    void End() { exitCode = m_planned; }

private:
    std::optional<std::uint32_t> m_planned;
};

}  // namespace

std::unique_ptr<StartedTool> RecordingSystem::StartRegistration(
    const RegistrationRequest& request) {
    m_calls.push_back(std::string("start ") + request.toolPath + " | " + request.parameters +
                      " | " + request.directory);
    if (m_failStarts) return nullptr;
    if (m_inner) return m_inner->StartRegistration(request);
    auto outcome = m_toolOutcomes.find(request.parameters);
    return std::make_unique<ScriptedTool>(
        outcome == m_toolOutcomes.end() ? std::optional<std::uint32_t>(0) : outcome->second);
}

void RecordingSystem::WaitForTools(const std::vector<StartedTool*>& tools,
                                   std::chrono::milliseconds bound) {
    m_calls.push_back("wait " + std::to_string(tools.size()) + " tools, " +
                      std::to_string(bound.count()) + " ms");
    if (m_inner) return m_inner->WaitForTools(tools, m_toolBound.value_or(bound));
    for (StartedTool* tool : tools) static_cast<ScriptedTool*>(tool)->End();
}
