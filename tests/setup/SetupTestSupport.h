// Shared helpers of the setup tests: registry values that are put back
// afterwards, a whole platform installation in a scratch directory, and file
// helpers that read files the way the program writes them (text mode).
#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "ScratchDirectory.h"

// Points the registry calls at a private store for the life of the object:
// on POSIX a scratch registry file named by MOSAIKON_REGISTRY; on Windows the
// registry of the test prefix itself (RegistryValues puts its values back).
class PrivateRegistry {
 public:
  PrivateRegistry();
  ~PrivateRegistry();
  PrivateRegistry(const PrivateRegistry&) = delete;
  PrivateRegistry& operator=(const PrivateRegistry&) = delete;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Sets and removes string values under HKEY_LOCAL_MACHINE, in the registry
// view `view` (a REGSAM view flag such as KEY_WOW64_32KEY; 0 for the program's
// own), and puts every value it touched back as it was when the object goes
// away.
class RegistryValues {
 public:
  explicit RegistryValues(unsigned long view = 0) : view_(view) {}
  ~RegistryValues();
  RegistryValues(const RegistryValues&) = delete;
  RegistryValues& operator=(const RegistryValues&) = delete;

  bool Set(const std::string& key, const std::string& name, const std::string& value);
  bool SetDword(const std::string& key, const std::string& name, unsigned long value);
  bool Remove(const std::string& key, const std::string& name);

 private:
  struct Saved {
    std::string key;
    std::string name;
    bool existed;
    std::vector<unsigned char> data;
    unsigned long type;
  };
  void Remember(const std::string& key, const std::string& name);
  bool Write(const std::string& key, const std::string& name, unsigned long type,
             const unsigned char* data, unsigned long size);
  unsigned long view_;
  std::vector<Saved> saved_;
};

extern const char kAppPathsKey[];
extern const char kSettingsKey[];

// The target's separator as text.
std::string Sep();
// Joins path parts with the target's separator.
std::string JoinPath(std::initializer_list<std::string> parts);

// Reads a file in text mode (so CR LF reads as LF on Windows); empty when it
// cannot be read.
std::string ReadText(const std::string& path);
// Writes `content` in text mode. True on success.
bool WriteText(const std::string& path, const std::string& content);
bool MakeDirectory(const std::string& path);

// Makes `directory` read-only (or writable again). True when creating a file
// in it now fails, which root on POSIX and Windows for directories do not
// enforce; the test is then skipped.
bool MakeReadOnlyDirectory(const std::string& directory);
void MakeWritableDirectory(const std::string& directory);

// A platform installation and a module folder in a scratch directory, found
// through the registry:
//   <scratch>/Mosaikon/bin/mk.exe (the App Paths value; the file need not exist)
//   <scratch>/Mosaikon/nametab.lst, userdef.lst
//   <scratch>/MkUser/Message/english.mkrc (and japanese.mkrc)
//   <scratch>/Module Folder/nametab.clock, userdef.clock, english.clock
class TestInstallation {
 public:
  TestInstallation();

  std::string Root() const { return root_; }
  std::string UserDir() const { return userDir_; }
  std::string ModuleDir() const { return moduleDir_; }
  std::string Nametab() const { return JoinPath({root_, "nametab.lst"}); }
  std::string Userdef() const { return JoinPath({root_, "userdef.lst"}); }
  std::string Messages(const std::string& language = "english") const {
    return JoinPath({userDir_, "Message", language + ".mkrc"});
  }
  std::string ModuleFile(const std::string& name) const { return JoinPath({moduleDir_, name}); }
  // The names in the root and in the message folder, "root names|message names".
  std::string Listing() const;
  // A small installation and a small "clock" module with a file of each
  // kind, for the tests that run the whole program.
  void WriteSmallModule() const;
  // The command line that names the module folder, in double quotes.
  std::string InFolder() const { return "-in \"" + moduleDir_ + "\" "; }
  ScratchDirectory& Scratch() { return scratch_; }
  // The registry values of the installation, put back when the test ends.
  RegistryValues& Values() { return values_; }

 private:
  ScratchDirectory scratch_;
  PrivateRegistry registry_;
  RegistryValues values_;
  std::string root_;
  std::string userDir_;
  std::string moduleDir_;
};

// The installation's three files, as one state.
struct InstallationFiles {
  std::string nametab, userdef, messages;
};
InstallationFiles ReadFiles(const TestInstallation& install);
void WriteFiles(const TestInstallation& install, const InstallationFiles& files);

// Stops an install and a removal of the small module at each step of their
// file writes in turn, through `runStopped(step, arguments)` (which runs
// mkinstall_stop_at_write_step and returns its status), and checks that each
// file is left old or new, and that the next run, through `runQuiet`, ends
// the work and leaves no new file behind.
void CheckRunsStoppedAtEveryWriteStep(TestInstallation& install,
                                      const std::function<int(int, const std::string&)>& runStopped,
                                      const std::function<int(const std::string&)>& runQuiet);
