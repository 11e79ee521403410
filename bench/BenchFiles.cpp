#include "BenchFiles.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

bool WriteRandomFile(const std::string& path, std::size_t size, std::uint64_t seed) {
  std::mt19937_64 generator(seed);
  std::vector<std::uint64_t> block(1 << 16);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  for (std::size_t written = 0; written < size;) {
    for (std::uint64_t& word : block) word = generator();
    std::size_t count = std::min(size - written, block.size() * sizeof block[0]);
    out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(count));
    written += count;
  }
  return static_cast<bool>(out);
}

bool SameFiles(const std::string& a, const std::string& b) {
  std::ifstream first(a, std::ios::binary);
  std::ifstream second(b, std::ios::binary);
  return std::equal(std::istreambuf_iterator<char>(first), std::istreambuf_iterator<char>(),
                    std::istreambuf_iterator<char>(second), std::istreambuf_iterator<char>());
}
