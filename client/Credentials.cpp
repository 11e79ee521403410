#include "client/Credentials.h"

#include "client/BasicToken.h"
#include "client/NetrcFile.h"
#include "client/ProgramFileName.h"
#include "kernel/KernelObjects.h"
#include "kernel/KernelText.h"

namespace client {
namespace {

ProgramFileName programNetrc;

// The token of the netrc file's entry for `host`, or null.
char* NetrcToken(const char* fileName, const char* host) {
  if (fileName == nullptr || host == nullptr) return nullptr;
  NetrcCredentials found;
  if (!ReadNetrcCredentials(fileName, host, &found)) return nullptr;
  return NewBasicToken(found.login, found.password);
}

}  // namespace

bool SetProgramNetrcFile(const char* fileName) { return programNetrc.Set(fileName); }

void MakeTokens(const char* userDirectory, const char* ownToken, const char* serverHost,
                const char* proxyHost, char*& serverToken, char*& proxyToken) {
  char* fileName = programNetrc.Copy();
  if (fileName == nullptr) fileName = NetrcFileName(userDirectory);
  serverToken =
      ownToken != nullptr ? NewString(kernel::Text(ownToken)) : NetrcToken(fileName, serverHost);
  proxyToken = NetrcToken(fileName, proxyHost);
  FreeString(&fileName);
}

}  // namespace client
