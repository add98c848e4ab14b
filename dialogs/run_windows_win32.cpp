#include "dialogs/run_windows_win32.h"

#include "app/platform_run_windows.h"

#include <memory>
#include <string>
#include <vector>

#include "dialogs/AppDirDialog.h"
#include "dialogs/installation_progress.h"
#include "framework/AppTitle.h"
#include "framework/ExceptionReport.h"
#include "framework/WideText.h"

namespace {

void UseCursor(const char* cursor) { ::SetCursor(::LoadCursorA(nullptr, cursor)); }

// The program's words in code page 936, the files' names in the ANSI code page.
std::wstring WideText(const std::vector<tw::TextPart>& parts) {
    std::wstring text;
    for (const tw::TextPart& part : parts)
        text += part.fileNames ? WideFromAnsi(part.bytes) : WideFromProgramText(part.bytes);
    return text;
}

int ShowBox(const tw::CompletionMessage& message) {
    UseCursor(IDC_ARROW);
    return ShowMessageBox(nullptr, WideText(message.parts), WideFromProgramText(message.caption),
                          message.style);
}

}  // namespace

tw::DialogResult Win32RunWindows::AskDirectory(const std::string& preset,
                                               const tw::DirectoryPlatform& platform,
                                               tw::InstallLog& log) {
    CAppDirDialog dialog(platform, log);
    dialog.m_strAppDir = preset.c_str();
    INT_PTR result = dialog.DoModal();
    if (result == IDOK) return {tw::DialogResult::confirmed, dialog.m_strFullAppDir.GetString()};
    return {result == IDCANCEL ? tw::DialogResult::cancelled : tw::DialogResult::notShown, {}};
}

bool Win32RunWindows::Ask(const tw::CompletionMessage& question) {
    bool yes = ShowBox(question) == IDYES;
    UseCursor(IDC_WAIT);
    return yes;
}

void Win32RunWindows::Show(const tw::CompletionMessage& message) { ShowBox(message); }

std::unique_ptr<tw::ProgressObserver> Win32RunWindows::ShowProgress(const char* caption) {
    return std::make_unique<InstallationProgress>(caption);
}

void Win32RunWindows::ReportStop() {
    UseCursor(IDC_ARROW);
    ReportCurrentException(nullptr, AfxGetAppName());
}

tw::RunWindows& PlatformRunWindows() {
    static Win32RunWindows windows;
    return windows;
}
