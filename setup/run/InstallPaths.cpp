#include "setup/run/InstallPaths.h"

#include <vector>

#include "setup/run/PathRules.h"
#include "setup/run/Registry.h"

namespace setup {

namespace {

const char kAppPathsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\MK.EXE";
const char kSettingsKey[] = "SOFTWARE\\Veltrane\\Mosaikon\\4.1\\INI\\Mosaikon";
const char kUserDirValue[] = "MKUSRDIR";
constexpr DWORD kValueBufferSize = 4096;

// The platform is a 32-bit program, so its installer writes to the
// registry's 32-bit view. A 64-bit mkinstall sees its own view first and
// looks in the 32-bit one when that holds no installation; for a 32-bit
// mkinstall the two are the same view.
const REGSAM kViews[] = {0, KEY_WOW64_32KEY};

// The value as a string; empty when it is missing, empty or too long.
std::string ReadMachineValue(const char* subKey, const char* valueName, REGSAM view) {
  std::vector<char> buffer(kValueBufferSize);
  buffer[0] = '\0';
  if (!ReadRegistryString(HKEY_LOCAL_MACHINE, subKey, valueName, buffer.data(), kValueBufferSize,
                          view)) {
    return std::string();
  }
  return buffer.data();
}

}  // namespace

InstallPaths::InstallPaths() { Derive(UserLanguage()); }

InstallPaths::InstallPaths(Language language) { Derive(language); }

void InstallPaths::Derive(Language language) {
  for (REGSAM view : kViews) {
    if (DeriveFromView(view, language)) return;
  }
}

// Both values are read in the one view.
bool InstallPaths::DeriveFromView(unsigned long view, Language language) {
  std::string mainProgram = ReadMachineValue(kAppPathsKey, "", view);
  std::string user = ReadMachineValue(kSettingsKey, kUserDirValue, view);
  if (mainProgram.empty() || user.empty()) return false;

  PathRules rules = SystemPathRules(language);
  std::string root;
  if (!DeriveInstallRoot(mainProgram, rules, &root)) return false;
  RemoveTrailingSeparators(&user, rules);

  const std::string separator(1, rules.separator);
  installRoot = root;
  nametabPath = root + separator + "nametab.lst";
  userdefPath = root + separator + "userdef.lst";
  userDir = user;
  messagePath =
      user + separator + "Message" + separator + LoadText(kTextLanguagePrefix, language) + "mkrc";
  return true;
}

}  // namespace setup
