// Replacing files in one step: the old content survives every failure and no
// new file is left behind.
#include <cstdio>
#include <filesystem>

#include <gtest/gtest.h>

#include "SetupTestSupport.h"
#include "os/PathSeparator.h"
#include "setup/AtomicFile.h"
#include "setup/ClassList.h"

namespace setup {
namespace {

namespace fs = std::filesystem;

class AtomicFileTest : public testing::Test {
 protected:
  ScratchDirectory scratch_;
  std::string path_ = scratch_.File("nametab.lst");
};

TEST_F(AtomicFileTest, ReplacesTheFileWhole) {
  WriteText(path_, "old content\n");
  {
    AtomicFile file;
    std::FILE* stream = file.Open(path_);
    ASSERT_NE(stream, nullptr);
    std::fputs("new content\n", stream);
    EXPECT_EQ(ReadText(path_), "old content\n");  // untouched until committed
    ASSERT_TRUE(file.Commit());
  }
  EXPECT_EQ(ReadText(path_), "new content\n");
  EXPECT_EQ(scratch_.Listing(), "nametab.lst");
}

TEST_F(AtomicFileTest, CreatesAMissingFile) {
  AtomicFile file;
  std::FILE* stream = file.Open(path_);
  ASSERT_NE(stream, nullptr);
  std::fputs("created\n", stream);
  ASSERT_TRUE(file.Commit());
  EXPECT_EQ(ReadText(path_), "created\n");
  EXPECT_EQ(scratch_.Listing(), "nametab.lst");
}

TEST_F(AtomicFileTest, AnUncommittedWriteLeavesNothing) {
  WriteText(path_, "old content\n");
  {
    AtomicFile file;
    std::FILE* stream = file.Open(path_);
    ASSERT_NE(stream, nullptr);
    std::fputs("half", stream);
  }
  EXPECT_EQ(ReadText(path_), "old content\n");
  EXPECT_EQ(scratch_.Listing(), "nametab.lst");
}

TEST_F(AtomicFileTest, AFailedRenameKeepsTheDestinationAndRemovesTheNewFile) {
  // A directory in the destination's place cannot be replaced by a file.
  ASSERT_TRUE(MakeDirectory(path_));
  WriteText(JoinPath({path_, "inside"}), "kept");
  AtomicFile file;
  std::FILE* stream = file.Open(path_);
  ASSERT_NE(stream, nullptr);
  std::fputs("new content\n", stream);
  EXPECT_FALSE(file.Commit());
  EXPECT_EQ(ReadText(JoinPath({path_, "inside"})), "kept");
  EXPECT_EQ(scratch_.Listing(), "nametab.lst");
}

TEST_F(AtomicFileTest, AMissingDirectoryCannotBeWritten) {
  AtomicFile file;
  EXPECT_EQ(file.Open(JoinPath({scratch_.Path(), "missing", "nametab.lst"})), nullptr);
  EXPECT_FALSE(file.Commit());
  EXPECT_EQ(file.Open(""), nullptr);
  EXPECT_EQ(scratch_.Listing(), "");
}

// A killed program cannot remove its new file; the next write does. One that
// cannot be removed is passed by.
TEST_F(AtomicFileTest, LeftoverNewFilesAreRemovedOrPassedBy) {
  WriteText(path_, "old\n");
  ASSERT_TRUE(MakeDirectory(path_ + ".1.new"));
  WriteText(path_ + ".2.new", "leftover of a crash\n");
  WriteText(path_ + ".7.new", "leftover of a crash\n");
  AtomicFile file;
  std::FILE* stream = file.Open(path_);
  ASSERT_NE(stream, nullptr);
  std::fputs("new\n", stream);
  ASSERT_TRUE(file.Commit());
  EXPECT_EQ(ReadText(path_), "new\n");
  EXPECT_EQ(scratch_.Listing(), "nametab.lst nametab.lst.1.new");
}

TEST_F(AtomicFileTest, KeepsTheAccessRightsOfTheFileItReplaces) {
  if (os::kPathSeparator != '/') GTEST_SKIP() << "Windows files take their directory's rights";
  WriteText(path_, "old\n");
  const fs::perms rights = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                           fs::perms::others_read;
  fs::permissions(path_, rights);
  ClassList list;
  ASSERT_TRUE(WriteClassList(&list, path_.c_str()));
  EXPECT_EQ(fs::status(path_).permissions() & fs::perms::all, rights);
}

}  // namespace
}  // namespace setup
