// Platform settings: values read from the registry below the platform's
// settings key, one key per section.
//
// Each test writes its values through the registry calls. On POSIX they land
// in a registry file of the test's own (MOSAIKON_REGISTRY); on Windows, where
// that variable means nothing, in the registry itself, under section and value
// names of these tests only, and they are removed again afterwards.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "EnvironmentOverride.h"
#include "ScratchDirectory.h"
#include "mkres/MwEnvironment.h"
#include "mkres/MwMemory.h"
#include "os/PathSeparator.h"
#include "os/RegistryApi.h"

namespace {

const std::string kSettingsRoot = "SOFTWARE\\Veltrane\\Mosaikon\\4.1\\INI\\";

class EnvironmentTest : public testing::Test {
 protected:
  EnvironmentTest() : registryFile_("MOSAIKON_REGISTRY", scratch_.File("registry.reg")) {}

  ~EnvironmentTest() override {
    for (const auto& [section, name] : written_) RemoveValue(section, name);
  }

  void WriteValue(const std::string& section, const std::string& name, const BYTE* data, DWORD size,
                  DWORD type) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_LOCAL_MACHINE, (kSettingsRoot + section).c_str(), 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key, &disposition));
    written_.emplace_back(section, name);
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name.c_str(), 0, type, data, size));
    RegCloseKey(key);
  }

  void WriteText(const std::string& section, const std::string& name, const std::string& value) {
    WriteValue(section, name, reinterpret_cast<const BYTE*>(value.c_str()),
               static_cast<DWORD>(value.size() + 1), REG_SZ);
  }

  void RemoveValue(const std::string& section, const std::string& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kSettingsRoot + section).c_str(), 0, KEY_WRITE, &key) ==
        ERROR_SUCCESS) {
      RegDeleteValueA(key, name.c_str());
      RegCloseKey(key);
    }
  }

  ScratchDirectory scratch_;

 private:
  EnvironmentOverride registryFile_;
  std::vector<std::pair<std::string, std::string>> written_;
};

// The registry is a file only on POSIX; on Windows the real registry is read.
bool RegistryIsAFile() { return os::kPathSeparator == '/'; }

}  // namespace

TEST_F(EnvironmentTest, ReadsTheValueOfItsSection) {
  WriteText("Mosaikon", "MkresTestUserDir", "C:\\Users\\tester\\mosaikon");
  WriteText("MkresTestOther", "MkresTestUserDir", "elsewhere");

  EXPECT_STREQ("C:\\Users\\tester\\mosaikon", MwGetEnvironment("Mosaikon", "MkresTestUserDir"));
  EXPECT_STREQ("elsewhere", MwGetEnvironment("MkresTestOther", "MkresTestUserDir"));
  EXPECT_STREQ("elsewhere", MwGetEnvironment("mkrestestother", "MKRESTESTUSERDIR"))
      << "registry names compare without regard to case";
}

TEST_F(EnvironmentTest, MissingOrNonTextValuesReadAsEmpty) {
  const DWORD number = 42;
  WriteValue("MkresTestSection", "Number", reinterpret_cast<const BYTE*>(&number), sizeof number,
             REG_DWORD);

  const char* missingValue = MwGetEnvironment("MkresTestSection", "NoSuchValue");
  const char* missingSection = MwGetEnvironment("MkresTestNoSuchSection", "MKUSRDIR");
  const char* notText = MwGetEnvironment("MkresTestSection", "Number");
  ASSERT_NE(nullptr, missingValue);
  ASSERT_NE(nullptr, missingSection);
  ASSERT_NE(nullptr, notText);
  EXPECT_STREQ("", missingValue);
  EXPECT_STREQ("", missingSection);
  EXPECT_STREQ("", notText);

  ASSERT_NE(nullptr, MwGetEnvironment(nullptr, "MKUSRDIR"));
  ASSERT_NE(nullptr, MwGetEnvironment("Mosaikon", nullptr));
  EXPECT_STREQ("", MwGetEnvironment(nullptr, "MKUSRDIR"));
  EXPECT_STREQ("", MwGetEnvironment("Mosaikon", nullptr));
}

TEST_F(EnvironmentTest, ValuesAreReadAfreshAndEarlierTextsStayValid) {
  WriteText("MkresTestSection", "Changing", "first");
  const char* first = MwGetEnvironment("MkresTestSection", "Changing");
  WriteText("MkresTestSection", "Changing", "second value");
  const char* second = MwGetEnvironment("MkresTestSection", "Changing");
  RemoveValue("MkresTestSection", "Changing");
  const char* gone = MwGetEnvironment("MkresTestSection", "Changing");

  EXPECT_STREQ("first", first);
  EXPECT_STREQ("second value", second);
  EXPECT_STREQ("", gone);
}

TEST_F(EnvironmentTest, LongValuesAreReadWhole) {
  std::string longValue;
  for (int i = 0; longValue.size() < 5000; ++i) longValue += std::to_string(i) + ' ';
  WriteText("MkresTestSection", "Long", longValue);
  EXPECT_EQ(longValue, MwGetEnvironment("MkresTestSection", "Long"));
}

TEST_F(EnvironmentTest, TextsDoNotCountAsKernelHeapBlocks) {
  WriteText("MkresTestSection", "Counted", "not on the kernel heap");
  long start = MwLiveBlockCount();
  EXPECT_STREQ("not on the kernel heap", MwGetEnvironment("MkresTestSection", "Counted"));
  EXPECT_EQ(start, MwLiveBlockCount());
}

TEST_F(EnvironmentTest, ReadsAHandwrittenRegistryFile) {
  if (!RegistryIsAFile()) GTEST_SKIP() << "the registry is a file on POSIX only";
  ASSERT_TRUE(
      WriteWholeFile(scratch_.File("registry.reg"),
                     "Windows Registry Editor Version 5.00\n"
                     "\n"
                     "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Veltrane\\Mosaikon\\4.1\\INI\\Mosaikon]\n"
                     "\"MKUSRDIR\"=\"/home/user/mosaikon\"\n"
                     "\"Quoted\"=\"say \\\"hi\\\" in C:\\\\dir\"\n"
                     "\"Count\"=dword:0000002a\n"
                     "\n"
                     "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Veltrane\\Mosaikon\\4.1\\INI\\Other]\n"
                     "\"MKUSRDIR\"=\"/elsewhere\"\n"
                     "\n"
                     "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Veltrane\\Mosaikon\\4.1\\INI\\Mosaikon"
                     "\\Below]\n"
                     "\"Deep\"=\"below\"\n"));

  EXPECT_STREQ("/home/user/mosaikon", MwGetEnvironment("Mosaikon", "MKUSRDIR"));
  EXPECT_STREQ("say \"hi\" in C:\\dir", MwGetEnvironment("Mosaikon", "Quoted"));
  EXPECT_STREQ("", MwGetEnvironment("Mosaikon", "Count"));
  EXPECT_STREQ("/elsewhere", MwGetEnvironment("Other", "MKUSRDIR"));
  EXPECT_STREQ("", MwGetEnvironment("Mosaikon", "Deep")) << "values of a subkey stay below it";
  EXPECT_STREQ("below", MwGetEnvironment("Mosaikon\\Below", "Deep"));
}

TEST_F(EnvironmentTest, AMissingRegistryFileReadsAsEmpty) {
  if (!RegistryIsAFile()) GTEST_SKIP() << "the registry is a file on POSIX only";
  EnvironmentOverride nowhere("MOSAIKON_REGISTRY", scratch_.File("no-such.reg"));
  EXPECT_STREQ("", MwGetEnvironment("Mosaikon", "MKUSRDIR"));
}
