// A removal store for tests: the list's bytes and the entry in memory, each
// step recorded, each step able to fail.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "framework/FileException.h"
#include "uninstall/removal_store.h"

class FakeStore : public tw::RemovalStore {
public:
    std::optional<std::string> list;  // nothing: no list
    std::optional<tw::UninstallEntry> entry;
    std::optional<std::string> journal;  // nothing: no journal
    bool copied = false;
    bool copyRunning = true;  // the removal runs from the copy
    bool copyRemovedAtRestart = false;
    bool unreadable = false;
    // Steps that fail: "write list", "copy", "write entry", "remove entry",
    // "remove list", "remove copy", "read journal", "write journal", "remove journal".
    std::set<std::string> failing;
    // Steps that throw the file layer's exception (access denied), these and
    // "read list".
    std::set<std::string> throwing;
    std::vector<std::string> steps;
    std::vector<std::string> journalSteps;

    std::string ListPath() const override { return "P:\\Tw\\installed-files.lst"; }
    std::string CopyPath() const override { return "P:\\Tw\\Tarnwhistle.exe"; }
    std::string EntryName() const override { return "HKLM\\...\\Uninstall\\Tarnwhistle"; }
    std::string JournalPath() const override { return "P:\\Tw\\commit.jnl"; }

    tw::ListReading ReadList(std::string& bytes) override {
        if (!Step("read list")) return tw::ListReading::failed;
        if (unreadable) return tw::ListReading::failed;
        if (!list) return tw::ListReading::absent;
        bytes = *list;
        return tw::ListReading::read;
    }
    bool WriteList(std::string_view bytes) override {
        if (!Step("write list")) return false;
        list = std::string(bytes);
        return true;
    }
    bool CopyInstaller() override { return Step("copy") && (copied = true); }
    bool WriteEntry(const tw::UninstallEntry& values) override {
        if (!Step("write entry")) return false;
        entry = values;
        return true;
    }
    bool RemoveEntry() override {
        if (!Step("remove entry")) return false;
        entry.reset();
        return true;
    }
    bool RemoveList() override {
        if (!Step("remove list")) return false;
        list.reset();
        return true;
    }
    tw::CopyRemoval RemoveCopyAtRestart() override {
        if (!Step("remove copy")) return {tw::CopyRemoval::failed, {}};
        if (!copyRunning) return {tw::CopyRemoval::removed, {}};
        copyRemovedAtRestart = true;
        return {tw::CopyRemoval::atRestart, "P:\\Tw\\Tarnwhistle.1F2E3D4C.del"};
    }

    tw::ListReading ReadJournal(std::string& bytes) override {
        if (!JournalStep("read journal")) return tw::ListReading::failed;
        if (!journal) return tw::ListReading::absent;
        bytes = *journal;
        return tw::ListReading::read;
    }
    bool WriteJournal(std::string_view bytes) override {
        if (!JournalStep("write journal")) return false;
        journal = std::string(bytes);
        return true;
    }
    bool RemoveJournal() override {
        if (!JournalStep("remove journal")) return false;
        journal.reset();
        return true;
    }

private:
    // The journal's steps apart, so that the list's and the entry's read as before.
    bool JournalStep(const std::string& step) {
        journalSteps.push_back(step);
        return !failing.count(step);
    }
    bool Step(const std::string& step) {
        steps.push_back(step);
        if (throwing.count(step)) CFileException::ThrowOsError(5);
        return !failing.count(step);
    }
};
