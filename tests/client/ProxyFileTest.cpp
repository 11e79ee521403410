// The proxy file: its name below the user directory, its words, and the
// setting a client hands its workers. The netrc file's entries and the Basic
// token made from them.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "ClientTestSupport.h"
#include "client/BasicToken.h"
#include "client/NetrcFile.h"
#include "client/ProxyFile.h"
#include "os/PathSeparator.h"

namespace {

struct WordsCase {
  const char* name;
  std::string content;
  int converted;
  std::string host;
  unsigned long port;
  std::string pattern;
};

struct NetrcCase {
  const char* name;
  std::string text;
  const char* host;
  bool found;
  std::string login;
  std::string password;
};

// What the workers of a client saw of its proxy setting.
struct SeenProxy {
  char useProxy = -1;
  std::string host;
  unsigned short port = 0;
  std::string pattern;
  bool hasPattern = false;
};

class ClientProxyTest : public testing::Test {
 protected:
  ClientProxyTest() {
    std::filesystem::create_directory(userDirectory_.File("bazaro"));
    workers_.SetScript([this](WorkerRun* run) {
      seen_.useProxy = run->UseProxy();
      if (run->ProxyHost() != nullptr) seen_.host = run->ProxyHost();
      seen_.port = run->ProxyPort();
      seen_.hasPattern = run->ProxyPattern() != nullptr;
      if (seen_.hasPattern) seen_.pattern = run->ProxyPattern();
      workers_.End(run);
    });
  }

  std::string ProxyFile() const {
    return userDirectory_.File(std::string("bazaro") + os::kPathSeparatorText + "proxy.conf");
  }

  // Runs one task on a client made now and returns what its worker saw.
  SeenProxy SeenByNewClient() {
    seen_ = SeenProxy();
    BazaroComm comm;
    RecordingPad callback(&comm);
    comm.SetPad(&callback);
    EXPECT_EQ(comm.RequestNewID(), 1);
    EXPECT_TRUE(RunLoopUntil([&] { return callback.reports.size() == 1; }, 3000));
    return seen_;
  }

  ScratchDirectory userDirectory_;
  UserDirectorySetting setting_{userDirectory_.Path()};
  ScriptedWorkers workers_;
  SeenProxy seen_;
};

}  // namespace

TEST(ProxyFileName, JoinsTheUserDirectoryWithTheTargetSeparator) {
  char* name = client::ProxyFileName("userdir");
  ASSERT_NE(name, nullptr);
  std::string expected =
      std::string("userdir") + os::kPathSeparator + "bazaro" + os::kPathSeparator + "proxy.conf";
  EXPECT_EQ(std::string(name), expected);
  FreeString(&name);
  EXPECT_EQ(client::ProxyFileName(""), nullptr);
  EXPECT_EQ(client::ProxyFileName(nullptr), nullptr);
}

TEST(ProxyFileWords, ReadsUpToThreeBoundedWords) {
  const std::string word255(255, 'w');
  const std::string word10k(10000, 'w');
  const WordsCase cases[] = {
      {"empty", "", 0, "", 0, ""},
      {"blanks only", " \n\t ", 0, "", 0, ""},
      {"host only", "proxy.example\n", 1, "proxy.example", 0, ""},
      {"port not a number", "proxy.example port", 1, "proxy.example", 0, ""},
      {"host and port on two lines", "proxy.example\n8080\n", 2, "proxy.example", 8080, ""},
      {"with pattern", "proxy.example 3128 intranet", 3, "proxy.example", 3128, "intranet"},
      {"tabs and line ends", "\t proxy.example\r\n\t3128\r\n  intranet \r\n", 3, "proxy.example",
       3128, "intranet"},
      {"more words", "p 1 pattern ignored words", 3, "p", 1, "pattern"},
      {"large port", "p 65616", 2, "p", 65616, ""},
      {"letters after the port", "p 80abc", 3, "p", 80, "abc"},
      {"longest words", word255 + " 1 " + word255, 3, word255, 1, word255},
      {"host too long", word10k + " 8080", 0, "", 0, ""},
      {"host one too long", word255 + "x 8080", 0, "", 0, ""},
      {"pattern too long", "p 8080 " + word10k, 0, "", 0, ""},
  };
  ScratchDirectory scratch;
  std::string file = scratch.File("proxy.conf");
  for (const WordsCase& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(WriteWholeFile(file, c.content));
    client::ProxyWords words;
    EXPECT_EQ(client::ReadProxyWords(file.c_str(), &words), c.converted);
    EXPECT_EQ(std::string(words.host), c.host);
    EXPECT_EQ(words.port, c.port);
    EXPECT_EQ(std::string(words.pattern), c.pattern);
  }
  client::ProxyWords words;
  EXPECT_EQ(client::ReadProxyWords(scratch.File("missing").c_str(), &words), 0);
}

