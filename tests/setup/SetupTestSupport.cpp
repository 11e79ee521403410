#include "SetupTestSupport.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include <gtest/gtest.h>

#include "os/PathSeparator.h"
#include "os/RegistryApi.h"
#include "run/StopAtWriteStep.h"

namespace fs = std::filesystem;

const char kAppPathsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\MK.EXE";
const char kSettingsKey[] = "SOFTWARE\\Veltrane\\Mosaikon\\4.1\\INI\\Mosaikon";

RegistryValues::~RegistryValues() {
  for (auto saved = saved_.rbegin(); saved != saved_.rend(); ++saved) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, saved->key.c_str(), 0, KEY_ALL_ACCESS | view_, &key) !=
        ERROR_SUCCESS) {
      continue;
    }
    if (saved->existed) {
      RegSetValueExA(key, saved->name.c_str(), 0, saved->type, saved->data.data(),
                     static_cast<DWORD>(saved->data.size()));
    } else {
      RegDeleteValueA(key, saved->name.c_str());
    }
    RegCloseKey(key);
  }
}

void RegistryValues::Remember(const std::string& keyName, const std::string& name) {
  for (const Saved& saved : saved_) {
    if (saved.key == keyName && saved.name == name) return;
  }
  Saved saved{keyName, name, false, {}, REG_SZ};
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyName.c_str(), 0, KEY_READ | view_, &key) ==
      ERROR_SUCCESS) {
    DWORD size = 0;
    DWORD type = REG_NONE;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
      saved.data.resize(size);
      if (RegQueryValueExA(key, name.c_str(), nullptr, &type, saved.data.data(), &size) ==
          ERROR_SUCCESS) {
        saved.existed = true;
        saved.type = type;
        saved.data.resize(size);
      }
    }
    RegCloseKey(key);
  }
  saved_.push_back(saved);
}

bool RegistryValues::Write(const std::string& keyName, const std::string& name, unsigned long type,
                           const unsigned char* data, unsigned long size) {
  Remember(keyName, name);
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyName.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS | view_, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  LONG result = RegSetValueExA(key, name.c_str(), 0, type, data, size);
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

bool RegistryValues::Set(const std::string& key, const std::string& name,
                         const std::string& value) {
  return Write(key, name, REG_SZ, reinterpret_cast<const unsigned char*>(value.c_str()),
               static_cast<unsigned long>(value.size() + 1));
}

bool RegistryValues::SetDword(const std::string& key, const std::string& name,
                              unsigned long value) {
  DWORD data = static_cast<DWORD>(value);
  return Write(key, name, REG_DWORD, reinterpret_cast<const unsigned char*>(&data), sizeof data);
}

bool RegistryValues::Remove(const std::string& keyName, const std::string& name) {
  Remember(keyName, name);
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyName.c_str(), 0, KEY_ALL_ACCESS | view_, &key) !=
      ERROR_SUCCESS) {
    return true;  // no key, no value
  }
  LONG result = RegDeleteValueA(key, name.c_str());
  RegCloseKey(key);
  return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

std::string Sep() { return os::kPathSeparatorText; }

std::string JoinPath(std::initializer_list<std::string> parts) {
  std::string path;
  for (const std::string& part : parts) {
    if (!path.empty()) path += os::kPathSeparator;
    path += part;
  }
  return path;
}

std::string ReadText(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "r");
  if (file == nullptr) return std::string();
  std::string content;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) content.append(buffer, n);
  std::fclose(file);
  return content;
}

bool WriteText(const std::string& path, const std::string& content) {
  std::FILE* file = std::fopen(path.c_str(), "w");
  if (file == nullptr) return false;
  bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
  return std::fclose(file) == 0 && written;
}

bool MakeDirectory(const std::string& path) {
  std::error_code error;
  return fs::create_directories(path, error) || fs::is_directory(path, error);
}

