#include "tests/ui/x_requests.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>

namespace ui_test {

namespace {

std::mutex g_lock;
int g_next = 0;

std::string RequestFolder() {
    const char* artefacts = std::getenv("TW_UI_ARTEFACTS");
    return artefacts ? WindowsPathOf(std::string(artefacts) + "/requests") : std::string();
}

// Sends one request and waits for its answer; empty on a timeout.
bool Ask(const std::string& line, std::string& answer, DWORD timeoutMs = 60000) {
    std::lock_guard<std::mutex> hold(g_lock);
    std::string folder = RequestFolder();
    if (folder.empty()) return false;
    char name[32];
    std::snprintf(name, sizeof(name), "\\%04d", g_next++);
    std::string base = folder + name;
    {
        std::ofstream out(base + ".tmp", std::ios::binary);
        out << line << "\n";
    }
    // The request appears whole: the server never reads half a line.
    if (!::MoveFileA((base + ".tmp").c_str(), (base + ".req").c_str())) return false;
    for (DWORD waited = 0; waited < timeoutMs; waited += 20) {
        std::ifstream in(base + ".done", std::ios::binary);
        if (in) {
            std::stringstream text;
            text << in.rdbuf();
            answer = text.str();
            return true;
        }
        ::Sleep(20);
    }
    return false;
}

}  // namespace

std::string WindowsPathOf(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string Utf8FromAnsi(const std::string& ansi) {
    int wide = ::MultiByteToWideChar(936, 0, ansi.c_str(), -1, nullptr, 0);
    std::wstring text(static_cast<size_t>(wide), L'\0');
    ::MultiByteToWideChar(936, 0, ansi.c_str(), -1, text.data(), wide);
    int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), bytes, nullptr, nullptr);
    utf8.resize(utf8.size() - 1);
    return utf8;
}

bool PressKeys(const std::string& nameRegex, const std::string& keys) {
    std::string answer;
    return Ask("key\t" + nameRegex + "\t" + keys, answer) &&
           answer.find("pressed") != std::string::npos;
}

int CountVisibleWindows(const std::string& nameRegex) {
    std::string answer;
    if (!Ask("visible\t" + nameRegex, answer)) return -1;
    int count = 0;
    std::istringstream lines(answer);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty()) ++count;
    return count;
}

bool Screenshot(const std::string& name) {
    std::string answer;
    return Ask("shot\t" + name, answer);
}

}  // namespace ui_test
