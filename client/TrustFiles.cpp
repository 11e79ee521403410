#include "client/TrustFiles.h"

#include <cstdio>
#include <mutex>

#include "client/ProxyFile.h"
#include "kernel/KernelObjects.h"

namespace client {
namespace {

std::mutex lock;
std::string programFile;  // guarded by `lock`; empty when none is named

bool Readable(const char* fileName) {
  std::FILE* file = std::fopen(fileName, "rb");
  if (file == nullptr) return false;
  std::fclose(file);
  return true;
}

}  // namespace

bool SetProgramTrustFile(const char* fileName) {
  if (fileName != nullptr && !Readable(fileName)) return false;
  std::lock_guard<std::mutex> hold(lock);
  programFile = fileName != nullptr ? fileName : "";
  return true;
}

std::vector<std::string> TrustFiles(const char* userDirectory) {
  std::vector<std::string> files;
  char* userFile = UserFileName(userDirectory, "ca.pem");
  if (userFile != nullptr) {
    if (Readable(userFile)) files.emplace_back(userFile);
    FreeString(&userFile);
  }
  std::lock_guard<std::mutex> hold(lock);
  if (!programFile.empty()) files.push_back(programFile);
  return files;
}

}  // namespace client
