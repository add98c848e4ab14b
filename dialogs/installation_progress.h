// Win32 only: what an interactive installation shows while it goes on. Nothing
// at first: a run that ends within a second shows no window, as before. Once the
// installation has gone on for a second, the progress window opens with the
// step under way, and it closes when this object goes, before the final message.
// Between files the thread's messages are handled here, so that the window
// repaints and nothing that sends us a message waits.
#pragma once

#include <windows.h>

#include <string>

#include "dialogs/ProgressWindow.h"
#include "install/progress_observer.h"

class InstallationProgress : public tw::ProgressObserver {
public:
    // caption: the window's (code page 936); the installation's when null.
    explicit InstallationProgress(const char* caption = nullptr);
    ~InstallationProgress() override;
    InstallationProgress(const InstallationProgress&) = delete;
    InstallationProgress& operator=(const InstallationProgress&) = delete;

    void Show(tw::ProgressStep step, const std::string& file, int position) override;

private:
    // The thread's timer: messages of the wait for the tools reach it too.
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    void Open();
    void Update();

    const char* m_caption;
    CProgressWindow m_window;
    UINT_PTR m_timer = 0;
    tw::ProgressStep m_step = tw::ProgressStep::copying;
    std::string m_file;
    int m_position = 0;
};
