// Finding the installation: the registry reads and the paths derived from
// them.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "EnvironmentOverride.h"
#include "SetupTestSupport.h"
#include "os/PathSeparator.h"
#include "setup/run/InstallPaths.h"
#include "setup/run/PathRules.h"
#include "setup/run/Registry.h"

namespace setup {
namespace {

const PathRules kWindows{'\\', true, false};
const PathRules kWindowsJapanese{'\\', true, true};
const PathRules kPosix{'/', false, false};

struct RootCase {
  const char* name;
  PathRules rules;
  const char* mainProgram;
  bool found;
  const char* root;
};

const RootCase kRootCases[] = {
    {"LowersTheRoot", kWindows, "C:\\Program Files\\Mosaikon\\BIN\\MK.EXE", true,
     "c:\\program files\\mosaikon"},
    {"TakesTheFirstOccurrence", kWindows, "C:\\A\\bin\\mk.exe\\bin\\mk.exe", true, "c:\\a"},
    {"DropsTrailingSeparators", kWindows, "C:\\Mosaikon\\\\\\bin\\mk.exe", true, "c:\\mosaikon"},
    {"KeepsQuotes", kWindows, "\"C:\\Mosaikon\\bin\\mk.exe\"", true, "\"c:\\mosaikon"},
    {"NeedsTheProgram", kWindows, "C:\\Mosaikon\\mk.exe", false, ""},
    {"NeedsTheSeparator", kWindows, "C:/Mosaikon/bin/mk.exe", false, ""},
    // CP932: 0x95 0x5C is one character whose second byte is a backslash;
    // 0x83 0x41 one whose second byte is "A".
    {"DoubleByteTrailIsNoSeparator", kWindowsJapanese, "C:\\\x95\\bin\\mk.exe", false, ""},
    {"SingleByteSeesTheSeparator", kWindows, "C:\\\x95\\bin\\mk.exe", true, "c:\\\x95"},
    {"DoubleByteRootKeepsItsLastCharacter", kWindowsJapanese, "C:\\\x95\x5c\\bin\\mk.exe", true,
     "c:\\\x95\x5c"},
    {"DoubleByteTrailIsNoLetter", kWindowsJapanese, "C:\\X\x83\x41\\BIN\\MK.EXE", true,
     "c:\\x\x83\x41"},
    {"PosixKeepsCase", kPosix, "/opt/Mosaikon/BIN/Mk.Exe", true, "/opt/Mosaikon"},
    {"PosixDropsTrailingSeparators", kPosix, "/opt/mosaikon//bin/mk.exe", true, "/opt/mosaikon"},
    {"PosixRootDirectory", kPosix, "/bin/mk.exe", true, ""},
    {"PosixUtf8", kPosix, u8"/opt/モザイク/bin/mk.exe", true, u8"/opt/モザイク"},
    {"PosixNeedsTheSeparator", kPosix, "C:\\Mosaikon\\bin\\mk.exe", false, ""},
};

class DeriveInstallRootTest : public testing::TestWithParam<RootCase> {};

TEST_P(DeriveInstallRootTest, CutsAtTheMainProgram) {
  const RootCase& c = GetParam();
  std::string root = "untouched";
  EXPECT_EQ(DeriveInstallRoot(c.mainProgram, c.rules, &root), c.found);
  if (c.found) {
    EXPECT_EQ(root, c.root);
  }
}

INSTANTIATE_TEST_SUITE_P(Paths, DeriveInstallRootTest, testing::ValuesIn(kRootCases),
                         [](const testing::TestParamInfo<RootCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(RemoveTrailingSeparatorsTest, KeepsDoubleByteCharacters) {
  struct {
    PathRules rules;
    std::string path;
    std::string expected;
  } cases[] = {
      {kWindows, "D:\\MkUser\\", "D:\\MkUser"},
      {kWindows, "D:\\MkUser\\\\\\", "D:\\MkUser"},
      {kWindows, "D:\\MkUser", "D:\\MkUser"},
      {kWindowsJapanese, "D:\\\x95\x5c", "D:\\\x95\x5c"},
      {kWindowsJapanese, "D:\\\x95\x5c\\\\", "D:\\\x95\x5c"},
      {kPosix, "/home/me/", "/home/me"},
      {kPosix, "/", ""},
  };
  for (auto& c : cases) {
    RemoveTrailingSeparators(&c.path, c.rules);
    EXPECT_EQ(c.path, c.expected);
  }
}

const char kTestKey[] = "SOFTWARE\\BazaroTest\\Setup";

class RegistryTest : public testing::Test {
 protected:
  PrivateRegistry registry_;
  RegistryValues values_;
};

TEST_F(RegistryTest, ReadRegistryStringReadsAValue) {
  ASSERT_TRUE(values_.Set(kTestKey, "Name", "value text"));
  char buffer[64] = "";
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, kTestKey, "Name", buffer, sizeof buffer), 1);
  EXPECT_STREQ(buffer, "value text");
}

TEST_F(RegistryTest, ReadRegistryStringRefusesMissingArgumentsWithoutTouchingTheBuffer) {
  ASSERT_TRUE(values_.Set(kTestKey, "Name", "value"));
  char buffer[16] = "old";
  EXPECT_EQ(ReadRegistryString(nullptr, kTestKey, "Name", buffer, sizeof buffer), 0);
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, nullptr, "Name", buffer, sizeof buffer), 0);
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, kTestKey, nullptr, buffer, sizeof buffer), 0);
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, kTestKey, "Name", nullptr, sizeof buffer), 0);
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, kTestKey, "Name", buffer, 0), 0);
  EXPECT_STREQ(buffer, "old");
}

