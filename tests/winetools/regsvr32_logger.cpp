// A stand-in for the COM registration tool "regsvr32.exe" that registers nothing.
// Each start appends one line to a log:
//     <command line after the program name>\t<current directory>\r\n
// The log is the file named by TW_REGSVR32_LOG, or regsvr32.log next to this
// program. The end-to-end tests read it to see exactly how the installer
// started the tool.
#include <windows.h>

#include <string>

#include "common/win32_handles.h"
#include "framework/ReadGrowing.h"

namespace {

// The command line as the process received it, minus the program name and the
// blanks that separate the name from the arguments.
std::string CommandTail(const char* line) {
    const char* p = line;
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"') ++p;
        if (*p == '"') ++p;
    } else {
        while (*p != '\0' && *p != ' ' && *p != '\t') ++p;
    }
    while (*p == ' ' || *p == '\t') ++p;
    return p;
}

std::string CurrentDirectory() {
    return ReadGrowing([](char* buffer, unsigned long size) {
        return GetCurrentDirectoryA(static_cast<DWORD>(size), buffer);
    });
}

std::string ModulePath() {
    return ReadGrowing([](char* buffer, unsigned long size) {
        return GetModuleFileNameA(nullptr, buffer, static_cast<DWORD>(size));
    });
}

std::string LogPath() {
    char named[1024];
    DWORD length = GetEnvironmentVariableA("TW_REGSVR32_LOG", named, sizeof named);
    if (length > 0 && length < sizeof named) return std::string(named, length);
    std::string path = ModulePath();
    return path.substr(0, path.find_last_of("\\/") + 1) + "regsvr32.log";
}

// Appends the line in one write, so that tools started side by side never
// interleave their lines; another start holding the file briefly is waited for.
bool AppendLine(const std::string& path, const std::string& line) {
    for (int attempt = 0; attempt < 200; ++attempt) {
        tw::FileHandle log(CreateFileA(path.c_str(), FILE_APPEND_DATA,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (log.Get() == INVALID_HANDLE_VALUE) {
            if (GetLastError() != ERROR_SHARING_VIOLATION) return false;
            Sleep(10);
            continue;
        }
        DWORD written = 0;
        return WriteFile(log.Get(), line.data(), static_cast<DWORD>(line.size()), &written,
                         nullptr) &&
               written == line.size();
    }
    return false;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    std::string line = CommandTail(GetCommandLineA()) + "\t" + CurrentDirectory() + "\r\n";
    return AppendLine(LogPath(), line) ? 0 : 1;
}
