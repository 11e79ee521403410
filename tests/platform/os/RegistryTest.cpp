// The registry calls on both targets: the real registry on Windows, the
// registry file on POSIX (pointed at a scratch file by MOSAIKON_REGISTRY).
#include <cstring>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "EnvironmentOverride.h"
#include "ScratchDirectory.h"
#include "os/PathSeparator.h"
#include "os/RegistryApi.h"
#include "os/Thread.h"

namespace {

const char kTestKey[] = "SOFTWARE\\BazaroTest\\Os";

LONG SetString(HKEY key, const char* name, const std::string& value) {
  return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>(value.size() + 1));
}

LONG SetDword(HKEY key, const char* name, DWORD value) {
  return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                        sizeof value);
}

// Reads a string value; empty when it cannot be read as one.
std::string QueryString(HKEY key, const char* name) {
  char data[256];
  DWORD size = sizeof data;
  DWORD type = REG_NONE;
  LONG status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  if (status != ERROR_SUCCESS || type != REG_SZ || size == 0) return "";
  return std::string(data, size - 1);
}

class RegistryTest : public testing::Test {
 protected:
  void SetUp() override {
    if (os::kPathSeparator == '/') {
      registryFile_ = scratch_.File("registry.reg");
      registry_ = std::make_unique<EnvironmentOverride>("MOSAIKON_REGISTRY", registryFile_.c_str());
    }
  }

  // On Windows the key is real and shared: the values go again, whatever the
  // test did.
  void RemoveValues(const std::initializer_list<const char*>& names) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kTestKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
      return;
    }
    for (const char* name : names) RegDeleteValueA(key, name);
    RegCloseKey(key);
  }

  bool IsPosix() const { return !registryFile_.empty(); }

  ScratchDirectory scratch_;
  std::string registryFile_;
  std::unique_ptr<EnvironmentOverride> registry_;
};

TEST_F(RegistryTest, ReadsBackWhatItWrote) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kTestKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &key, &disposition),
            ERROR_SUCCESS);
  if (IsPosix()) {
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  }
  const std::string path = "C:\\Mosaikon \"4.1\"\\user";
  EXPECT_EQ(SetString(key, "UserDir", path), ERROR_SUCCESS);
  EXPECT_EQ(SetDword(key, "Count", 0x12345678), ERROR_SUCCESS);
  EXPECT_EQ(SetString(key, nullptr, "the default"), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kTestKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kTestKey, 0, KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_EQ(QueryString(key, "UserDir"), path);
  EXPECT_EQ(QueryString(key, "USERDIR"), path) << "value names ignore case";
  EXPECT_EQ(QueryString(key, nullptr), "the default");
  EXPECT_EQ(QueryString(key, ""), "the default");

  DWORD type = REG_NONE;
  DWORD count = 0;
  DWORD size = sizeof count;
  EXPECT_EQ(RegQueryValueExA(key, "count", nullptr, &type, reinterpret_cast<BYTE*>(&count), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(size, sizeof count);
  EXPECT_EQ(count, 0x12345678u);

  // Only the type and the size, then a buffer one byte short.
  size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "UserDir", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, path.size() + 1);
  char small[64];
  size = static_cast<DWORD>(path.size());
  EXPECT_EQ(RegQueryValueExA(key, "UserDir", nullptr, &type, reinterpret_cast<BYTE*>(small), &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, path.size() + 1);

  // A key opened for reading does not take writes.
  EXPECT_EQ(SetString(key, "UserDir", "changed"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(QueryString(key, "UserDir"), path);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kTestKey, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(key, "userdir"), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExA(key, "UserDir", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteValueA(key, "UserDir"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(QueryString(key, nullptr), "the default") << "the other values stay";
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  RemoveValues({"UserDir", "Count", ""});
}

TEST_F(RegistryTest, OpensOnlyKeysThatExist) {
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\BazaroTest\\NoSuchKey", 0, KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, nullptr);

  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kTestKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

  // The parent of a key exists, and a key opens below an opened key.
  HKEY parent = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\bazarotest", 0, KEY_READ, &parent),
            ERROR_SUCCESS);
  EXPECT_EQ(RegOpenKeyExA(parent, "OS", 0, KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(parent), ERROR_SUCCESS);
}

struct Writer {
  const char* prefix;
  int failures = 0;
};

constexpr int kValuesPerWriter = 20;

unsigned long WriteValues(void* argument) {
  Writer* writer = static_cast<Writer*>(argument);
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kTestKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
    writer->failures = kValuesPerWriter;
    return 1;
  }
  for (int i = 0; i < kValuesPerWriter; ++i) {
    std::string name = writer->prefix + std::to_string(i);
    if (SetString(key, name.c_str(), name) != ERROR_SUCCESS) ++writer->failures;
  }
  RegCloseKey(key);
  return 0;
}

TEST_F(RegistryTest, WritersOnTwoThreadsLoseNothing) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kTestKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  Writer first{"First"}, second{"Second"};
  os::ThreadHandle* one = os::StartThread(WriteValues, &first);
  os::ThreadHandle* two = os::StartThread(WriteValues, &second);
  ASSERT_NE(one, nullptr);
  ASSERT_NE(two, nullptr);
  EXPECT_TRUE(os::WaitForThread(one, 60000));
  EXPECT_TRUE(os::WaitForThread(two, 60000));
  os::ReleaseThread(one);
  os::ReleaseThread(two);
  EXPECT_EQ(first.failures, 0);
  EXPECT_EQ(second.failures, 0);

  for (const char* prefix : {"First", "Second"}) {
    for (int i = 0; i < kValuesPerWriter; ++i) {
      std::string name = prefix + std::to_string(i);
      EXPECT_EQ(QueryString(key, name.c_str()), name);
      RegDeleteValueA(key, name.c_str());
    }
  }
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

}  // namespace
