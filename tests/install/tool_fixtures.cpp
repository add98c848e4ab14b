#include "tests/install/tool_fixtures.h"

#include <filesystem>

#include "tests/temp_folder.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <stdlib.h>
#endif

std::vector<std::string> LogLines(const std::string& path) {
    std::vector<std::string> lines;
    if (!PathExists(path)) return lines;
    std::string text = ReadBytes(path);
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

#ifdef _WIN32

std::string WinetoolsFile(const std::string& name) {
    char self[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::filesystem::path tests =
        std::filesystem::path(std::string(self, length)).parent_path().parent_path();
    return (tests / "winetools" / name).string();
}

// The stand-in built in tests\winetools\, beside this program's folder.
void PlaceLoggingTool(const std::string& destination) {
    std::filesystem::copy_file(WinetoolsFile("regsvr32.exe"), destination,
                               std::filesystem::copy_options::overwrite_existing);
}

void SetToolLog(const std::string& logPath) {
    SetEnvironmentVariableA("TW_REGSVR32_LOG", logPath.c_str());
}

std::string ReportedDirectory(const std::string& folder) { return folder; }

#else

void PlaceLoggingTool(const std::string& destination) {
    WriteBytes(destination, "a tool the host never starts");
}

void SetToolLog(const std::string& logPath) { setenv("TW_REGSVR32_LOG", logPath.c_str(), 1); }

#endif
