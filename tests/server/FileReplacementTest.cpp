// Replacing a file: the old content stays whole until the new one is all on
// the disk, and no new file is left behind, also when the process is ended
// by a signal half-way (as the web server ends a program whose client left).
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <string>

#include "FileReplacement.h"
#include "ScratchDirectory.h"

namespace padserver {
namespace {

class FileReplacementTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(WriteWholeFile(path_, "old content")); }

  ScratchDirectory scratch_;
  std::string path_ = scratch_.File("file");
};

TEST_F(FileReplacementTest, OnlyACommitReplacesTheFile) {
  {
    FileReplacement unfinished;
    ASSERT_TRUE(unfinished.Open(path_).ok());
    ASSERT_TRUE(unfinished.Write("partial", 7));
  }
  EXPECT_EQ(ReadWholeFile(path_), "old content");
  EXPECT_EQ(scratch_.Listing(), "file");

  FileReplacement replacement;
  ASSERT_TRUE(replacement.Open(path_).ok());
  ASSERT_TRUE(replacement.Write("new ", 4));
  ASSERT_TRUE(replacement.Write("content", 7));
  EXPECT_EQ(ReadWholeFile(path_), "old content");
  ASSERT_TRUE(replacement.Commit().ok());
  EXPECT_EQ(ReadWholeFile(path_), "new content");
  EXPECT_EQ(scratch_.Listing(), "file");
}

TEST_F(FileReplacementTest, ASignalHalfWayLeavesTheOldFileAndNothingElse) {
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    InstallCleanupOnSignals();
    FileReplacement replacement;
    if (!replacement.Open(path_).ok() || !replacement.Write("partial", 7)) _exit(1);
    std::raise(SIGTERM);
    _exit(2);  // not reached when the handler works
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 128 + SIGTERM);
  EXPECT_EQ(ReadWholeFile(path_), "old content");
  EXPECT_EQ(scratch_.Listing(), "file");
}

}  // namespace
}  // namespace padserver
