// The few platform operations the installation engine needs. The engine is plain
// logic over this interface; Win32, the host and the tests each provide one.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/folder_identity.h"
#include "common/win32_error_codes.h"
#include "install/copy_outcome.h"
#include "install/folder_securing.h"

namespace tw {
struct CommitJournal;
}

// One entry of a folder search: the two fields of WIN32_FIND_DATAA the engine reads.
struct DirectoryEntry {
    std::uint32_t dwFileAttributes = 0;
    std::string cFileName;  // the long name, without a folder
};

// A search that has delivered its first entry (FindFirstFileA's handle).
class FileSearch {
public:
    virtual ~FileSearch() = default;
    // Fills entry with the next one; false at the end of the listing or on any error.
    virtual bool FindNext(DirectoryEntry& entry) = 0;
    // True when the last FindNext stopped on an error rather than at the end of the
    // listing: the entries after it were never seen.
    virtual bool Failed() const { return false; }
};

// The start of a search: the search, when it delivered a first entry. Without one,
// unreadable tells a folder that exists but cannot be listed (access denied, a
// name that is a file, a device error) from one that is simply absent.
struct SearchStart {
    std::unique_ptr<FileSearch> search;
    bool unreadable = false;
};

// How the registration tool is started; the strings stay valid during the call.
struct RegistrationRequest {
    const char* toolPath;    // the application directory + "regsvr32.exe"
    const char* parameters;  // "/s " and the installed DLL's path
    const char* directory;   // the working directory: the application directory
};

// A registration tool that has started. It owns its process: the handle is
// released with the object, and a tool still running is left to run.
class StartedTool {
public:
    virtual ~StartedTool() = default;
    // Set by WaitForAnyTool once the tool has ended; empty while it still runs.
    std::optional<std::uint32_t> exitCode;
};

// Something the system holds open for the engine: a folder or a file that nobody
// can swap, rename or delete while the object lives. Released with the object.
class Hold {
public:
    virtual ~Hold() = default;
    // A held folder's path, ending in a separator, that leads to this very folder
    // while it is held (install/held_folder_path.h): every later open in the folder
    // goes by it. Empty for a file, and where the system keeps the path it was given.
    virtual std::string Path() const { return {}; }
    // What a held folder is (volume and file index), read through the handle;
    // nothing for a file, and where the system cannot say.
    virtual std::optional<tw::FolderIdentity> Identity() const { return std::nullopt; }
};

class InstallSystem {
public:
    virtual ~InstallSystem() = default;

    // Opens folder (a path ending in a separator) as a folder without following a
    // link or other reparse point, and holds it so that it cannot be renamed or
    // deleted while files are written into it. Null when folder is a link or a
    // reparse point, is no folder or cannot be opened.
    virtual std::unique_ptr<Hold> HoldFolder(const char* folder) = 0;
    // Opens installed for reading only, so that nobody can write, rename or delete
    // it, and checks that its bytes are original's. Null when it cannot be opened
    // or its bytes differ.
    virtual std::unique_ptr<Hold> HoldCopy(const char* installed, const char* original) = 0;
    // Creates one folder; an existing folder or any failure is the caller's to ignore.
    virtual bool CreateFolder(const char* path) = 0;
    // Starts a search on pattern (a folder and "*.*") and fills first with its first
    // entry, "." and ".." included.
    virtual SearchStart FindFirst(const char* pattern, DirectoryEntry& first) = 0;
    // Gives up the processor for 1 millisecond.
    virtual void SleepOneMillisecond() = 0;
    // Copies one file with the block copy into a staged file beside destination,
    // whose path the outcome carries; destination itself is not touched. True when
    // the copy is complete, else with the error code of the step that failed.
    virtual tw::CopyOutcome CopyFileTo(const char* source, const char* destination) = 0;

    // Before the commit's first step: what it is about to do (install/commit_journal.h),
    // kept where the next run finds it should this one be killed. Nothing when the
    // commit may start; else the name of what could not be written, and the commit
    // does not start. A platform keeps nothing.
    virtual std::optional<std::string> BeginCommit(const tw::CommitJournal& /*journal*/) {
        return std::nullopt;
    }
    // The commit's steps, each a rename or a deletion within one folder; results are
    // 0 or a Win32 error code. Renames destination to aside, a free name in its
    // folder that the journal lists, or when aside is empty to a fresh name there,
    // returned in aside; kErrorFileNotFound (aside empty) when there is none.
    virtual long SetAside(const char* destination, std::string& aside) = 0;
    // Renames file (staged, or set aside) to destination, which must be free.
    virtual long PutInPlace(const char* file, const char* destination) = 0;
    // Deletes a staged file, a file set aside, or one that this run put in place.
    virtual void DiscardFile(const char* path) = 0;
    // For a destination held open without delete sharing, which cannot be set
    // aside: file (staged) stays and replaces destination at the next restart. Done
    // only once every other step of the commit has succeeded. A system that knows
    // no restart refuses.
    virtual long PutInPlaceAtRestart(const char* /*file*/, const char* /*destination*/) {
        return tw::kErrorAccessDenied;
    }
    // Deletes a file the commit set aside, once the run is over. One still in use
    // (a loaded DLL can be renamed, not deleted) is deleted at the next restart:
    // true then.
    virtual bool DiscardSetAside(const char* path) {
        DiscardFile(path);
        return false;
    }
    // Removes a folder (a path ending in a separator) that this run created, when
    // it is empty.
    virtual void RemoveFolder(const char* folder) = 0;
    // Starts the registration tool without waiting for it; null when it could not start.
    virtual std::unique_ptr<StartedTool> StartRegistration(const RegistrationRequest& request) = 0;
    // Has Windows start the tool as StartRegistration would, once, at the next
    // restart: for a DLL that is put in place only then. False when it cannot.
    virtual bool RegisterAtRestart(const RegistrationRequest& /*request*/) { return false; }
    // Waits until one tool of running (at most 64 that this system started, none
    // ended yet) has ended, or until timeout has passed, and sets the exit code of
    // each one that has ended.
    virtual void WaitForAnyTool(const std::vector<StartedTool*>& running,
                                std::chrono::milliseconds timeout) = 0;
    // A steady clock, from any fixed point, on which the tools' deadline is counted.
    virtual std::chrono::milliseconds Now() = 0;

    // Locks a held folder (a path ending in a separator) to administrators when
    // anyone else may change it, as install/folder_securing.h says.
    virtual tw::FolderSecuring SecureFolder(const char* folder) = 0;
    // The files directly in folder (ending in a separator) that no administrator
    // owns; folders in it are passed over.
    virtual tw::UntrustedFiles FindUntrustedFiles(const char* folder) = 0;
};
