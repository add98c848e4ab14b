// A temporary folder for one test, removed with everything in it afterwards.
// Paths are given in the platform's own form.
#pragma once

#include <functional>
#include <string>
#include <vector>

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return m_path; }
    // Path of a name inside the folder, joined with the platform's separator.
    std::string operator/(const std::string& name) const;

private:
    std::string m_path;
};

// Makes folder the current directory for the life of the object.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const std::string& folder);
    ~CurrentDirectory();
    CurrentDirectory(const CurrentDirectory&) = delete;
    CurrentDirectory& operator=(const CurrentDirectory&) = delete;

private:
    std::string m_previous;
};

// Small file helpers for tests.
void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);
bool PathExists(const std::string& path);
void MakeFolder(const std::string& path);
void MakeReadOnly(const std::string& path, bool readOnly = true);
// The names of the entries of a folder, sorted.
std::vector<std::string> NamesIn(const std::string& folder);
// Bytes of a deterministic pseudo-random sequence.
std::string PatternBytes(size_t size, unsigned seed = 1);

// Windows refuses to open a read-only file for writing, even for an administrator;
// Wine running as root on Linux does not (and a test probing it there has crashed
// the process). Tests of that refusal skip under Wine, with this reason.
bool ReadOnlyIsEnforced();
constexpr const char* kReadOnlyNotEnforced =
    "this platform lets the administrator write read-only files (Wine running as root)";
// MakeReadOnly, and under Wine the Unix side's immutable flag as well, which stops
// root too (chattr, which Wine starts as the Unix program it is), until the
// TempFolder that holds the file goes. False when writing is not refused then:
// the test skips with kReadOnlyNotEnforced.
bool MakeReadOnlyForEveryone(const std::string& path);

#ifdef _WIN32
// Under Wine: the Unix name of a Windows path; empty where there is none.
std::string UnixNameOf(const std::string& path);
// Starts a Unix program (Wine starts it as it is) and polls done() until it holds,
// ten seconds at most: Wine gives no wait on a Unix process.
bool RunUnix(std::string command, const std::function<bool()>& done);

// A Unix symbolic link at link to target, made with ln on the Unix side (a
// Windows program under Wine makes none), and removed the same way before the
// folder that holds it goes: the file layer of the tests' temporary folders
// would walk through it.
class UnixLink {
public:
    UnixLink(const std::string& target, const std::string& link);
    ~UnixLink();
    UnixLink(const UnixLink&) = delete;
    UnixLink& operator=(const UnixLink&) = delete;
    bool Made() const { return m_made; }

private:
    std::string m_link;
    std::string m_unixLink;
    bool m_made = false;
};
#endif
