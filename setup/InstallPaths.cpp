#include "setup/InstallPaths.h"

#include <vector>

#include "setup/PathRules.h"
#include "setup/Registry.h"

namespace setup {

namespace {

const char kAppPathsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\MK.EXE";
const char kSettingsKey[] = "SOFTWARE\\Veltrane\\Mosaikon\\4.1\\INI\\Mosaikon";
const char kUserDirValue[] = "MKUSRDIR";
constexpr DWORD kValueBufferSize = 4096;

// The value as a string; empty when it is missing, empty or too long.
std::string ReadMachineValue(const char* subKey, const char* valueName) {
  std::vector<char> buffer(kValueBufferSize);
  buffer[0] = '\0';
  if (!ReadRegistryString(HKEY_LOCAL_MACHINE, subKey, valueName, buffer.data(), kValueBufferSize)) {
    return std::string();
  }
  return buffer.data();
}

}  // namespace

InstallPaths::InstallPaths() { Derive(UserLanguage()); }

InstallPaths::InstallPaths(Language language) { Derive(language); }

void InstallPaths::Derive(Language language) {
  std::string mainProgram = ReadMachineValue(kAppPathsKey, "");
  std::string user = ReadMachineValue(kSettingsKey, kUserDirValue);
  if (mainProgram.empty() || user.empty()) return;

  PathRules rules = SystemPathRules(language);
  std::string root;
  if (!DeriveInstallRoot(mainProgram, rules, &root)) return;
  RemoveTrailingSeparators(&user, rules);

  const std::string separator(1, rules.separator);
  installRoot = root;
  nametabPath = root + separator + "nametab.lst";
  userdefPath = root + separator + "userdef.lst";
  userDir = user;
  messagePath =
      user + separator + "Message" + separator + LoadText(kTextLanguagePrefix, language) + "mkrc";
}

}  // namespace setup