TEST_F(RegistryTest, MissingKeyOrValueLeavesTheBuffer) {
  ASSERT_TRUE(values_.Set(kTestKey, "Name", "value"));
  char buffer[16] = "";
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, "SOFTWARE\\BazaroTest\\Nowhere", "Name", buffer,
                               sizeof buffer),
            0);
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, kTestKey, "Other", buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");
}

TEST_F(RegistryTest, AValueMustFitWithItsNul) {
  ASSERT_TRUE(values_.Set(kTestKey, "Fits", "1234567"));
  ASSERT_TRUE(values_.Set(kTestKey, "Long", "12345678"));
  char buffer[8] = "";
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, kTestKey, "Fits", buffer, sizeof buffer), 1);
  EXPECT_STREQ(buffer, "1234567");
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, kTestKey, "Long", buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");
}

// Four letters as a number are no string: nothing of them is read.
TEST_F(RegistryTest, AValueOfAnotherTypeReadsAsMissing) {
  ASSERT_TRUE(values_.SetDword(kTestKey, "Number", 0x41424344));
  char buffer[16];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, kTestKey, "Number", buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");
}

class InstallPathsTest : public RegistryTest {
 protected:
  std::string Path(std::initializer_list<std::string> parts) { return JoinPath(parts); }
};

TEST_F(InstallPathsTest, DerivesEveryPath) {
  ASSERT_TRUE(values_.Set(kAppPathsKey, "", Path({"", "opt", "mosaikon", "BIN", "MK.EXE"})));
  ASSERT_TRUE(values_.Set(kSettingsKey, "MKUSRDIR", Path({"", "MkUser", ""})));
  InstallPaths english(Language::kEnglish);
  EXPECT_EQ(english.InstallRoot(), Path({"", "opt", "mosaikon"}));
  EXPECT_EQ(english.NametabPath(), Path({"", "opt", "mosaikon", "nametab.lst"}));
  EXPECT_EQ(english.UserdefPath(), Path({"", "opt", "mosaikon", "userdef.lst"}));
  EXPECT_EQ(english.UserDir(), Path({"", "MkUser"}));
  EXPECT_EQ(english.MessagePath(), Path({"", "MkUser", "Message", "english.mkrc"}));

  InstallPaths japanese(Language::kJapanese);
  EXPECT_EQ(japanese.MessagePath(), Path({"", "MkUser", "Message", "japanese.mkrc"}));
}

// A standard user may not change HKEY_LOCAL_MACHINE, but finds the
// installation all the same. (Only the POSIX registry file reads the
// variable; a Wine prefix's user may change everything.)
TEST_F(InstallPathsTest, AUserWhoMayOnlyReadTheRegistryFindsTheInstallation) {
  ASSERT_TRUE(values_.Set(kAppPathsKey, "", Path({"", "opt", "mosaikon", "bin", "mk.exe"})));
  ASSERT_TRUE(values_.Set(kSettingsKey, "MKUSRDIR", Path({"", "MkUser"})));
  EnvironmentOverride readOnly("MOSAIKON_REGISTRY_READONLY", "1");
  InstallPaths paths(Language::kEnglish);
  EXPECT_EQ(paths.InstallRoot(), Path({"", "opt", "mosaikon"}));
  EXPECT_EQ(paths.UserDir(), Path({"", "MkUser"}));
}

