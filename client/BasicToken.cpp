#include "client/BasicToken.h"

#include <cstring>

#include "kernel/KernelResources.h"

namespace client {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

bool HoldsControl(const char* text) {
  for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text); *c != 0; ++c) {
    if (*c < 0x20 || *c == 0x7F) return true;
  }
  return false;
}

// The byte at `index` of "login:password".
unsigned char Joined(const char* login, std::size_t loginLength, const char* password,
                     std::size_t index) {
  if (index < loginLength) return static_cast<unsigned char>(login[index]);
  if (index == loginLength) return ':';
  return static_cast<unsigned char>(password[index - loginLength - 1]);
}

}  // namespace

char* NewBasicToken(const char* login, const char* password) {
  if (login == nullptr || password == nullptr) return nullptr;
  if (std::strchr(login, ':') != nullptr || HoldsControl(login) || HoldsControl(password)) {
    return nullptr;
  }
  std::size_t loginLength = std::strlen(login);
  std::size_t length = loginLength + 1 + std::strlen(password);
  std::size_t tokenLength = (length + 2) / 3 * 4;
  if (tokenLength >= 0xFFFFFFFFu) return nullptr;  // MwNew takes a 32-bit size
  char* token = static_cast<char*>(MwNew(static_cast<unsigned int>(tokenLength + 1)));
  if (token == nullptr) return nullptr;
  char* out = token;
  for (std::size_t i = 0; i < length; i += 3) {
    std::size_t count = length - i < 3 ? length - i : 3;
    unsigned long group = 0;
    for (std::size_t k = 0; k < 3; ++k) {
      group = group << 8 | (k < count ? Joined(login, loginLength, password, i + k) : 0u);
    }
    for (std::size_t k = 0; k < 4; ++k) {
      // Three bytes make four characters; a short group is padded with '='.
      *out++ = k <= count ? kAlphabet[(group >> (18 - 6 * k)) & 0x3F] : '=';
    }
  }
  *out = '\0';
  return token;
}

}  // namespace client