TEST_F(ClientProxyTest, WorkersGetTheProxyOfTheFileReadAtConstruction) {
  ASSERT_TRUE(WriteWholeFile(ProxyFile(), "proxy.example 65616 intranet\n"));
  SeenProxy seen = SeenByNewClient();
  EXPECT_EQ(seen.useProxy, 1);
  EXPECT_EQ(seen.host, "proxy.example");
  EXPECT_EQ(seen.port, 80);
  EXPECT_TRUE(seen.hasPattern);
  EXPECT_EQ(seen.pattern, "intranet");

  ASSERT_TRUE(WriteWholeFile(ProxyFile(), "proxy.example\n3128\n"));
  seen = SeenByNewClient();
  EXPECT_EQ(seen.useProxy, 1);
  EXPECT_EQ(seen.port, 3128);
  EXPECT_FALSE(seen.hasPattern);

  ASSERT_TRUE(WriteWholeFile(ProxyFile(), "proxy.example\n"));
  seen = SeenByNewClient();
  EXPECT_EQ(seen.useProxy, 0);
  EXPECT_EQ(seen.host, "");
}

TEST_F(ClientProxyTest, TheFileIsReadOnceWhenTheClientIsMade) {
  ASSERT_TRUE(WriteWholeFile(ProxyFile(), "first.example 1000\n"));
  seen_ = SeenProxy();
  BazaroComm comm;
  ASSERT_TRUE(WriteWholeFile(ProxyFile(), "second.example 2000\n"));
  RecordingPad callback(&comm);
  comm.SetPad(&callback);
  ASSERT_EQ(comm.RequestNewID(), 1);
  ASSERT_TRUE(RunLoopUntil([&] { return callback.reports.size() == 1; }, 3000));
  EXPECT_EQ(seen_.host, "first.example");
  EXPECT_EQ(seen_.port, 1000);
}

TEST_F(ClientProxyTest, NoFileOrNoUserDirectoryMeansNoProxy) {
  EXPECT_EQ(SeenByNewClient().useProxy, 0);
#ifndef _WIN32
  // The name is joined with "/" here: a file whose name holds backslashes
  // next to the user directory is not the proxy file.
  ASSERT_TRUE(WriteWholeFile(userDirectory_.Path() + "\\bazaro\\proxy.conf", "p 8080\n"));
  EXPECT_EQ(SeenByNewClient().useProxy, 0);
  std::filesystem::remove(userDirectory_.Path() + "\\bazaro\\proxy.conf");
#endif
  // An empty user directory would name a file at the root: nothing is read.
  UserDirectorySetting empty("");
  EXPECT_EQ(SeenByNewClient().useProxy, 0);
}

TEST(NetrcFile, FindsTheHostsEntryElseTheDefault) {
  const std::string word255(255, 'w');
  const std::string word256(256, 'w');
  const NetrcCase cases[] = {
      {"empty", "", "h", false, "", ""},
      {"second machine", "machine a login x password y\nmachine h login u password p", "h", true,
       "u", "p"},
      {"first of two for the host", "machine h login u password p machine h login v", "h", true,
       "u", "p"},
      {"host case", "machine Pads.Example.ORG login u password p", "pads.example.org", true, "u",
       "p"},
      {"no prefix match", "machine pads.example login u", "pads.example.org", false, "", ""},
      {"default for others", "machine a login x default login anon password guest", "h", true,
       "anon", "guest"},
      {"machine after default", "default login anon\nmachine h login u password p", "h", true, "u",
       "p"},
      {"only the first default", "default password 1 default login second", "h", false, "", ""},
      {"no login: not counted", "machine h password p\ndefault login d password q", "h", true, "d",
       "q"},
      {"empty password", "machine h login u", "h", true, "u", ""},
      {"any white space", "machine\th\r\n\vlogin\fu\r\n  password\tp\r\n", "h", true, "u", "p"},
      {"account ignored", "machine h login u account acct password p", "h", true, "u", "p"},
      {"comments", "# machine h login c\nmachine h #login c\n login u password p", "h", true, "u",
       "p"},
      {"value may begin with #", "machine h login u password #p!", "h", true, "u", "#p!"},
      {"macdef body skipped", "machine h macdef init\nlogin m password m\n\nlogin u password p",
       "h", true, "u", "p"},
      {"macdef ends at a CR LF line", "machine h macdef i\r\nlogin m\r\n\r\nlogin u", "h", true,
       "u", ""},
      {"longest words", "machine h login " + word255 + " password " + word255, "h", true, word255,
       word255},
      {"long login spoils the entry", "machine h login " + word256 + "\nmachine h login u", "h",
       true, "u", ""},
      {"long password spoils the entry",
       "machine h login u password " + word256 + " default login d", "h", true, "d", ""},
      {"long unknown word spoils the entry", "machine h login u " + word256, "h", false, "", ""},
      {"NUL ends the text", std::string("machine h login u\0 password p", 29), "h", true, "u", ""},
  };
  for (const NetrcCase& c : cases) {
    SCOPED_TRACE(c.name);
    client::NetrcCredentials found;
    EXPECT_EQ(client::FindNetrcCredentials(c.text.data(), c.text.size(), c.host, &found), c.found);
    EXPECT_EQ(std::string(found.login), c.login);
    EXPECT_EQ(std::string(found.password), c.password);
  }
}

