// The files the pad server benchmarks send and compare.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Writes `size` bytes from a generator started at `seed` to `path`: bytes
// that do not compress, the same for the same seed. False when the file
// could not be written.
bool WriteRandomFile(const std::string& path, std::size_t size, std::uint64_t seed);

// Whether the files `a` and `b` hold the same bytes (a missing one holds
// none).
bool SameFiles(const std::string& a, const std::string& b);
