// What a run shows or asks, as a test scripts it: each box, the dialog, the
// progress and the report of a stop is a line of the journal, in order.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/dialog_ok.h"
#include "app/run_system.h"
#include "appdir/accept_directory.h"
#include "framework/FileException.h"

class FakeRunWindows : public tw::RunWindows {
public:
    // The texts typed at each 确定 of the dialog in turn, until one is accepted;
    // when none is, the user cancels.
    std::vector<std::string> okTexts;
    bool dialogShown = true;  // false: the dialog cannot be shown
    bool answer = true;       // to every question
    std::function<void()> whileAsked;
    // Opens what shows the work (none: nothing shown).
    std::function<std::unique_ptr<tw::ProgressObserver>()> progress;

    std::vector<std::string> journal;
    std::string preset;                 // what the dialog showed at first
    std::vector<std::string> captions;  // of each progress opened ("" for the installation's)

    tw::DialogResult AskDirectory(const std::string& shown, const tw::DirectoryPlatform& platform,
                                  tw::InstallLog& log) override {
        journal.push_back("dialog");
        preset = shown;
        if (!dialogShown) return {tw::DialogResult::notShown, {}};
        for (const std::string& text : okTexts) {
            std::optional<tw::AppDirCheck> check = PressOk(text, platform, log);
            if (check && check->Accepted()) return {tw::DialogResult::confirmed, check->fullPath};
        }
        return {tw::DialogResult::cancelled, {}};
    }
    bool Ask(const tw::CompletionMessage& question) override {
        Box(question);
        if (whileAsked) whileAsked();
        return answer;
    }
    void Show(const tw::CompletionMessage& message) override { Box(message); }
    std::unique_ptr<tw::ProgressObserver> ShowProgress(const char* caption) override {
        captions.push_back(caption ? caption : "");
        return progress ? progress() : nullptr;
    }
    void ReportStop() override {
        journal.push_back(std::current_exception() ? "report while handled" : "report");
    }

    // The dialog's OK: the dialog's own step with the run's log; a record that
    // cannot be written leaves the dialog open, as the framework's guard does.
    static std::optional<tw::AppDirCheck> PressOk(const std::string& text,
                                                  const tw::DirectoryPlatform& platform,
                                                  tw::InstallLog& log) {
        try {
            return tw::AcceptFromDialog(text, platform, log, nullptr);
        } catch (const CFileException&) {
            return std::nullopt;
        }
    }

    // The boxes of the journal: caption, style and text of each.
    std::vector<std::string> Boxes() const {
        std::vector<std::string> boxes;
        for (const std::string& line : journal)
            if (line.find(": ") != std::string::npos) boxes.push_back(line);
        return boxes;
    }

private:
    void Box(const tw::CompletionMessage& m) {
        journal.push_back(std::string(m.caption) + " " + std::to_string(m.style) + ": " + m.text);
    }
};
