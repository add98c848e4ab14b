#include "dialogs/installation_progress.h"

#include "install/thread_messages.h"
#include "res/texts.h"

namespace {

// How long an installation runs before its window opens.
constexpr UINT kShowAfterMs = 1000;

// The one installation in progress, for the thread timer's call, which carries
// no window and no object.
InstallationProgress* g_current = nullptr;

// The line's text for each step, with "%1" for the file, in ProgressStep's order.
constexpr const char* kStepTexts[] = {TW_TEXT_COPYING, TW_TEXT_REGISTERING, TW_TEXT_UNREGISTERING,
                                      TW_TEXT_DELETING};
static_assert(static_cast<int>(tw::ProgressStep::deleting) == 3);

}  // namespace

InstallationProgress::InstallationProgress(const char* caption) : m_caption(caption) {
    g_current = this;
    m_timer = ::SetTimer(nullptr, 0, kShowAfterMs, &InstallationProgress::OnTimer);
}

InstallationProgress::~InstallationProgress() {
    if (m_timer) ::KillTimer(nullptr, m_timer);
    m_window.Close();
    g_current = nullptr;
}

void InstallationProgress::Show(tw::ProgressStep step, const std::string& file, int position) {
    m_step = step;
    m_file = file;
    m_position = position;
    // The timer's message comes through here when the second is over.
    HandleThreadMessages();
    Update();
}

void CALLBACK InstallationProgress::OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (g_current) g_current->Open();
}

void InstallationProgress::Open() {
    if (m_timer) ::KillTimer(nullptr, m_timer);
    m_timer = 0;
    if (!m_window.Open()) return;
    if (m_caption) m_window.SetCaption(m_caption);
    Update();
}

void InstallationProgress::Update() {
    if (!m_window.GetSafeHwnd()) return;
    m_window.SetStep(kStepTexts[static_cast<int>(m_step)], m_file);
    m_window.SetPosition(m_position, tw::kProgressRange);
}
