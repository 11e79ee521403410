// The registry file that serves the registry calls on POSIX: reading a file
// written by hand, and rewriting it without disturbing what it does not touch.
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "EnvironmentOverride.h"
#include "ScratchDirectory.h"
#include "os/PathSeparator.h"
#include "os/RegistryApi.h"

namespace {

namespace fs = std::filesystem;

const char kMosaikonKey[] = "SOFTWARE\\Veltrane\\Mosaikon\\4.1\\INI\\Mosaikon";

const char kHandwritten[] =
    "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
    "\r\n"
    "; settings of the platform, kept by hand\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Veltrane\\Mosaikon\\4.1\\INI\\Mosaikon]\r\n"
    "\"MKUSRDIR\"=\"/home/user/mosaikon\"\r\n"
    "@=\"the default\"\r\n"
    "\"Quoted\"=\"say \\\"hi\\\" from C:\\\\dir\"\r\n"
    "\"Loose\" = \"C:\\path\"\r\n"
    "\"Number\"=dword:0000002A\r\n"
    "\"Binary\"=hex:01,02,\\\r\n"
    "  03,04\r\n"
    "this line means nothing to the reader\r\n"
    "\"Unterminated=\"oops\r\n"
    "\r\n"
    "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Removed]\r\n"
    "\"Gone\"=\"x\"\r\n"
    "\r\n"
    "[hkey_local_machine\\software\\veltrane\\mosaikon\\4.1\\ini\\OTHER]\r\n"
    "\"mkusrdir\"=\"other\"\r\n"
    "\"MkUsrDir\"=\"later wins\"\r\n";

class RegistryFileTest : public testing::Test {
 protected:
  void SetUp() override {
    if (os::kPathSeparator != '/') GTEST_SKIP() << "the registry file serves POSIX only";
    file_ = scratch_.File("registry.reg");
    registry_ = std::make_unique<EnvironmentOverride>("MOSAIKON_REGISTRY", file_.c_str());
  }

  HKEY Open(const char* subKey, REGSAM access = KEY_ALL_ACCESS) {
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, access, &key), ERROR_SUCCESS) << subKey;
    return key;
  }

  ScratchDirectory scratch_;
  std::string file_;
  std::unique_ptr<EnvironmentOverride> registry_;
};

LONG SetString(HKEY key, const char* name, const std::string& value) {
  return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>(value.size() + 1));
}

TEST_F(RegistryFileTest, ReadsAHandwrittenFile) {
  ASSERT_TRUE(WriteWholeFile(file_, kHandwritten));
  const char* other = "SOFTWARE\\Veltrane\\Mosaikon\\4.1\\INI\\Other";
  struct Case {
    const char* key;
    const char* name;
    LONG status;
    DWORD type;
    const char* text;  // REG_SZ
    DWORD number;      // REG_DWORD
  };
  const Case cases[] = {
      {kMosaikonKey, "mkusrdir", ERROR_SUCCESS, REG_SZ, "/home/user/mosaikon", 0},
      {kMosaikonKey, nullptr, ERROR_SUCCESS, REG_SZ, "the default", 0},
      {kMosaikonKey, "", ERROR_SUCCESS, REG_SZ, "the default", 0},
      {kMosaikonKey, "QUOTED", ERROR_SUCCESS, REG_SZ, "say \"hi\" from C:\\dir", 0},
      {kMosaikonKey, "Loose", ERROR_SUCCESS, REG_SZ, "C:\\path", 0},
      {kMosaikonKey, "Number", ERROR_SUCCESS, REG_DWORD, nullptr, 42},
      {kMosaikonKey, "Binary", ERROR_FILE_NOT_FOUND, 0, nullptr, 0},
      {kMosaikonKey, "Missing", ERROR_FILE_NOT_FOUND, 0, nullptr, 0},
      {kMosaikonKey, "Gone", ERROR_FILE_NOT_FOUND, 0, nullptr, 0},
      {other, "MKUSRDIR", ERROR_SUCCESS, REG_SZ, "later wins", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.key) + " / " + (c.name ? c.name : "(null)"));
    HKEY key = Open(c.key, KEY_READ);
    ASSERT_NE(key, nullptr);
    char data[64];
    DWORD size = sizeof data;
    DWORD type = REG_NONE;
    LONG status =
        RegQueryValueExA(key, c.name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    EXPECT_EQ(status, c.status);
    if (status == ERROR_SUCCESS) {
      EXPECT_EQ(type, c.type);
      if (c.type == REG_SZ) {
        EXPECT_EQ(size, std::strlen(c.text) + 1);
        EXPECT_STREQ(data, c.text);
      } else {
        DWORD number = 0;
        ASSERT_EQ(size, sizeof number);
        std::memcpy(&number, data, sizeof number);
        EXPECT_EQ(number, c.number);
      }
    }
    RegCloseKey(key);
  }

  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Removed", 0, KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);
}

