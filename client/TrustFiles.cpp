#include "client/TrustFiles.h"

#include <cstdio>
#include <mutex>

#include "client/ProxyFile.h"
#include "kernel/KernelObjects.h"
#include "kernel/KernelText.h"

namespace client {
namespace {

std::mutex lock;
char* programFile = nullptr;  // a platform string guarded by `lock`, or null

bool Readable(const char* fileName) {
  std::FILE* file = std::fopen(fileName, "rb");
  if (file == nullptr) return false;
  std::fclose(file);
  return true;
}

}  // namespace

bool SetProgramTrustFile(const char* fileName) {
  if (fileName != nullptr && !Readable(fileName)) return false;
  char* copy = fileName != nullptr ? NewString(kernel::Text(fileName)) : nullptr;
  if (fileName != nullptr && copy == nullptr) return false;
  std::lock_guard<std::mutex> hold(lock);
  FreeString(&programFile);
  programFile = copy;
  return true;
}

void TrustFiles(const char* userDirectory, char*& userFile, char*& programCopy) {
  userFile = UserFileName(userDirectory, "ca.pem");
  if (userFile != nullptr && !Readable(userFile)) {
    FreeString(&userFile);
    userFile = nullptr;
  }
  std::lock_guard<std::mutex> hold(lock);
  programCopy = programFile != nullptr ? NewString(programFile) : nullptr;
}

}  // namespace client
