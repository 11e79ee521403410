// The server address: splitting "host:port/path", bounds, copies.
#include <gtest/gtest.h>

#include <string>

#include "ClientTestSupport.h"
#include "mkres/MwMemory.h"

namespace {

struct AddressCase {
  const char* address;
  const char* host;  // null: stored as null
  unsigned short port;
  const char* path;
  bool secure = false;
};

std::string Show(const char* text) {
  return text != nullptr ? "\"" + std::string(text) + "\"" : "null";
}

}  // namespace

TEST(HostInfoAddress, SplitsHostPortAndPath) {
  const AddressCase cases[] = {
      {"pads.example:8080/bazaro", "pads.example", 8080, "/bazaro"},
      {"h:0x50/p", "h", 80, "/p"},  // hexadecimal
      {"h:0X50/p", "h", 80, "/p"},
      {"h:010/p", "h", 8, "/p"},          // octal
      {"h:80abc/p", "h", 80, "/p"},       // trailing letters: the digits before them
      {"h: 81/p", "h", 81, "/p"},         // leading blanks are skipped
      {"h:65616/p", "h", 80, "/p"},       // low 16 bits
      {"h:80/cgi bin", "h", 80, "/cgi"},  // the path ends at white space
      {"h:80/", "h", 80, "/"},
      {"h:80/a:b/c", "h", 80, "/a:b/c"},
      {"h:80", "h", 80, nullptr},            // no path
      {"h:", "h", 0, nullptr},               // no port
      {"h:/p", "h", 0, nullptr},             // a port is needed before the path
      {"hostonly", "hostonly", 0, nullptr},  // no ":"
      {":80/p", nullptr, 0, nullptr},        // no host: nothing
      {"", nullptr, 0, nullptr},
      // With a scheme the port has a default and the host ends at "/".
      {"https://pads.example/bazaro/", "pads.example", 443, "/bazaro/", true},
      {"HTTPS://h:8443/p", "h", 8443, "/p", true},
      {"https://h:/p", "h", 443, "/p", true},
      {"https://localhost", "localhost", 443, nullptr, true},
      {"http://h/p q", "h", 80, "/p", false},
      {"http://h:8080", "h", 8080, nullptr, false},
      {"https:h:81/p", "https", 0, "/p"},  // no "//": an old-style address
  };
  for (const AddressCase& c : cases) {
    SCOPED_TRACE(c.address);
    HostInfo info;
    info.SetInfo(Text("old"), 1, Text("/old"));
    EXPECT_EQ(info.SetInfo(c.address), 1);
    EXPECT_EQ(Show(info.Host()), Show(c.host));
    EXPECT_EQ(info.Port(), c.port);
    EXPECT_EQ(Show(info.Path()), Show(c.path));
    EXPECT_EQ(info.Secure(), c.secure);
  }
}

TEST(HostInfoAddress, RefusesNullAndOverLongPartsAndKeepsThePreviousAddress) {
  const std::string part255(255, 'a');
  const std::string long10k(10000, 'a');
  const std::string refused[] = {
      part255 + "b:80/p",            // host of 256
      long10k,                       // a host text of 10,000 characters
      "h:" + long10k + "/p",         // port text
      "h:" + std::string(256, '9'),  // port text without a path
      "h:80/" + long10k,             // path
      "https://",                    // a scheme without a host
      "https://:443/p",
      "https:///p",
      "https://h:" + long10k,
  };
  HostInfo info;
  ASSERT_EQ(info.SetInfo("keep:81/kept"), 1);
  EXPECT_EQ(info.SetInfo(nullptr), 0);
  for (const std::string& address : refused) {
    SCOPED_TRACE(address.substr(0, 40));
    EXPECT_EQ(info.SetInfo(address.c_str()), 0);
    EXPECT_STREQ(info.Host(), "keep");
    EXPECT_EQ(info.Port(), 81);
    EXPECT_STREQ(info.Path(), "/kept");
    EXPECT_FALSE(info.Secure());
  }
  // 255 characters is the longest part that fits.
  const std::string path255 = "/" + std::string(254, 'p');
  EXPECT_EQ(info.SetInfo((part255 + ":80" + path255).c_str()), 1);
  EXPECT_EQ(info.Host(), part255);
  EXPECT_EQ(info.Path(), path255);
}

TEST(HostInfoAddress, CopiesAreIndependent) {
  long before = MwLiveBlockCount();
  HostInfo* original = new HostInfo;
  HostInfo* unset = original->Copy();
  ASSERT_NE(unset, nullptr);
  EXPECT_EQ(unset->Host(), nullptr);
  EXPECT_EQ(unset->Port(), 0);
  EXPECT_EQ(unset->Path(), nullptr);
  delete unset;

  original->SetInfo("https://server:8080/base");
  HostInfo* copy = original->Copy();
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy->Host(), original->Host());
  EXPECT_STREQ(copy->Host(), "server");
  EXPECT_EQ(copy->Port(), 8080);
  EXPECT_STREQ(copy->Path(), "/base");
  EXPECT_TRUE(copy->Secure());
  delete copy;
  EXPECT_STREQ(original->Host(), "server");
  EXPECT_STREQ(original->Path(), "/base");

  // Setting an address from the object's own texts keeps them.
  original->SetInfo(original->Host(), 9, original->Path());
  EXPECT_STREQ(original->Host(), "server");
  EXPECT_STREQ(original->Path(), "/base");
  delete original;
  EXPECT_EQ(MwLiveBlockCount(), before);
}
