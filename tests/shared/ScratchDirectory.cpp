#include "ScratchDirectory.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "os/PathSeparator.h"
#include "os/TempDirectory.h"

namespace fs = std::filesystem;

ScratchDirectory::ScratchDirectory() {
  static std::atomic<unsigned> serial{0};
  char temp[512];
  if (os::TempDirectory(temp, sizeof temp) == 0) temp[0] = '\0';
  auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  for (;;) {
    std::ostringstream name;
    name << temp << "bazaro-test-" << stamp << "-" << serial++;
    std::error_code error;
    if (fs::create_directory(name.str(), error)) {
      path_ = name.str();
      break;
    }
  }
}

ScratchDirectory::~ScratchDirectory() {
  std::error_code error;
  fs::remove_all(path_, error);
}

std::string ScratchDirectory::File(const std::string& name) const {
  return path_ + os::kPathSeparatorText + name;
}

std::string ScratchDirectory::Listing() const { return ListDirectory(path_); }

std::string ListDirectory(const std::string& directory, const std::string& suffix) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(directory, error)) {
    std::string name = entry.path().filename().string();
    if (name.size() >= suffix.size() &&
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
      names.push_back(name);
    }
  }
  std::sort(names.begin(), names.end());
  std::string listing;
  for (const auto& name : names) {
    if (!listing.empty()) listing += ' ';
    listing += name;
  }
  return listing;
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool WriteWholeFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  return static_cast<bool>(out);
}

bool FileExists(const std::string& path) {
  std::error_code error;
  return fs::exists(fs::symlink_status(path, error));
}
