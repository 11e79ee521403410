// Temporary files: unpredictable names, exclusive creation, limits.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <new>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ScratchDirectory.h"
#include "TempDirectoryOverride.h"
#include "bazaro/TempFile.h"
#include "kernel/KernelObjects.h"
#include "os/PathSeparator.h"

namespace {

class TempFileTest : public testing::Test {
 protected:
  // Takes a name from MakeTempFile; empty for null.
  std::string Take() {
    char* name = MakeTempFile(nullptr);
    if (name == nullptr) return "";
    std::string text = name;
    FreeString(&name);
    return text;
  }

  std::string Name(const std::string& number) { return override_.Directory() + number + ".tmp"; }

  ScratchDirectory scratch_;
  TempDirectoryOverride override_{scratch_.Path()};
};

// A directory path of exactly `length` characters with its separator, below
// `base`; created when `create` is set.
std::string DirectoryOfLength(const std::string& base, std::size_t length, bool create) {
  std::string path = base + os::kPathSeparatorText;
  std::string name(length - path.size() - 1, 'd');
  path += name;
  if (create) std::filesystem::create_directory(path);
  return path;
}

// True when `name` is `directory` followed by eight decimal digits and ".tmp".
bool IsTempName(const std::string& name, const std::string& directory) {
  if (name.size() != directory.size() + 12 || name.compare(0, directory.size(), directory) != 0 ||
      name.compare(name.size() - 4, 4, ".tmp") != 0) {
    return false;
  }
  for (std::size_t i = directory.size(); i < name.size() - 4; ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
  }
  return true;
}

}  // namespace

TEST_F(TempFileTest, NamesAreEightDigitsAndNewEmptyOwnerOnlyFiles) {
  const std::string first = Take();
  const std::string second = Take();
  for (const std::string& name : {first, second}) {
    EXPECT_TRUE(IsTempName(name, override_.Directory())) << name;
    EXPECT_TRUE(FileExists(name));
    EXPECT_EQ(ReadWholeFile(name), "");
#ifndef _WIN32
    namespace fs = std::filesystem;
    EXPECT_EQ(fs::status(name).permissions() & (fs::perms::group_all | fs::perms::others_all),
              fs::perms::none);
#endif
  }
  EXPECT_NE(first, second);
}

// Names another user could guess in advance (such as the first ten thousand
// numbers) must not stop a transfer, and a planted link is never followed.
TEST_F(TempFileTest, FindsANewNameWhenTheFirstTenThousandAreTaken) {
  const std::string target = scratch_.File("target");
  std::set<std::string> planted;
  char number[16];
  for (int i = 0; i < 10000; ++i) {
    std::snprintf(number, sizeof number, "%08d", i);
    planted.insert(Name(number));
#ifdef _WIN32
    ASSERT_TRUE(WriteWholeFile(Name(number), "taken"));  // links need privileges
#else
    std::filesystem::create_symlink(target, Name(number));
#endif
  }
  const std::string name = Take();
  EXPECT_TRUE(IsTempName(name, override_.Directory())) << name;
  EXPECT_EQ(planted.count(name), 0u);
  EXPECT_EQ(ReadWholeFile(name), "");
  EXPECT_FALSE(FileExists(target));
}

TEST_F(TempFileTest, TwoThreadsNeverGetTheSameName) {
  constexpr int kEach = 40;
  std::vector<std::string> first;
  std::vector<std::string> second;
  auto take = [this](std::vector<std::string>* names) {
    for (int i = 0; i < kEach; ++i) names->push_back(Take());
  };
  std::thread one(take, &first);
  std::thread two(take, &second);
  one.join();
  two.join();
  std::set<std::string> all;
  for (const auto* names : {&first, &second}) {
    for (const std::string& name : *names) {
      EXPECT_FALSE(name.empty());
      EXPECT_TRUE(FileExists(name));
      all.insert(name);
    }
  }
  EXPECT_EQ(all.size(), 2u * kEach);
}

TEST_F(TempFileTest, GivesNullWhenTheDirectoryLeavesNoRoomOrCannotHoldFiles) {
  // 243 characters and twelve more make 255: the longest name that fits.
  std::string fits = DirectoryOfLength(scratch_.Path(), 243, true);
  std::string tooLong = DirectoryOfLength(scratch_.Path(), 244, true);
  {
    TempDirectoryOverride inner(fits);
    EXPECT_TRUE(IsTempName(Take(), fits + os::kPathSeparatorText));
  }
  {
    TempDirectoryOverride inner(tooLong);
    EXPECT_EQ(Take(), "");
  }
  {
    TempDirectoryOverride inner(scratch_.File(std::string(400, 'x')));
    EXPECT_EQ(Take(), "");
  }
  {
    TempDirectoryOverride inner(scratch_.File("missing"));
    EXPECT_EQ(Take(), "");
  }
  EXPECT_EQ(ListDirectory(tooLong), "");
}
