// Temporary files: numbering, exclusive creation, limits.
#include <gtest/gtest.h>

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

  std::string Name(const char* number) { return override_.Directory() + number + ".tmp"; }

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

}  // namespace

TEST_F(TempFileTest, TakesTheSmallestFreeNumberAndCreatesTheFileEmpty) {
  EXPECT_EQ(Take(), Name("00000000"));
  ASSERT_TRUE(WriteWholeFile(Name("00000002"), "taken"));
  EXPECT_EQ(Take(), Name("00000001"));
  EXPECT_TRUE(FileExists(Name("00000001")));
  EXPECT_EQ(ReadWholeFile(Name("00000001")), "");
  EXPECT_EQ(Take(), Name("00000003"));
  // A number freed by a removed file is used again.
  std::filesystem::remove(Name("00000001"));
  EXPECT_EQ(Take(), Name("00000001"));
  EXPECT_EQ(scratch_.Listing(), "00000000.tmp 00000001.tmp 00000002.tmp 00000003.tmp");
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

TEST_F(TempFileTest, PassesOverAPlantedLinkWithoutFollowingIt) {
#ifdef _WIN32
  GTEST_SKIP() << "symbolic links need privileges on Windows";
#else
  std::string target = scratch_.File("target");
  std::filesystem::create_symlink(target, Name("00000000"));
  EXPECT_EQ(Take(), Name("00000001"));
  EXPECT_FALSE(FileExists(target));
  EXPECT_TRUE(std::filesystem::is_symlink(Name("00000000")));
#endif
}

TEST_F(TempFileTest, GivesNullWhenTheDirectoryLeavesNoRoomOrCannotHoldFiles) {
  // 243 characters and twelve more make 255: the longest name that fits.
  std::string fits = DirectoryOfLength(scratch_.Path(), 243, true);
  std::string tooLong = DirectoryOfLength(scratch_.Path(), 244, true);
  {
    TempDirectoryOverride inner(fits);
    EXPECT_EQ(Take(), fits + os::kPathSeparatorText + "00000000.tmp");
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
  EXPECT_FALSE(FileExists(tooLong + os::kPathSeparatorText + "00000000.tmp"));
}
