#include "bench/package_generator.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kChunk = 1 << 20;

// Sizes that vary between a quarter and seven quarters of the mean, most not a
// multiple of the copy's block, adding up to total exactly.
std::vector<std::uint64_t> FileSizes(std::size_t count, std::uint64_t total, std::mt19937& random) {
    std::vector<double> weights(count);
    std::uniform_real_distribution<double> spread(0.25, 1.75);
    for (double& w : weights) w = spread(random);
    double sum = 0;
    for (double w : weights) sum += w;
    std::vector<std::uint64_t> sizes(count);
    std::uint64_t assigned = 0;
    for (std::size_t i = 0; i < count; ++i) {
        sizes[i] = static_cast<std::uint64_t>(static_cast<double>(total) * weights[i] / sum);
        assigned += sizes[i];
    }
    if (count > 0) sizes.back() += total - assigned;
    return sizes;
}

void WriteFile(const fs::path& path, std::uint64_t size, const std::vector<char>& pattern,
               std::size_t offset) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    while (size > 0) {
        std::size_t part = static_cast<std::size_t>(std::min<std::uint64_t>(size, kChunk - offset));
        out.write(pattern.data() + offset, static_cast<std::streamsize>(part));
        size -= part;
        offset = 0;
    }
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace

PackageContents GeneratePackage(const std::string& root, const PackageShape& shape) {
    std::mt19937 random(20240917);
    std::vector<char> pattern(kChunk);
    for (char& c : pattern) c = static_cast<char>(random() & 0xFF);

    const char* extensions[] = {".sys", ".inf", ".cat", ".bin", ".dat"};
    PackageContents contents;
    contents.supportFiles =
        static_cast<std::size_t>(static_cast<double>(shape.files) * shape.supportShare);
    contents.driverFiles = shape.files - contents.supportFiles;
    std::vector<std::uint64_t> sizes = FileSizes(shape.files, shape.bytes, random);

    fs::create_directories(fs::path(root) / "driversupport");
    fs::create_directories(fs::path(root) / "Driver");
    for (std::size_t i = 0; i < shape.files; ++i) {
        bool support = i < contents.supportFiles;
        fs::path folder = fs::path(root) / (support ? "driversupport" : "Driver");
        std::string name = "file" + std::to_string(i) + extensions[i % 5];
        WriteFile(folder / name, sizes[i], pattern, random() % kChunk);
        (support ? contents.supportBytes : contents.driverBytes) += sizes[i];
    }
    return contents;
}
