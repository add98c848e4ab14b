// The few platform operations the installation engine needs. The engine is plain
// logic over this interface; Win32, the host and the tests each provide one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

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

// How the registration tool is started; the strings stay valid during the call.
struct RegistrationRequest {
    const char* toolPath;    // A + "regsvr32.exe"
    const char* parameters;  // "/s " and the installed DLL's path
    const char* directory;   // the working directory, A
};

class InstallSystem {
public:
    virtual ~InstallSystem() = default;

    // Creates one folder; an existing folder or any failure is the caller's to ignore.
    virtual bool CreateFolder(const char* path) = 0;
    // Starts a search on pattern (a folder and "*.*") and fills first with its first
    // entry, "." and ".." included; null when the search cannot start.
    virtual std::unique_ptr<FileSearch> FindFirst(const char* pattern, DirectoryEntry& first) = 0;
    // Gives up the processor for 1 millisecond.
    virtual void SleepOneMillisecond() = 0;
    // Copies one file with the block copy; true when the copy is complete.
    virtual bool CopyFileTo(const char* source, const char* destination) = 0;
    // Starts the registration tool without waiting for it; true when it started.
    virtual bool StartRegistration(const RegistrationRequest& request) = 0;
};
