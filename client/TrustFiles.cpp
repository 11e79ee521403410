#include "client/TrustFiles.h"

#include <cstdio>

#include "client/ProgramFileName.h"
#include "client/ProxyFile.h"
#include "kernel/KernelObjects.h"

namespace client {
namespace {

ProgramFileName programFile;

bool Readable(const char* fileName) {
  std::FILE* file = std::fopen(fileName, "rb");
  if (file == nullptr) return false;
  std::fclose(file);
  return true;
}

}  // namespace

bool SetProgramTrustFile(const char* fileName) {
  if (fileName != nullptr && !Readable(fileName)) return false;
  return programFile.Set(fileName);
}

void TrustFiles(const char* userDirectory, char*& userFile, char*& programCopy) {
  userFile = UserFileName(userDirectory, "ca.pem");
  if (userFile != nullptr && !Readable(userFile)) {
    FreeString(&userFile);
    userFile = nullptr;
  }
  programCopy = programFile.Copy();
}

}  // namespace client
