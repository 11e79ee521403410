// The destination paths of a setup run, derived once from the registry.
//
// The installation is found through two values under HKEY_LOCAL_MACHINE: the
// default value of the App Paths key of MK.EXE (the main program's path,
// ending in "<sep>bin<sep>mk.exe") and "MKUSRDIR" of the platform's settings
// key (the platform user directory). When either is missing or empty, or the
// main program's path does not hold "<sep>bin<sep>mk.exe", every path stays
// empty; a run then finds no file to change. The values are read from the
// program's own registry view and, when that holds no installation, from the
// 32-bit view that the 32-bit platform writes. Nothing changes the object
// after construction.
#pragma once

#include <string>

#include "setup/texts/StringTable.h"

namespace setup {

class InstallPaths {
 public:
  // Derives the paths for the user-interface language.
  InstallPaths();
  // Derives the paths for `language` (which names the message file).
  explicit InstallPaths(Language language);

  // The installation root, without a trailing separator.
  const std::string& InstallRoot() const { return installRoot; }
  // The platform user directory, without a trailing separator.
  const std::string& UserDir() const { return userDir; }
  // <installation root><sep>nametab.lst: the installation's class list.
  const std::string& NametabPath() const { return nametabPath; }
  // <installation root><sep>userdef.lst: the installation's user types.
  const std::string& UserdefPath() const { return userdefPath; }
  // <user directory><sep>Message<sep><language prefix>mkrc.
  const std::string& MessagePath() const { return messagePath; }

 private:
  void Derive(Language language);
  // True when both values in the registry view `view` (a REGSAM view flag)
  // give an installation; the paths are then set.
  bool DeriveFromView(unsigned long view, Language language);

  // The names the system gives these fields are kept.
  // NOLINTBEGIN(readability-identifier-naming)
  std::string installRoot;
  std::string nametabPath;
  std::string userdefPath;
  std::string userDir;
  std::string messagePath;
  // NOLINTEND(readability-identifier-naming)
};

}  // namespace setup
