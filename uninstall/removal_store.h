// Where an installation leaves what its removal needs: the installed-files
// list, a copy of the installer and the uninstall entry that Apps & Features
// shows. Win32: a folder under Program Files and the registry's 32-bit view,
// both writable by administrators only; the host imitates them in a folder.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tw {

// The entry's values, texts in the ANSI code page except displayName, which is
// code page 936 whatever the system's.
struct UninstallEntry {
    std::string displayName;
    std::string displayVersion;
    std::string publisher;
    std::string displayIcon;
    std::string installLocation;
    std::uint32_t estimatedSizeKb = 0;
    std::uint32_t noModify = 1;
    std::uint32_t noRepair = 1;
    std::string uninstallString;
    std::string quietUninstallString;

    friend bool operator==(const UninstallEntry&, const UninstallEntry&) = default;
};

// The entry named displayName (the program's text) for a copy of the installer at
// copyPath, the latest application directory and the installed bytes in total
// (rounded up to whole KB).
UninstallEntry MakeUninstallEntry(std::string_view displayName, std::string_view copyPath,
                                  std::string_view appDir, std::uint64_t installedBytes);

enum class ListReading { absent, read, failed };

// What became of the copy of the installer.
struct CopyRemoval {
    enum Outcome {
        failed,     // it stays
        removed,    // it is gone
        atRestart,  // it was running: moved to restartName, which Windows deletes at
                    // the next restart, so the copy's own name is free again
    } outcome;
    std::string restartName;
};

class RemovalStore {
public:
    virtual ~RemovalStore() = default;
    // Names for the log and the final message.
    virtual std::string ListPath() const = 0;
    virtual std::string CopyPath() const = 0;
    virtual std::string EntryName() const = 0;

    virtual std::string JournalPath() const = 0;

    virtual ListReading ReadList(std::string& bytes) = 0;
    // Replaces the list whole: a failure leaves the earlier list as it was.
    virtual bool WriteList(std::string_view bytes) = 0;
    // Copies the running installer to CopyPath (nothing to do when it runs from there).
    virtual bool CopyInstaller() = 0;
    virtual bool WriteEntry(const UninstallEntry& entry) = 0;
    virtual bool RemoveEntry() = 0;
    virtual bool RemoveList() = 0;
    // The commit's journal (install/commit_journal.h), kept as the list is: read
    // whole, replaced whole and flushed, removed once its commit is over.
    virtual ListReading ReadJournal(std::string& bytes) = 0;
    virtual bool WriteJournal(std::string_view bytes) = 0;
    virtual bool RemoveJournal() = 0;
    // A running program cannot delete itself: the copy is moved out of the way to
    // a fresh name in its folder, and only that name (and the folder, should it be
    // empty by then) is left for the next restart, so an installation before the
    // restart writes its copy anew and keeps it.
    virtual CopyRemoval RemoveCopyAtRestart() = 0;
};

}  // namespace tw