// The 32-bit view lies where an export of a 64-bit Windows registry shows it.
TEST_F(RegistryFileTest, TheThirtyTwoBitViewIsTheWow6432NodeSubtree) {
  ASSERT_TRUE(WriteWholeFile(file_,
                             "Windows Registry Editor Version 5.00\n"
                             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Veltrane]\n\"V\"=\"64\"\n"
                             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Veltrane]\n\"V\"=\"32\"\n"
                             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\"
                             "App Paths\\MK.EXE]\n\"V\"=\"shared\"\n"
                             "[HKEY_CURRENT_USER\\SOFTWARE\\Veltrane]\n\"V\"=\"user\"\n"));
  struct {
    HKEY root;
    const char* key;
    REGSAM view;
    const char* value;
  } cases[] = {
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\Veltrane", 0, "64"},
      {HKEY_LOCAL_MACHINE, "software\\veltrane", KEY_WOW64_32KEY, "32"},
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\WOW6432Node\\Veltrane", KEY_WOW64_32KEY, "32"},
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\MK.EXE",
       KEY_WOW64_32KEY, "shared"},
      {HKEY_CURRENT_USER, "SOFTWARE\\Veltrane", KEY_WOW64_32KEY, "user"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(c.root, c.key, 0, KEY_READ | c.view, &key), ERROR_SUCCESS);
    char data[16] = "";
    DWORD size = sizeof data;
    EXPECT_EQ(RegQueryValueExA(key, "V", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(data, c.value);
    RegCloseKey(key);
  }
}

TEST_F(RegistryFileTest, ReportsTheSizeNeededAndLeavesASmallBufferAlone) {
  ASSERT_TRUE(WriteWholeFile(file_, kHandwritten));
  HKEY key = Open(kMosaikonKey, KEY_READ);
  char data[64];
  std::memset(data, '#', sizeof data);
  DWORD size = 19;  // "/home/user/mosaikon" without its NUL
  EXPECT_EQ(
      RegQueryValueExA(key, "MKUSRDIR", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size),
      ERROR_MORE_DATA);
  EXPECT_EQ(size, 20u);
  for (char c : data) ASSERT_EQ(c, '#');

  // A DWORD is wider than four bytes here; four bytes still get the value.
  std::uint32_t number = 0;
  size = sizeof number;
  EXPECT_EQ(
      RegQueryValueExA(key, "Number", nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &size),
      ERROR_SUCCESS);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(number, 42u);
  RegCloseKey(key);
}

