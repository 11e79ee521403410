// Replacing a file in one step: the old content survives every failure, no
// new file is left behind, and the new file is written only through the
// handle that created it.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include <gtest/gtest.h>

#include "ScratchDirectory.h"
#include "os/FileReplacement.h"
#include "os/PathSeparator.h"

namespace {

namespace fs = std::filesystem;
using os::FileReplacement;
using os::ReplacementStep;

std::string NewName(const std::string& destination, int attempt) {
  return destination + "." + std::to_string(attempt) + ".new";
}

// What the observer saw, one "step:name" line each; names without their
// directory.
std::string seen;
void Record(ReplacementStep step, const std::string& name) {
  static const char* const kSteps[] = {"creating", "created", "written", "replaced", "removed"};
  seen +=
      std::string(kSteps[static_cast<int>(step)]) + ":" + fs::path(name).filename().string() + " ";
}

class FileReplacementTest : public testing::Test {
 protected:
  void SetUp() override { seen.clear(); }

  // Opens a replacement of `path_`, writes `content` and commits it.
  bool Replace(const std::string& content, FileReplacement::Observer observer = nullptr) {
    FileReplacement replacement(&NewName, observer);
    std::FILE* stream = replacement.Open(path_, true);
    if (stream == nullptr) return false;
    std::fputs(content.c_str(), stream);
    return replacement.Commit();
  }

