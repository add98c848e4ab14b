#include "install/tool_pool.h"

#include <utility>

namespace tw {

bool ToolPool::Start(std::size_t record, const char* directory, std::unique_ptr<Hold> held) {
    if (Running().size() >= kMaxRunningTools && !WaitForAny()) return false;
    const Registration& tool = m_records[record];
    const RegistrationRequest request{tool.toolPath.c_str(), tool.parameters.c_str(), directory};
    m_events.RegistrationStarts(request);
    std::unique_ptr<StartedTool> started = m_system.StartRegistration(request);
    if (!started) return false;
    m_deadline = m_system.Now() + kToolBound;
    m_started.push_back({record, std::move(started), std::move(held)});
    return true;
}

void ToolPool::WaitForAll() {
    if (m_started.empty()) return;
    m_events.FinalWait(true);
    while (WaitForAny()) {
    }
    m_events.FinalWait(false);
    for (const Started& started : m_started) {
        Registration& record = m_records[started.record];
        record.outcome = started.tool->exitCode ? RegistrationOutcome::exited
                                                : RegistrationOutcome::stillRunning;
        record.exitCode = started.tool->exitCode.value_or(0);
        m_events.RegistrationEnded(record);
    }
}

std::vector<std::unique_ptr<Hold>> ToolPool::TakeHolds() {
    std::vector<std::unique_ptr<Hold>> holds;
    for (Started& started : m_started)
        if (started.held) holds.push_back(std::move(started.held));
    return holds;
}

std::vector<StartedTool*> ToolPool::Running() const {
    std::vector<StartedTool*> running;
    for (const Started& started : m_started)
        if (!started.tool->exitCode) running.push_back(started.tool.get());
    return running;
}

// A wait that ends with no tool ended has reached the deadline (or failed), so
// that neither a free place nor the end comes by waiting longer.
bool ToolPool::WaitForAny() {
    const std::vector<StartedTool*> running = Running();
    if (running.empty()) return false;
    const std::chrono::milliseconds now = m_system.Now();
    m_system.WaitForAnyTool(running,
                            now < m_deadline ? m_deadline - now : std::chrono::milliseconds(0));
    return Running().size() < running.size();
}

}  // namespace tw