TEST(NetrcFile, FileEntriesReadBackAndWhatIsNoFileHasNone) {
  char* name = client::NetrcFileName("userdir");
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(std::string(name),
            std::string("userdir") + os::kPathSeparator + "bazaro" + os::kPathSeparator + "netrc");
  FreeString(&name);

  const char* passwords[] = {"p@ss:w0rd!",  "\"quoted\"", "semi;colon,comma",
                             "back\\slash", "#hash",      "%s%n'$(x)"};
  std::string text;
  for (std::size_t i = 0; i < sizeof passwords / sizeof passwords[0]; ++i) {
    text += "machine host" + std::to_string(i) + ".example\n\tlogin user" + std::to_string(i) +
            "\n\tpassword " + passwords[i] + "\n";
  }
  // An entry behind the first 64 KiB is not read.
  text += std::string(client::kMostNetrcBytes - text.size(), '\n') + "machine far login f\n";
  ScratchDirectory scratch;
  std::string file = scratch.File("netrc");
  ASSERT_TRUE(WriteWholeFile(file, text));
  client::NetrcCredentials found;
  for (std::size_t i = 0; i < sizeof passwords / sizeof passwords[0]; ++i) {
    std::string host = "host" + std::to_string(i) + ".example";
    ASSERT_TRUE(client::ReadNetrcCredentials(file.c_str(), host.c_str(), &found));
    EXPECT_EQ(std::string(found.login), "user" + std::to_string(i));
    EXPECT_EQ(std::string(found.password), passwords[i]);
  }
  EXPECT_FALSE(client::ReadNetrcCredentials(file.c_str(), "far", &found));

  EXPECT_FALSE(client::ReadNetrcCredentials(scratch.File("missing").c_str(), "h", &found));
  std::filesystem::create_directory(scratch.File("directory"));
  EXPECT_FALSE(client::ReadNetrcCredentials(scratch.File("directory").c_str(), "h", &found));
}

TEST(BasicToken, EncodesLoginColonPasswordAndRefusesBrokenCredentials) {
  struct {
    const char* login;
    const char* password;
    const char* token;  // null: refused
  } cases[] = {
      {"Aladdin", "open sesame", "QWxhZGRpbjpvcGVuIHNlc2FtZQ=="},
      {"a", "", "YTo="},
      {"ab", "c", "YWI6Yw=="},
      {"user", "p@ss w0rd", "dXNlcjpwQHNzIHcwcmQ="},
      {"\xC3\xBC", "\xC3\xA9", "w7w6w6k="},
      {"us:er", "p", nullptr},
      {"user\r\nX-Injected: 1", "p", nullptr},
      {"user", "p\n", nullptr},
      {"user", "p\x7F", nullptr},
      {nullptr, "p", nullptr},
      {"user", nullptr, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.token != nullptr ? c.token : "refused");
    char* token = client::NewBasicToken(c.login, c.password);
    if (c.token == nullptr) {
      EXPECT_EQ(token, nullptr);
    } else {
      ASSERT_NE(token, nullptr);
      EXPECT_EQ(std::string(token), c.token);
    }
    FreeString(&token);
  }
}
