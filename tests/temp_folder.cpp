#include "tests/temp_folder.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace fs = std::filesystem;

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
    std::error_code ignored;
    // Read-only entries would stop the removal on Windows.
    for (auto& entry : fs::recursive_directory_iterator(m_path, ignored))
        fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, ignored);
    fs::remove_all(m_path, ignored);
}

std::string TempFolder::operator/(const std::string& name) const {
    return (fs::path(m_path) / name).string();
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

std::string PatternBytes(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& b : bytes) b = static_cast<char>(random() & 0xFF);
    return bytes;
}
