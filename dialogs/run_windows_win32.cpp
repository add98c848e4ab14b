// The windows of a run on Win32: the application-directory dialog, message boxes
// with the program's texts, the progress window and the framework's report.
#include "app/run_system.h"

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

class Win32RunWindows : public tw::RunWindows {
public:
    tw::DialogResult AskDirectory(const std::string& preset, const tw::DirectoryPlatform& platform,
                                  tw::InstallLog& log) override {
        CAppDirDialog dialog(platform, log);
        dialog.m_strAppDir = preset.c_str();
        INT_PTR result = dialog.DoModal();
        if (result == IDOK)
            return {tw::DialogResult::confirmed, dialog.m_strFullAppDir.GetString()};
        return {result == IDCANCEL ? tw::DialogResult::cancelled : tw::DialogResult::notShown, {}};
    }
    bool Ask(const tw::CompletionMessage& question) override {
        bool yes = ShowBox(question) == IDYES;
        UseCursor(IDC_WAIT);
        return yes;
    }
    void Show(const tw::CompletionMessage& message) override { ShowBox(message); }
    // Nothing is shown before the work has gone on for a second.
    std::unique_ptr<tw::ProgressObserver> ShowProgress(const char* caption) override {
        return std::make_unique<InstallationProgress>(caption);
    }
    void ReportStop() override {
        UseCursor(IDC_ARROW);
        ReportCurrentException(nullptr, AfxGetAppName());
    }
};

}  // namespace

tw::RunWindows& PlatformRunWindows() {
    static Win32RunWindows windows;
    return windows;
}
