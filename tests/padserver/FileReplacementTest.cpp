// The server's file replacement leaves no new file behind, also when the
// process is ended by a signal half-way (as the web server ends a program
// whose client left).
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <string>

#include "ScratchDirectory.h"
#include "padserver/FileReplacement.h"

namespace padserver {
namespace {

class FileReplacementTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(WriteWholeFile(path_, "old content")); }

  ScratchDirectory scratch_;
  std::string path_ = scratch_.File("file");
};

TEST_F(FileReplacementTest, ASignalHalfWayLeavesTheOldFileAndNothingElse) {
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    InstallCleanupOnSignals();
    FileReplacement replacement;
    if (!replacement.Open(path_).IsOk() || !replacement.Write("partial", 7)) _exit(1);
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