TEST_F(InstallPathsTest, TheRootIsLowerCasedOnlyWhereFileNamesIgnoreCase) {
  ASSERT_TRUE(values_.Set(kAppPathsKey, "", Path({"", "Opt", "MoSaIkOn", "bin", "mk.exe"})));
  ASSERT_TRUE(values_.Set(kSettingsKey, "MKUSRDIR", Path({"", "MkUser"})));
  InstallPaths paths(Language::kEnglish);
  std::string root =
      os::kPathSeparator == '\\' ? Path({"", "opt", "mosaikon"}) : Path({"", "Opt", "MoSaIkOn"});
  EXPECT_EQ(paths.InstallRoot(), root);
  EXPECT_EQ(paths.UserDir(), Path({"", "MkUser"}));  // the user directory keeps its case
}

TEST_F(InstallPathsTest, AnyMissingPieceLeavesEveryPathEmpty) {
  const std::string good = Path({"", "opt", "mosaikon", "bin", "mk.exe"});
  const std::string user = Path({"", "MkUser"});
  struct {
    const char* what;
    const char* appPaths;  // null: no value
    const char* userDir;
  } cases[] = {
      {"no values", nullptr, nullptr},
      {"no MKUSRDIR", good.c_str(), nullptr},
      {"empty MKUSRDIR", good.c_str(), ""},
      {"no App Paths value", nullptr, user.c_str()},
      {"empty App Paths value", "", user.c_str()},
      {"no main program in the path", "C:\\Mosaikon\\mk.exe", user.c_str()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.appPaths != nullptr) {
      ASSERT_TRUE(values_.Set(kAppPathsKey, "", c.appPaths));
    } else {
      ASSERT_TRUE(values_.Remove(kAppPathsKey, ""));
    }
    if (c.userDir != nullptr) {
      ASSERT_TRUE(values_.Set(kSettingsKey, "MKUSRDIR", c.userDir));
    } else {
      ASSERT_TRUE(values_.Remove(kSettingsKey, "MKUSRDIR"));
    }
    InstallPaths paths(Language::kEnglish);
    EXPECT_EQ(paths.InstallRoot(), "");
    EXPECT_EQ(paths.NametabPath(), "");
    EXPECT_EQ(paths.UserdefPath(), "");
    EXPECT_EQ(paths.UserDir(), "");
    EXPECT_EQ(paths.MessagePath(), "");
  }
}

// The 32-bit platform writes its settings to the registry's 32-bit view (the
// App Paths key is one key in both views). A 64-bit program reads its own view
// first and the 32-bit one when its own holds no installation. A 32-bit
// program has only the one view, so there the value written last is found.
TEST_F(InstallPathsTest, FindsTheInstallationInTheViewThatHoldsOne) {
  const bool oneView = sizeof(void*) == 4;
  const std::string user64 = Path({"", "MkUser64"});
  const std::string user32 = Path({"", "MkUser32"});
  const std::string empty;
  struct {
    const char* what;
    const std::string* ownUserDir;  // null: removed
    std::string expected;
    std::string expectedInOneView;
  } cases[] = {
      {"only in the 32-bit view", nullptr, user32, user32},
      {"empty in the own view", &empty, user32, user32},
      {"in both views", &user64, user64, user32},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RegistryValues ownView;
    RegistryValues view32(KEY_WOW64_32KEY);
    ASSERT_TRUE(ownView.Set(kAppPathsKey, "", Path({"", "opt", "mosaikon", "bin", "mk.exe"})));
    if (c.ownUserDir != nullptr) {
      ASSERT_TRUE(ownView.Set(kSettingsKey, "MKUSRDIR", *c.ownUserDir));
    } else {
      ASSERT_TRUE(ownView.Remove(kSettingsKey, "MKUSRDIR"));
    }
    ASSERT_TRUE(view32.Set(kSettingsKey, "MKUSRDIR", user32));
    InstallPaths paths(Language::kEnglish);
    EXPECT_EQ(paths.UserDir(), oneView ? c.expectedInOneView : c.expected);
    EXPECT_EQ(paths.InstallRoot(), Path({"", "opt", "mosaikon"}));
  }
}

TEST_F(InstallPathsTest, AValueBeyondTheBufferFindsNoInstallation) {
  std::string deep = Path({"", std::string(4100, 'd'), "bin", "mk.exe"});
  ASSERT_TRUE(values_.Set(kAppPathsKey, "", deep));
  ASSERT_TRUE(values_.Set(kSettingsKey, "MKUSRDIR", Path({"", "MkUser"})));
  InstallPaths paths(Language::kEnglish);
  EXPECT_EQ(paths.NametabPath(), "");
}

}  // namespace
}  // namespace setup