TEST_F(RegistryFileTest, RewritesOnlyWhatChanged) {
  ASSERT_TRUE(WriteWholeFile(file_, kHandwritten));
  HKEY key = Open(kMosaikonKey);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(SetString(key, "MkUsrDir", "/srv/mosaikon"), ERROR_SUCCESS);
  DWORD one = 1;
  EXPECT_EQ(RegSetValueExA(key, "binary", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4),
            ERROR_SUCCESS);
  EXPECT_EQ(SetString(key, "Fresh", "new"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(key, "NUMBER"), ERROR_SUCCESS);
  RegCloseKey(key);
  key = Open("SOFTWARE\\Veltrane\\Mosaikon\\4.1\\INI\\Other");
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(SetString(key, "Added", "a\\b"), ERROR_SUCCESS);
  RegCloseKey(key);

  const char expected[] =
      "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
      "\r\n"
      "; settings of the platform, kept by hand\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Veltrane\\Mosaikon\\4.1\\INI\\Mosaikon]\r\n"
      "\"MKUSRDIR\"=\"/srv/mosaikon\"\r\n"
      "@=\"the default\"\r\n"
      "\"Quoted\"=\"say \\\"hi\\\" from C:\\\\dir\"\r\n"
      "\"Loose\" = \"C:\\path\"\r\n"
      "\"Binary\"=dword:00000001\r\n"
      "this line means nothing to the reader\r\n"
      "\"Unterminated=\"oops\r\n"
      "\"Fresh\"=\"new\"\r\n"
      "\r\n"
      "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Removed]\r\n"
      "\"Gone\"=\"x\"\r\n"
      "\r\n"
      "[hkey_local_machine\\software\\veltrane\\mosaikon\\4.1\\ini\\OTHER]\r\n"
      "\"mkusrdir\"=\"other\"\r\n"
      "\"MkUsrDir\"=\"later wins\"\r\n"
      "\"Added\"=\"a\\\\b\"\r\n";
  EXPECT_EQ(ReadWholeFile(file_), expected);
  EXPECT_EQ(scratch_.Listing(), "registry.reg") << "no temporary file is left behind";
}

// A backslash at the end of a value's data takes in data lines only: never
// the next value or section, nor a value added after it at the file's end.
TEST_F(RegistryFileTest, AContinuationStopsAtTheNextValueOrSection) {
  ASSERT_TRUE(WriteWholeFile(file_,
                             "Windows Registry Editor Version 5.00\n"
                             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\A]\n"
                             "\"Bin\"=hex:01,\\\n"
                             "\"After\"=\"a\"\n"
                             "\"Open\"=\"no end \\\n"
                             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\B]\n"
                             "\"Tail\"=hex:02,\\"));
  HKEY key = Open("SOFTWARE\\B");
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(SetString(key, "Added", "b"), ERROR_SUCCESS);
  RegCloseKey(key);
  const char* cases[][3] = {{"SOFTWARE\\A", "After", "a"}, {"SOFTWARE\\B", "Added", "b"}};
  for (const auto& c : cases) {
    key = Open(c[0], KEY_READ);
    char data[16] = "";
    DWORD size = sizeof data;
    EXPECT_EQ(RegQueryValueExA(key, c[1], nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(data, c[2]);
    RegCloseKey(key);
  }
}

TEST_F(RegistryFileTest, CreatesTheFileWithItsFirstKey) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\BazaroTest\\Os", 0, nullptr,
                            REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  EXPECT_EQ(SetString(key, "Path", "C:\\a \"b\""), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(ReadWholeFile(file_),
            "Windows Registry Editor Version 5.00\n"
            "\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\BazaroTest\\Os]\n"
            "\"Path\"=\"C:\\\\a \\\"b\\\"\"\n");
}

TEST_F(RegistryFileTest, RefusesLineBreaksThatWouldForgeLines) {
  ASSERT_TRUE(WriteWholeFile(file_, kHandwritten));
  HKEY key = Open(kMosaikonKey);
  ASSERT_NE(key, nullptr);
  const char* forged = "x\"\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Evil]\r\n\"A\"=\"b";
  EXPECT_EQ(SetString(key, "MKUSRDIR", forged), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(SetString(key, "Two\nLines", "x"), ERROR_INVALID_PARAMETER);
  RegCloseKey(key);
  HKEY created = nullptr;
  EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\A\nB", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &created, nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(ReadWholeFile(file_), kHandwritten);
}

// A standard user's view of HKEY_LOCAL_MACHINE: it reads, but every right
// to change it is refused, and the file stays as it was.
TEST_F(RegistryFileTest, AReadOnlyMachineRootRefusesEveryRightToChangeIt) {
  ASSERT_TRUE(WriteWholeFile(file_, kHandwritten));
  EnvironmentOverride readOnly("MOSAIKON_REGISTRY_READONLY", "1");
  const REGSAM writing[] = {KEY_ALL_ACCESS, KEY_WRITE, KEY_SET_VALUE, KEY_CREATE_SUB_KEY,
                            KEY_READ | KEY_SET_VALUE | KEY_WOW64_32KEY};
  for (REGSAM access : writing) {
    SCOPED_TRACE(access);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kMosaikonKey, 0, access, &key),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\BazaroTest\\New", 0, nullptr, 0,
                              access, nullptr, &key, nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(key, nullptr);
  }
  EXPECT_EQ(SetString(HKEY_LOCAL_MACHINE, "Root", "x"), ERROR_ACCESS_DENIED);
  RegCloseKey(Open(kMosaikonKey, KEY_READ));
  EXPECT_EQ(ReadWholeFile(file_), kHandwritten);
  // The user's own keys stay writable.
  HKEY user = nullptr;
  EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\BazaroTest", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &user, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(user);
}

TEST_F(RegistryFileTest, FailsWhenTheFileOrItsDirectoryIsMissing) {
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kMosaikonKey, 0, KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);

  const std::string missing = scratch_.File("missing") + "/registry.reg";
  EnvironmentOverride elsewhere("MOSAIKON_REGISTRY", missing.c_str());
  EXPECT_NE(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kMosaikonKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(key, nullptr);
  EXPECT_EQ(scratch_.Listing(), "");
}

TEST_F(RegistryFileTest, KeepsTheFilesPermissionsAndLinks) {
  const std::string real = scratch_.File("real.reg");
  ASSERT_TRUE(WriteWholeFile(real, kHandwritten));
  fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink(real, file_);

  HKEY key = Open(kMosaikonKey);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(SetString(key, "MKUSRDIR", "/srv/mosaikon"), ERROR_SUCCESS);
  RegCloseKey(key);

  EXPECT_TRUE(fs::is_symlink(file_));
  EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_NE(ReadWholeFile(real).find("\"MKUSRDIR\"=\"/srv/mosaikon\"\r\n"), std::string::npos);
  EXPECT_EQ(scratch_.Listing(), "real.reg registry.reg");
}

}  // namespace
