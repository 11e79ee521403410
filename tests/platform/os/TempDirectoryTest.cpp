// The temporary directory: GetTempPathA's contract on both targets.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "EnvironmentOverride.h"
#include "os/PathSeparator.h"
#include "os/TempDirectory.h"

namespace {

bool IsPosix() { return os::kPathSeparator == '/'; }

TEST(TempDirectory, EndsWithTheSeparatorAndReportsItsLength) {
  char buffer[600];
  unsigned int length = os::TempDirectory(buffer, sizeof buffer);
  ASSERT_GT(length, 0u);
  EXPECT_EQ(std::strlen(buffer), length);
  EXPECT_EQ(buffer[length - 1], os::kPathSeparator);
}

TEST(TempDirectory, WritesNothingWhenTheTextAndItsNulDoNotFit) {
  char buffer[600];
  unsigned int length = os::TempDirectory(buffer, sizeof buffer);
  ASSERT_GT(length, 0u);
  const std::string expected = buffer;

  char small[600];
  std::memset(small, '#', sizeof small);
  EXPECT_EQ(os::TempDirectory(small, length), 0u);
  for (char c : small) ASSERT_EQ(c, '#');
  EXPECT_EQ(os::TempDirectory(small, length + 1), length);
  EXPECT_EQ(std::string(small), expected);
}

TEST(TempDirectory, FollowsTmpdirOnPosix) {
  if (!IsPosix()) GTEST_SKIP() << "Windows asks the system";
  struct Case {
    const char* tmpdir;  // null: not set
    const char* expected;
  };
  const Case cases[] = {
      {"/var/tmp/bazaro", "/var/tmp/bazaro/"},
      {"/var/tmp/bazaro/", "/var/tmp/bazaro/"},
      {"/", "/"},
      {"", "/tmp/"},
      {nullptr, "/tmp/"},
  };
  for (const Case& c : cases) {
    EnvironmentOverride tmpdir("TMPDIR", c.tmpdir);
    char buffer[64];
    unsigned int length = os::TempDirectory(buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer, length), c.expected) << (c.tmpdir ? c.tmpdir : "(unset)");
  }
}

}  // namespace
