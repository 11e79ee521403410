// The user's language: on POSIX the locale variables in their precedence.
#include <gtest/gtest.h>

#include "EnvironmentOverride.h"
#include "os/PathSeparator.h"
#include "os/UserLanguage.h"

namespace {

TEST(UserLanguage, TakesTheFirstLocaleVariableThatIsSetOnPosix) {
  if (os::kPathSeparator != '/') GTEST_SKIP() << "Windows asks the system";
  struct Case {
    const char* lcAll;  // null: not set
    const char* lcMessages;
    const char* lang;
    bool japanese;
  };
  const Case cases[] = {
      {nullptr, nullptr, nullptr, false},
      {nullptr, nullptr, "ja_JP.UTF-8", true},
      {nullptr, nullptr, "en_US.UTF-8", false},
      {nullptr, "ja_JP", "en_US", true},
      {"C", "ja_JP", "ja_JP", false},
      {"ja", nullptr, "en_US", true},
      {"", "", "ja_JP.eucJP", true},
      {"", "en_GB", "ja_JP", false},
      {nullptr, nullptr, "j", false},
  };
  for (const Case& c : cases) {
    EnvironmentOverride lcAll("LC_ALL", c.lcAll);
    EnvironmentOverride lcMessages("LC_MESSAGES", c.lcMessages);
    EnvironmentOverride lang("LANG", c.lang);
    EXPECT_EQ(os::UserLanguageIsJapanese(), c.japanese)
        << (c.lcAll ? c.lcAll : "-") << " " << (c.lcMessages ? c.lcMessages : "-") << " "
        << (c.lang ? c.lang : "-");
  }
}

}  // namespace
