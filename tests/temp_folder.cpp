#include "tests/temp_folder.h"

#include <filesystem>
#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
bool UnderWine() {
    // Wine exports wine_get_version from ntdll; Windows itself always refuses.
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

bool RefusesWriting(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_ACCESS_DENIED;
    CloseHandle(file);
    return false;
}

// Files made immutable, for their TempFolder to free.
std::vector<std::string>& ImmutableFiles() {
    static std::vector<std::string> files;
    return files;
}

// chattr +i or -i on the Unix name of path; true once writing is refused (+i) or
// allowed again (-i).
bool SetImmutable(const std::string& path, bool immutable) {
    const std::string name = UnixNameOf(path);
    return !name.empty() && RunUnix(std::string("Z:\\usr\\bin\\chattr ") +
                                        (immutable ? "+i" : "-i") + " \"" + name + "\"",
                                    [&] { return RefusesWriting(path) == immutable; });
}
#endif

}  // namespace

#ifdef _WIN32
std::string UnixNameOf(const std::string& path) {
    using UnixName = char*(CDECL*)(LPCWSTR);
    // Through void (*)(): the one function type any other may be cast from.
    auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixName) return {};
    char* name = unixName(fs::path(path).wstring().c_str());
    std::string text = name ? name : "";
    if (name) HeapFree(GetProcessHeap(), 0, name);
    return text;
}

bool RunUnix(std::string command, const std::function<bool()>& done) {
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (int wait = 0; wait < 400; ++wait) {
        if (done()) return true;
        Sleep(25);
    }
    return false;
}

namespace {

bool Listed(const std::string& path) {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(path.c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return true;
}

}  // namespace

UnixLink::UnixLink(const std::string& target, const std::string& link) : m_link(link) {
    const std::string from = UnixNameOf(target);
    m_unixLink = UnixNameOf(link);
    m_made = !from.empty() && !m_unixLink.empty() &&
             RunUnix("Z:\\bin\\ln -s \"" + from + "\" \"" + m_unixLink + "\"",
                     [&] { return Listed(m_link); });
}

UnixLink::~UnixLink() {
    if (m_made) RunUnix("Z:\\bin\\rm -f \"" + m_unixLink + "\"", [&] { return !Listed(m_link); });
}
#endif

TempFolder::TempFolder() {
    std::random_device random;
    fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path candidate = base / ("tw-test-" + std::to_string(random()));
        if (fs::create_directory(candidate)) {
            m_path = candidate.string();
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempFolder::~TempFolder() {
    // Read-only entries would stop the removal on Windows. Nothing here may throw.
    std::error_code ec;
#ifdef _WIN32
    std::vector<std::string>& immutable = ImmutableFiles();
    for (auto file = immutable.begin(); file != immutable.end();) {
        if (file->rfind(m_path, 0) != 0) {
            ++file;
            continue;
        }
        SetImmutable(*file, false);
        file = immutable.erase(file);
    }
#endif
    fs::recursive_directory_iterator it(m_path, ec), end;
    while (!ec && it != end) {
        fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ec);
        ec.clear();
        it.increment(ec);
    }
    fs::remove_all(m_path, ec);
}

std::string TempFolder::operator/(const std::string& name) const {
    return (fs::path(m_path) / name).string();
}

CurrentDirectory::CurrentDirectory(const std::string& folder)
    : m_previous(fs::current_path().string()) {
    fs::current_path(folder);
}

CurrentDirectory::~CurrentDirectory() {
    std::error_code ignored;
    fs::current_path(m_previous, ignored);
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool PathExists(const std::string& path) { return fs::exists(path); }

void MakeFolder(const std::string& path) { fs::create_directories(path); }

void MakeReadOnly(const std::string& path, bool readOnly) {
    fs::perms write = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    fs::permissions(path, write, readOnly ? fs::perm_options::remove : fs::perm_options::add);
}

std::vector<std::string> NamesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string PatternBytes(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& b : bytes) b = static_cast<char>(random() & 0xFF);
    return bytes;
}

bool MakeReadOnlyForEveryone(const std::string& path) {
    MakeReadOnly(path);
#ifdef _WIN32
    if (UnderWine()) {
        ImmutableFiles().push_back(path);
        return SetImmutable(path, true);
    }
#endif
    return ReadOnlyIsEnforced();
}

bool ReadOnlyIsEnforced() {
#ifdef _WIN32
    // Wine exports wine_get_version from ntdll; Windows itself always refuses.
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return !(ntdll && GetProcAddress(ntdll, "wine_get_version"));
#else
    return true;  // the host's file layer refuses as Windows does, whoever runs it
#endif
}
