// File operations: exclusive creation, replacement, flushing and removal.
#include <cstdio>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "ScratchDirectory.h"
#include "os/Files.h"
#include "os/PathSeparator.h"

namespace {

namespace fs = std::filesystem;

bool IsPosix() { return os::kPathSeparator == '/'; }

TEST(CreateNewFile, CreatesAnEmptyFileOnlyOnce) {
  ScratchDirectory scratch;
  const std::string path = scratch.File("new.tmp");
  ASSERT_TRUE(os::CreateNewFile(path.c_str()));
  EXPECT_TRUE(FileExists(path));
  EXPECT_EQ(fs::file_size(path), 0u);
  EXPECT_FALSE(os::CreateNewFile(path.c_str()));
}

TEST(CreateNewFile, LeavesAnExistingFileAlone) {
  ScratchDirectory scratch;
  const std::string path = scratch.File("old.tmp");
  ASSERT_TRUE(WriteWholeFile(path, "keep me"));
  EXPECT_FALSE(os::CreateNewFile(path.c_str()));
  EXPECT_EQ(ReadWholeFile(path), "keep me");
}

TEST(CreateNewFile, GivesOnlyTheOwnerAccessOnPosix) {
  if (!IsPosix()) GTEST_SKIP() << "POSIX permissions";
  ScratchDirectory scratch;
  const std::string path = scratch.File("private.tmp");
  ASSERT_TRUE(os::CreateNewFile(path.c_str()));
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
}

TEST(CreateNewFile, RefusesAPlantedLinkOnPosix) {
  if (!IsPosix()) GTEST_SKIP() << "symbolic links are a POSIX matter here";
  ScratchDirectory scratch;
  // A dangling link: following it would create the target.
  const std::string target = scratch.File("target.tmp");
  const std::string link = scratch.File("link.tmp");
  fs::create_symlink(target, link);
  EXPECT_FALSE(os::CreateNewFile(link.c_str()));
  EXPECT_FALSE(FileExists(target));

  // A link to an existing file: it must stay as it is.
  ASSERT_TRUE(WriteWholeFile(target, "victim"));
  EXPECT_FALSE(os::CreateNewFile(link.c_str()));
  EXPECT_EQ(ReadWholeFile(target), "victim");
}

TEST(ReplaceFile, PutsTheNewFileInThePlaceOfTheOld) {
  ScratchDirectory scratch;
  const std::string from = scratch.File("from.tmp");
  const std::string to = scratch.File("to.tmp");
  ASSERT_TRUE(WriteWholeFile(from, "new"));
  ASSERT_TRUE(WriteWholeFile(to, "old"));
  EXPECT_TRUE(os::ReplaceFile(from.c_str(), to.c_str()));
  EXPECT_EQ(ReadWholeFile(to), "new");
  EXPECT_FALSE(FileExists(from));

  // Also when there is nothing to replace.
  const std::string fresh = scratch.File("fresh.tmp");
  ASSERT_TRUE(WriteWholeFile(from, "again"));
  EXPECT_TRUE(os::ReplaceFile(from.c_str(), fresh.c_str()));
  EXPECT_EQ(ReadWholeFile(fresh), "again");
}

TEST(ReplaceFile, FailsWithoutASourceAndKeepsTheTarget) {
  ScratchDirectory scratch;
  const std::string to = scratch.File("to.tmp");
  ASSERT_TRUE(WriteWholeFile(to, "old"));
  EXPECT_FALSE(os::ReplaceFile(scratch.File("missing.tmp").c_str(), to.c_str()));
  EXPECT_EQ(ReadWholeFile(to), "old");
}

TEST(FlushToDisk, MakesWrittenDataVisibleBeforeTheClose) {
  ScratchDirectory scratch;
  const std::string path = scratch.File("flushed.tmp");
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fputs("written", file);
  EXPECT_TRUE(os::FlushToDisk(file));
  EXPECT_EQ(ReadWholeFile(path), "written");
  std::fclose(file);
}

TEST(RemoveFile, CountsAMissingFileAsRemoved) {
  ScratchDirectory scratch;
  const std::string path = scratch.File("doomed.tmp");
  ASSERT_TRUE(WriteWholeFile(path, "x"));
  EXPECT_TRUE(os::RemoveFile(path.c_str()));
  EXPECT_FALSE(FileExists(path));
  EXPECT_TRUE(os::RemoveFile(path.c_str()));
  const std::string inMissingDirectory =
      scratch.File("missing") + os::kPathSeparatorText + "doomed.tmp";
  EXPECT_TRUE(os::RemoveFile(inMissingDirectory.c_str()));
}

}  // namespace