bool MakeReadOnlyDirectory(const std::string& directory) {
  std::error_code error;
  fs::permissions(directory, fs::perms::owner_read | fs::perms::owner_exec, error);
  std::string probe = JoinPath({directory, "probe"});
  std::FILE* file = std::fopen(probe.c_str(), "w");
  if (file == nullptr) return true;
  std::fclose(file);
  std::remove(probe.c_str());
  return false;
}

void MakeWritableDirectory(const std::string& directory) {
  std::error_code error;
  fs::permissions(directory, fs::perms::owner_all, error);
}

TestInstallation::TestInstallation()
    : root_(scratch_.File("Mosaikon")),
      userDir_(scratch_.File("MkUser")),
      moduleDir_(scratch_.File("Module Folder")) {
  MakeDirectory(root_);
  MakeDirectory(JoinPath({userDir_, "Message"}));
  MakeDirectory(moduleDir_);
  values_.Set(kAppPathsKey, "", JoinPath({root_, "bin", "mk.exe"}));
  values_.Set(kSettingsKey, "MKUSRDIR", userDir_);
}

void TestInstallation::WriteSmallModule() const {
  WriteText(Nametab(), ";;;Clock;\nOldClock \"o\"\n");
  WriteText(Userdef(), "Color red\n");
  WriteText(Messages(), "# platform\n");
  WriteText(Messages("japanese"), "# platform\n");
  WriteText(ModuleFile("nametab.clock"), ";;;Clock;\nClockPad \"c\"\n");
  WriteText(ModuleFile("userdef.clock"), "Angle 90\n");
  WriteText(ModuleFile("english.clock"), "ClockPad:Alarm:Wake up\n");
  WriteText(ModuleFile("japanese.clock"), "ClockPad:Alarm:J\n");
}

std::string TestInstallation::Listing() const {
  return ListDirectory(root_) + "|" + ListDirectory(JoinPath({userDir_, "Message"}));
}

InstallationFiles ReadFiles(const TestInstallation& install) {
  return {ReadText(install.Nametab()), ReadText(install.Userdef()), ReadText(install.Messages())};
}

void WriteFiles(const TestInstallation& install, const InstallationFiles& files) {
  WriteText(install.Nametab(), files.nametab);
  WriteText(install.Userdef(), files.userdef);
  WriteText(install.Messages(), files.messages);
}

void CheckRunsStoppedAtEveryWriteStep(TestInstallation& install,
                                      const std::function<int(int, const std::string&)>& runStopped,
                                      const std::function<int(const std::string&)>& runQuiet) {
  install.WriteSmallModule();
  const InstallationFiles before = ReadFiles(install);
  const InstallationFiles installed{";;;Clock;\nOldClock \"o\"\nClockPad \"c\"\n",
                                    "Color\t\tred\nAngle\t\t90\n",
                                    "# platform\nClockPad:Alarm:Wake up\n"};
  const InstallationFiles removed{before.nametab, installed.userdef, installed.messages};
  const struct {
    const char* mode;
    InstallationFiles from, to;
    int steps;  // three for each file written
  } runs[] = {{"", before, installed, 9}, {"-del ", installed, removed, 3}};
  const std::string listing = install.Listing();
  for (const auto& run : runs) {
    for (int step = 1; step <= run.steps + 1; ++step) {
      SCOPED_TRACE(std::string(run.mode) + "stopped at step " + std::to_string(step));
      WriteFiles(install, run.from);
      const std::string arguments = run.mode + install.InFolder() + "clock";
      EXPECT_EQ(runStopped(step, arguments), step <= run.steps ? kStoppedAtWriteStep : 0);
      InstallationFiles now = ReadFiles(install);
      EXPECT_TRUE(now.nametab == run.from.nametab || now.nametab == run.to.nametab);
      EXPECT_TRUE(now.userdef == run.from.userdef || now.userdef == run.to.userdef);
      EXPECT_TRUE(now.messages == run.from.messages || now.messages == run.to.messages);
      EXPECT_EQ(runQuiet(arguments), 0);
      EXPECT_EQ(ReadFiles(install).nametab, run.to.nametab);
      EXPECT_EQ(install.Listing(), listing);
    }
  }
}
