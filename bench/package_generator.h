// A generated driver package for the benchmark: files of varied sizes in
// driversupport\ and Driver\, written through one fixed buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct PackageShape {
    std::size_t files = 2000;
    std::uint64_t bytes = 200ull * 1024 * 1024;
    double supportShare = 0.1;  // the part of the files that goes to driversupport\ .
};

struct PackageContents {
    std::size_t supportFiles = 0;
    std::size_t driverFiles = 0;
    std::uint64_t supportBytes = 0;
    std::uint64_t driverBytes = 0;
};

// Writes the package into root (which exists) and tells what it holds.
PackageContents GeneratePackage(const std::string& root, const PackageShape& shape);