  ScratchDirectory scratch_;
  std::string path_ = scratch_.File("file");
};

TEST_F(FileReplacementTest, OnlyACommitReplacesTheFile) {
  ASSERT_TRUE(WriteWholeFile(path_, "old content"));
  {
    FileReplacement unfinished(&NewName, &Record);
    std::FILE* stream = unfinished.Open(path_, true);
    ASSERT_NE(stream, nullptr);
    std::fputs("partial", stream);
  }
  EXPECT_EQ(ReadWholeFile(path_), "old content");
  EXPECT_EQ(scratch_.Listing(), "file");
  EXPECT_EQ(seen, "creating:file.1.new created:file.1.new removed:file.1.new ");

  seen.clear();
  FileReplacement replacement(&NewName, &Record);
  std::FILE* stream = replacement.Open(path_, true);
  ASSERT_NE(stream, nullptr);
  std::fputs("new content", stream);
  EXPECT_EQ(ReadWholeFile(path_), "old content");
  ASSERT_TRUE(replacement.Commit());
  EXPECT_EQ(ReadWholeFile(path_), "new content");
  EXPECT_EQ(scratch_.Listing(), "file");
  EXPECT_EQ(seen, "creating:file.1.new created:file.1.new written:file.1.new replaced:file.1.new ");
  EXPECT_FALSE(replacement.Commit());  // nothing left to commit
}

TEST_F(FileReplacementTest, CreatesAMissingFile) {
  ASSERT_TRUE(Replace("created"));
  EXPECT_EQ(ReadWholeFile(path_), "created");
  EXPECT_EQ(scratch_.Listing(), "file");
}

// Entries already standing at the new file's names are someone else's: they
// are passed by and left as they are.
TEST_F(FileReplacementTest, NamesInUseArePassedBy) {
  ASSERT_TRUE(WriteWholeFile(path_ + ".1.new", "not ours"));
  ASSERT_TRUE(Replace("new", &Record));
  EXPECT_EQ(ReadWholeFile(path_), "new");
  EXPECT_EQ(ReadWholeFile(path_ + ".1.new"), "not ours");
  EXPECT_EQ(scratch_.Listing(), "file file.1.new");
  EXPECT_EQ(seen,
            "creating:file.1.new removed:file.1.new creating:file.2.new created:file.2.new "
            "written:file.2.new replaced:file.2.new ");
}

TEST_F(FileReplacementTest, AFailedRenameKeepsTheDestinationAndRemovesTheNewFile) {
  // A directory in the destination's place cannot be replaced by a file.
  fs::create_directory(path_);
  const std::string inside = (fs::path(path_) / "inside").string();
  ASSERT_TRUE(WriteWholeFile(inside, "kept"));
  EXPECT_FALSE(Replace("new content"));
  EXPECT_EQ(ReadWholeFile(inside), "kept");
  EXPECT_EQ(scratch_.Listing(), "file");
}

TEST_F(FileReplacementTest, NothingIsMadeWhereNoFileCanBe) {
  FileReplacement replacement(&NewName);
  EXPECT_EQ(replacement.Open(scratch_.File("missing") + os::kPathSeparator + "file", true),
            nullptr);
  EXPECT_FALSE(replacement.Commit());
  EXPECT_EQ(replacement.Open("", true), nullptr);
  EXPECT_EQ(scratch_.Listing(), "");
}

TEST_F(FileReplacementTest, WritesInTheModeAsked) {
  const std::string text = "line\nnext\n";
  ASSERT_TRUE(Replace(text));
  EXPECT_EQ(ReadWholeFile(path_), text);  // binary: the bytes as given

  // Text mode: line ends as the platform writes them in text.
  const std::string expected = scratch_.File("expected");
  std::FILE* plain = std::fopen(expected.c_str(), "w");
  ASSERT_NE(plain, nullptr);
  std::fputs(text.c_str(), plain);
  std::fclose(plain);
  FileReplacement replacement(&NewName);
  std::FILE* stream = replacement.Open(path_, false);
  ASSERT_NE(stream, nullptr);
  std::fputs(text.c_str(), stream);
  ASSERT_TRUE(replacement.Commit());
  EXPECT_EQ(ReadWholeFile(path_), ReadWholeFile(expected));
}

TEST_F(FileReplacementTest, KeepsTheAccessRightsOfTheFileItReplaces) {
  if (os::kPathSeparator != '/') GTEST_SKIP() << "Windows files take their directory's rights";
  ASSERT_TRUE(WriteWholeFile(path_, "old"));
  const fs::perms rights = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                           fs::perms::others_read;
  fs::permissions(path_, rights);
  ASSERT_TRUE(Replace("new"));
  EXPECT_EQ(fs::status(path_).permissions() & fs::perms::all, rights);
}

// Someone who may change the directory swaps the new file's name, right after
// it was created, for a link to a file of theirs (on Windows, where a link
// needs rights, for a file). Writing on through the name would reach that
// file; the write goes to the file that was created instead.
struct NameSwap {
  std::string victim;   // the file the name is made to lead to
  std::string movedTo;  // where the created file went; empty when it could not move
};
NameSwap swap;

void SwapNameWhenCreated(ReplacementStep step, const std::string& name) {
  if (step != ReplacementStep::kCreated) return;
  std::error_code error;
  fs::rename(name, swap.movedTo, error);
  if (error) {
    swap.movedTo.clear();  // the open file cannot be moved: nothing to swap
  } else if (os::kPathSeparator == '/') {
    fs::create_symlink(swap.victim, name);
  } else {
    fs::copy_file(swap.victim, name);
  }
}

class SwappedNameTest : public FileReplacementTest {
 protected:
  void SetUp() override {
    swap = {scratch_.File("victim"), scratch_.File("moved")};
    ASSERT_TRUE(WriteWholeFile(swap.victim, "victim"));
    ASSERT_TRUE(WriteWholeFile(path_, "old"));
  }
};

TEST_F(SwappedNameTest, TheContentGoesToTheFileThatWasCreated) {
  Replace("new", &SwapNameWhenCreated);
  EXPECT_EQ(ReadWholeFile(swap.victim), "victim");
  EXPECT_EQ(ReadWholeFile(swap.movedTo.empty() ? path_ : swap.movedTo), "new");
}

TEST_F(SwappedNameTest, TheRightsGoToTheFileThatWasCreated) {
  if (os::kPathSeparator != '/') GTEST_SKIP() << "Windows files take their directory's rights";
  fs::permissions(path_, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
  fs::permissions(swap.victim, fs::perms::owner_read | fs::perms::owner_write);
  Replace("new", &SwapNameWhenCreated);
  EXPECT_EQ(fs::status(swap.victim).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
  ASSERT_FALSE(swap.movedTo.empty());
  EXPECT_EQ(fs::status(swap.movedTo).permissions() & fs::perms::all,
            fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
}

}  // namespace
