#include "client/Credentials.h"

#include "client/ProgramFileName.h"

namespace client {
namespace {

ProgramFileName programNetrc;

bool HasControl(const char* text) {
  for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text); *c != 0; ++c) {
    if (*c < 0x20 || *c == 0x7F) return true;
  }
  return false;
}

}  // namespace

bool CanBeCredentials(const char* user, const char* password) {
  if (user == nullptr || HasControl(user)) return false;
  for (const char* c = user; *c != 0; ++c) {
    if (*c == ':') return false;
  }
  return password == nullptr || !HasControl(password);
}

bool SetProgramNetrcFile(const char* fileName) { return programNetrc.Set(fileName); }

}  // namespace client
