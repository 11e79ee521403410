// The five CGI programs, each run as the web server runs it: the request in
// the environment, the body on its input, the response read back whole.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <string>

#include "ScratchDirectory.h"
#include "padserver/Programs.h"
#include "padserver/Sweep.h"

namespace padserver {
namespace {

using Program = int (*)(const CgiRequest&);

constexpr char kMarker[] = "PAD_SERVER_REPLY = ";

struct Request {
  std::string body;
  std::string method = "POST";
  std::string contentLength = "";  // the body's size when empty
  std::string maxBody = "";
  std::string origin = "";
  std::string host = "";
  bool stalls = false;    // the body comes through a pipe that stays open
  std::string path = "";  // SCRIPT_NAME, with PATH_INFO after a "|"
};

class ProgramsTest : public testing::Test {
 protected:
  // "STATUS BODY", with the reply marker taken off the body.
  std::string Run(Program program, const Request& request) {
    std::string bodyPath = scratch_.File("body");
    std::string responsePath = scratch_.File("response");
    EXPECT_TRUE(WriteWholeFile(bodyPath, request.body));
    CgiRequest cgi = settings_;
    cgi.method = request.method;
    cgi.contentLength =
        request.contentLength.empty() ? std::to_string(request.body.size()) : request.contentLength;
    cgi.dataDirectory = data_;
    cgi.maxBody = request.maxBody;
    cgi.origin = request.origin;
    cgi.host = request.host;
    cgi.serverName = "pads.test";
    cgi.serverAddr = "192.0.2.7";
    cgi.serverPort = "8443";
    cgi.remoteUser = user_;
    std::size_t split = request.path.find('|');
    cgi.scriptName = request.path.substr(0, split);
    if (split != std::string::npos) cgi.pathInfo = request.path.substr(split + 1);
    int pipeEnds[2] = {-1, -1};
    if (request.stalls) {
      EXPECT_EQ(::pipe(pipeEnds), 0);
      EXPECT_EQ(::write(pipeEnds[1], request.body.data(), request.body.size()),
                static_cast<ssize_t>(request.body.size()));
    }
    int input = request.stalls ? pipeEnds[0] : ::open(bodyPath.c_str(), O_RDONLY);
    int output = ::open(responsePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    DescriptorStreams streams(input, output);
    cgi.streams = &streams;
    EXPECT_EQ(program(cgi), 0);
    if (request.stalls) ::close(pipeEnds[1]);
    ::close(input);
    ::close(output);
    return Parse(ReadWholeFile(responsePath), request.method == "HEAD", head_);
  }

  std::string Command(const std::string& line) {
    return Run(RunCommandProgram, Request{line + "\n\xFF"});
  }

  std::string PutPad(const std::string& name, const std::string& data) {
    return Run(RunPadPutProgram, Request{"FILE_NAME = " + name + "\n" + data});
  }

  std::string GetPad(const std::string& body) { return Run(RunPadGetProgram, Request{body}); }

  std::string Upload(const std::string& name, const std::string& data) {
    return Run(RunUploadProgram, Request{"FILE_NAME = " + name + "\n" + data});
  }

  std::string PadFile(int id) const { return data_ + "/pads/" + std::to_string(id) + ".pad"; }

  ScratchDirectory scratch_;
  std::string data_ = scratch_.File("data");
  std::string user_;     // REMOTE_USER of the requests that follow
  CgiRequest settings_;  // the limits they are given
  std::string head_;     // the last response's head

 private:
  // Checks the head's form and that Content-Length tells the body's size
  // (of the body a GET would get, for a HEAD).
  static std::string Parse(const std::string& response, bool headOnly, std::string& headCopy) {
    std::size_t headEnd = response.find("\r\n\r\n");
    if (response.compare(0, 8, "Status: ") != 0 || headEnd == std::string::npos) {
      return "malformed response: " + response;
    }
    std::string head = response.substr(0, headEnd);
    std::string body = response.substr(headEnd + 4);
    headCopy = head;
    std::size_t length = head.find("\r\nContent-Length: ");
    EXPECT_NE(length, std::string::npos) << head;
    if (length != std::string::npos && !headOnly) {
      EXPECT_EQ(std::stoul(head.substr(length + 18)), body.size()) << head;
    }
    if (body.compare(0, sizeof kMarker - 1, kMarker) == 0) body.erase(0, sizeof kMarker - 1);
    return head.substr(8, 3) + " " + body;
  }
};

TEST_F(ProgramsTest, CommandsAnswerAsTheClientReads) {
  const char* const steps[][2] = {
      {"GetNewPadID", "200 1"},
      {"GetNewPadID", "200 2"},
      {"GetNewPadID", "200 3"},
      {"SetPadInfo 2 1 10 -20 guest staff width=100 name=\"Blue pad, big\" simage=true ", "200 "},
      {"SetPadInfo 3 1 0 0 guest guest ", "200 "},
      {"SetPadAttributes 2 width=120 ", "200 "},
      {"GetPadInfo 2",
       "200 id=1 x=10 y=-20 account=\"guest\" group=\"staff\" width=120 name=\"Blue pad, big\" "
       "simage=true"},
      {"GetPadAttributes 2 x y width height ", "200 x=10 y=-20 width=120"},
      {"GetChildPads 1", "200 id=2 ,id=3"},
      {"GetChildPads 3", "200 "},
      {"GetPadInfo 9", "404 error=\"no such pad\""},
      {"SetPadAttributes 9 a=1", "404 error=\"no such pad\""},
      {"SetPadInfo 2 8 0 0 a b", "404 error=\"no such parent\""},
      {"Bogus", "400 error=\"unknown command\""},
      {"SetPadInfo 1 3 0 0 a b", "400 error=\"parent lies inside the pad\""},
      {"DeletePad 1", "200 "},
      {"GetChildPads 0", "200 "},
      {"DeletePad 1", "404 error=\"no such pad\""},
  };
  for (const auto& step : steps) EXPECT_EQ(Command(step[0]), step[1]) << step[0];
}

TEST_F(ProgramsTest, RequestsThatCannotBeServedAreRefused) {
  struct Case {
    Program program;
    Request request;
    const char* expected;
  };
  const Case cases[] = {
      {RunCommandProgram, {"GetNewPadID\n", "GET"}, "405 error=\"only POST is served\""},
      {RunCommandProgram, {"GetNewPadID\n", "POST", "12x"}, "400 error=\"no body length\""},
      {RunCommandProgram, {"GetNewPadID\n", "POST", "2000000"}, "413 error=\"body too large\""},
      {RunUploadProgram,
       {"FILE_NAME = a\n0123456789", "POST", "", "10"},
       "413 error=\"body too large\""},
      {RunCommandProgram, {"GetNewPadID\n", "POST", "100"}, "400 error=\"body cut short\""},
      {RunCommandProgram,
       {"GetNewPadID\n", "POST", "", "lots"},
       "500 error=\"server not configured\""},
      {RunCommandProgram, {"GetNewPadID\n", "POST", "-12"}, "400 error=\"no body length\""},
      {RunCommandProgram, {"GetNewPadID\n", "POST", " 12"}, "400 error=\"no body length\""},
      {RunCommandProgram, {"GetNewPadID\n", "POST", "0x0c"}, "400 error=\"no body length\""},
      {RunUploadProgram,
       {"FILE_NAME = a\nb", "POST", "99999999999999999999"},
       "400 error=\"no body length\""},
      {RunUploadProgram,
       {"FILE_NAME = a\nb", "POST", "9999999999999999999"},
       "413 error=\"body too large\""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Run(c.program, c.request), c.expected) << c.request.body;
  }
  EXPECT_EQ(ListDirectory(scratch_.Path()), "body response") << "no data directory was made";
}

// A browser marks another site's request with Origin; a Host that is not
// this server's comes from a name someone else's DNS points here.
TEST_F(ProgramsTest, BrowserAndForeignHostRequestsAreRefused) {
  const char* const hosts[][2] = {
      {"", "200"},
      {"pads.test", "200"},
      {"PADS.test:8443", "200"},
      {"192.0.2.7:8443", "200"},
      {"localhost", "200"},
      {"127.0.0.1:8443", "200"},
      {"evil.test", "400"},
      {"pads.test:80", "400"},
      {"pads.test.evil.test", "400"},
      {"192.0.2.7.nip.io:8443", "400"},
  };
  for (const auto& host : hosts) {
    Request request{"GetNewPadID\n\xFF"};
    request.host = host[0];
    EXPECT_EQ(Run(RunCommandProgram, request).substr(0, 3), host[1]) << host[0];
  }
  for (Program program : {RunCommandProgram, RunPadPutProgram, RunUploadProgram}) {
    Request request{"FILE_NAME = 1.pad\nx"};
    request.origin = "https://pads.test";
    EXPECT_EQ(Run(program, request), "403 error=\"cross-site request refused\"");
  }
  EXPECT_EQ(ListDirectory(data_ + "/misc"), "");
}

TEST_F(ProgramsTest, PadFilesAreStoredWholeOrNotAtAll) {
  const std::string data("\x1F\x8B\x08\x00 compressed \xFF\x00 bytes", 24);
  EXPECT_EQ(PutPad("1.pad", data), "404 error=\"no such pad\"");
  ASSERT_EQ(Command("GetNewPadID"), "200 1");
  ASSERT_EQ(Command("GetNewPadID"), "200 2");
  EXPECT_EQ(PutPad("1.pad", data), "200 ");
  EXPECT_EQ(ReadWholeFile(PadFile(1)), data);
  EXPECT_EQ(GetPad("/pads/1.pad"), "200 " + data);

  const char* const refusedNames[][2] = {
      {"x.pad", "pad file name is not ID.pad"},    {"1.txt", "pad file name is not ID.pad"},
      {"../1.pad", "pad file name is not ID.pad"}, {"-1.pad", "pad file name is not ID.pad"},
      {".pad", "pad file name is not ID.pad"},
  };
  for (const auto& name : refusedNames) {
    EXPECT_EQ(PutPad(name[0], "new"), std::string("400 error=\"") + name[1] + "\"") << name[0];
  }
  EXPECT_EQ(PutPad("1.pad", ""), "400 error=\"empty pad file\"");
  EXPECT_EQ(Run(RunPadPutProgram, Request{"FILE_NAME = 1.pad\nnew data", "POST", "500"}),
            "400 error=\"body cut short\"");
  EXPECT_EQ(Run(RunPadPutProgram, Request{"1.pad\nnew data"}),
            "400 error=\"body lacks its FILE_NAME line\"");
  EXPECT_EQ(ReadWholeFile(PadFile(1)), data);
  EXPECT_EQ(ListDirectory(data_ + "/pads"), "1.pad");

  EXPECT_EQ(GetPad("/pads/2.pad"), "404 error=\"pad has no file\"");
  EXPECT_EQ(GetPad("/pads/3.pad"), "404 error=\"no such pad\"");
  EXPECT_EQ(GetPad("pads/1.pad"), "400 error=\"body is not /pads/ID.pad\"");
  EXPECT_EQ(GetPad("/pads/1.pad\n"), "400 error=\"pad file name is not ID.pad\"");

  ASSERT_EQ(Command("SetPadInfo 2 1 0 0 a b "), "200 ");
  ASSERT_EQ(PutPad("2.pad", data), "200 ");
  ASSERT_EQ(Command("DeletePad 1"), "200 ");
  EXPECT_EQ(ListDirectory(data_ + "/pads"), "") << "the files of the whole subtree are gone";
}

TEST_F(ProgramsTest, MiscFilesKeepToTheirDirectory) {
  const char* const refused[][2] = {
      {"", "empty file name"},
      {"a/b", "file name holds a path separator"},
      {"a\\b", "file name holds a path separator"},
      {"..", "file name begins with a dot"},
      {".hidden", "file name begins with a dot"},
      {"a\x01z", "control character in file name"},
      {"a%41", "file name holds % ? or #"},
      {"a?b", "file name holds % ? or #"},
  };
  for (const auto& name : refused) {
    EXPECT_EQ(Upload(name[0], "x"), std::string("400 error=\"") + name[1] + "\"") << name[0];
  }
  EXPECT_EQ(Upload(std::string(256, 'n'), "x"), "400 error=\"file name too long\"");
  EXPECT_EQ(ListDirectory(data_ + "/misc"), "");

  const std::string name(255, 'n');
  ASSERT_EQ(Upload("my notes.txt", "first"), "200 ");
  ASSERT_EQ(Upload(name, ""), "200 ");
  EXPECT_EQ(Run(RunUploadProgram, Request{"FILE_NAME = my notes.txt\nsecond", "POST", "99"}),
            "400 error=\"body cut short\"");
  EXPECT_EQ(ReadWholeFile(data_ + "/misc/my notes.txt"), "first");
  EXPECT_EQ(ListDirectory(data_ + "/misc"), "my notes.txt " + name);
}

// Misc files served by the program rather than the web server: as
// downloads, by their decoded path however the web server splits it, and
// only by names an upload could have given.
TEST_F(ProgramsTest, MiscFilesAreServedAsDownloads) {
  ASSERT_EQ(Upload("my notes", "hello"), "200 ");
  const char* const download =
      "X-Content-Type-Options: nosniff\r\nContent-Disposition: attachment\r\n"
      "Content-Type: application/octet-stream\r\nContent-Length: 5";
  for (const char* path : {"/misc/my notes", "/misc|/my notes"}) {
    Request get{"", "GET"};
    get.path = path;
    EXPECT_EQ(Run(RunMiscProgram, get), "200 hello") << path;
    EXPECT_NE(head_.find(download), std::string::npos) << head_;
  }
  Request head{"", "HEAD"};
  head.path = "/misc/my notes";
  EXPECT_EQ(Run(RunMiscProgram, head), "200 ");
  EXPECT_NE(head_.find(download), std::string::npos) << head_;

  const char* const refused[][3] = {
      {"GET", "/misc/other", "404 error=\"no such file\""},
      {"GET", "/pads/1.pad", "404 error=\"no such file\""},
      {"GET", "/misc/", "400 error=\"empty file name\""},
      {"GET", "/misc/.hidden", "400 error=\"file name begins with a dot\""},
      {"GET", "/misc/../pads.db", "400 error=\"file name begins with a dot\""},
      {"GET", "/misc/a/b", "400 error=\"file name holds a path separator\""},
      {"POST", "/misc/my notes", "405 error=\"only GET and HEAD are served\""},
  };
  for (const auto& c : refused) {
    Request request{"", c[0]};
    request.path = c[1];
    EXPECT_EQ(Run(RunMiscProgram, request), c[2]) << c[1];
  }
  EXPECT_NE(head_.find("Allow: GET, HEAD\r\n"), std::string::npos) << head_;
}

// With accounts a pad is its maker's and a file its first uploader's: others
// may read them but not change, move, replace or delete them.
TEST_F(ProgramsTest, OnlyOwnersChangeTheirPadsAndFiles) {
  user_ = "alice";
  ASSERT_EQ(Command("GetNewPadID"), "200 1");
  ASSERT_EQ(PutPad("1.pad", "alice's"), "200 ");
  ASSERT_EQ(Upload("notes", "alice's"), "200 ");
  ASSERT_EQ(Command("SetPadInfo 1 0 5 6 mallory staff account=eve "), "200 ");
  user_ = "bob";
  ASSERT_EQ(Command("GetNewPadID"), "200 2");
  EXPECT_EQ(Command("GetPadInfo 1"), "200 id=0 x=5 y=6 account=\"alice\" group=\"staff\"");
  const char* const refused[][2] = {
      {"SetPadAttributes 1 a=1", "not your pad"},
      {"SetPadInfo 1 0 0 0 bob bob ", "not your pad"},
      {"SetPadInfo 2 1 0 0 bob bob ", "parent is not your pad"},
      {"DeletePad 1", "not your pad"},
  };
  for (const auto& step : refused) {
    EXPECT_EQ(Command(step[0]), std::string("403 error=\"") + step[1] + "\"") << step[0];
  }
  EXPECT_EQ(PutPad("1.pad", "bob's"), "403 error=\"not your pad\"");
  EXPECT_EQ(Upload("notes", "bob's"), "403 error=\"not your file\"");
  EXPECT_EQ(GetPad("/pads/1.pad"), "200 alice's");
  EXPECT_EQ(ReadWholeFile(data_ + "/misc/notes"), "alice's");
  EXPECT_EQ(Command("GetPadInfo 2"), "200 id=0 x=0 y=0 account=\"bob\" group=\"guest\"");

  user_ = "alice";
  EXPECT_EQ(Upload("notes", "again"), "200 ");
  EXPECT_EQ(Command("DeletePad 1"), "200 ");
}

// Each limit refuses the request that would pass it and nothing before;
// replacing what is there takes no more room. A body that stalls ends its
// request.
TEST_F(ProgramsTest, LimitsRefuseWhatWouldGrowPastThem) {
  settings_.maxAttributes = "2";
  settings_.maxAttributeBytes = "20";
  settings_.maxChildren = "2";
  settings_.maxFiles = "2";
  settings_.maxFileBytes = "10";
  const char* const steps[][2] = {
      {"GetNewPadID", "200 1"},
      {"GetNewPadID", "200 2"},
      {"GetNewPadID", "507 error=\"too many children\""},
      {"SetPadInfo 2 1 0 0 a b ", "200 "},
      {"GetNewPadID", "200 3"},
      {"SetPadInfo 3 1 0 0 a b ", "200 "},
      {"SetPadInfo 3 1 7 7 a b ", "200 "},
      {"GetNewPadID", "200 4"},
      {"SetPadInfo 4 1 0 0 a b ", "507 error=\"too many children\""},
      {"SetPadAttributes 1 a=1 b=2", "200 "},
      {"SetPadAttributes 1 c=3", "413 error=\"too many attributes\""},
      {"SetPadAttributes 1 b=\"0123456789abcdefgh\"", "413 error=\"attributes too large\""},
      {"SetPadAttributes 1 b=\"0123456789abcdef\"", "200 "},
      {"GetPadInfo 1",
       "200 id=0 x=0 y=0 account=\"guest\" group=\"guest\" a=1 "
       "b=\"0123456789abcdef\""},
  };
  for (const auto& step : steps) EXPECT_EQ(Command(step[0]), step[1]) << step[0];

  EXPECT_EQ(Upload("a", "12345"), "200 ");
  EXPECT_EQ(Upload("b", "1234"), "200 ");
  EXPECT_EQ(Upload("c", ""), "507 error=\"too many files\"");
  EXPECT_EQ(Upload("a", "123456"), "200 ");
  EXPECT_EQ(Upload("b", "12345"), "507 error=\"file area full\"");
  EXPECT_EQ(ListDirectory(data_ + "/misc"), "a b");

  settings_.bodyTimeout = "1";
  Request stalled{"FILE_NAME = a\npart", "POST", "20"};
  stalled.stalls = true;
  EXPECT_EQ(Run(RunUploadProgram, stalled), "408 error=\"body too slow\"");
  stalled.body = "GetNewPadID";
  EXPECT_EQ(Run(RunCommandProgram, stalled), "408 error=\"body too slow\"");
  EXPECT_EQ(ReadWholeFile(data_ + "/misc/a"), "123456");

  settings_.maxFiles = "ten";
  EXPECT_EQ(Upload("a", "1"), "500 error=\"server not configured\"");
}

// A data directory that cannot serve, or whose folders lead elsewhere, gets
// a fixed reason, never a detail of what went wrong inside.
TEST_F(ProgramsTest, BrokenDataDirectoriesGetFixedReasons) {
  ASSERT_EQ(::mkdir(data_.c_str(), 0700), 0);
  ASSERT_EQ(::mkdir((data_ + "/pads.db").c_str(), 0700), 0);
  EXPECT_EQ(Command("GetNewPadID"), "500 error=\"store failed\"");

  const std::string elsewhere = scratch_.File("elsewhere");
  data_ = scratch_.File("linked");
  ASSERT_EQ(::mkdir(elsewhere.c_str(), 0700), 0);
  ASSERT_EQ(::mkdir(data_.c_str(), 0700), 0);
  ASSERT_EQ(::symlink(elsewhere.c_str(), (data_ + "/misc").c_str()), 0);
  EXPECT_EQ(Upload("a", "x"), "500 error=\"data directory is not safe\"");
  ASSERT_EQ(::unlink((data_ + "/misc").c_str()), 0);
  ASSERT_EQ(::rmdir((data_ + "/pads").c_str()), 0);
  ASSERT_EQ(::symlink(elsewhere.c_str(), (data_ + "/pads").c_str()), 0);
  EXPECT_EQ(Command("GetNewPadID"), "500 error=\"data directory is not safe\"");
  EXPECT_EQ(ListDirectory(elsewhere), "");
}

// The sweep at start removes what ended programs left: stale new files and
// pad files without a pad; fresh new files and everything else stay.
TEST_F(ProgramsTest, SweepRemovesLeftoversOnly) {
  EXPECT_TRUE(Sweep(DataDirectory(data_)).IsOk()) << "an empty directory";
  ASSERT_EQ(Command("GetNewPadID"), "200 1");
  ASSERT_EQ(PutPad("1.pad", "kept"), "200 ");
  ASSERT_EQ(Upload("notes", "kept"), "200 ");
  const std::string stale[] = {PadFile(7), data_ + "/misc/.new.9.1", data_ + "/pads/.new.9.2"};
  for (const std::string& path : stale) ASSERT_TRUE(WriteWholeFile(path, "left"));
  ASSERT_TRUE(WriteWholeFile(data_ + "/misc/.new.9.3", "being written"));
  ASSERT_TRUE(WriteWholeFile(data_ + "/misc/7.pad", "a misc file"));
  const timeval old[2] = {{std::time(nullptr) - kStaleNewFileSeconds - 60, 0},
                          {std::time(nullptr) - kStaleNewFileSeconds - 60, 0}};
  for (const std::string& path : stale) ASSERT_EQ(::utimes(path.c_str(), old), 0);

  EXPECT_TRUE(Sweep(DataDirectory(data_)).IsOk());
  EXPECT_EQ(ListDirectory(data_ + "/pads"), "1.pad");
  EXPECT_EQ(ListDirectory(data_ + "/misc"), ".new.9.3 7.pad notes");
  EXPECT_EQ(GetPad("/pads/1.pad"), "200 kept");
}

// Every name a request brings, written to reach outside the data directory
// or to hide in it: each is refused and the directory stays as it was.
TEST_F(ProgramsTest, HostileNamesChangeNothing) {
  ASSERT_EQ(Command("GetNewPadID"), "200 1");
  ASSERT_EQ(PutPad("1.pad", "pad"), "200 ");
  ASSERT_EQ(Upload("notes", "notes"), "200 ");
  const std::string before = ListDirectory(scratch_.Path()) + "|" + ListDirectory(data_) + "|" +
                             ListDirectory(data_ + "/pads") + "|" + ListDirectory(data_ + "/misc");

  struct Case {
    Program program;
    std::string name;
  };
  const std::string overlong(100000, '1');
  const Case cases[] = {
      {RunPadPutProgram, "/tmp/1.pad"},
      {RunPadPutProgram, "%31.pad"},
      {RunPadPutProgram, "1.pad\r"},
      {RunPadPutProgram, std::string("1.pad\0x", 7)},
      {RunPadPutProgram, "4294967296.pad"},
      {RunPadPutProgram, overlong + ".pad"},
      {RunPadPutProgram, "1.pad/"},
      {RunPadPutProgram, "+1.pad"},
      {RunPadPutProgram, " 1.pad"},
      {RunPadPutProgram, "1..pad"},
      {RunPadGetProgram, "../pads.db"},
      {RunPadGetProgram, "%2e%2e/pads.db"},
      {RunPadGetProgram, "1.pad/../../pads.db"},
      {RunPadGetProgram, "/1.pad"},
      {RunPadGetProgram, "4294967296.pad"},
      {RunPadGetProgram, overlong + ".pad"},
      {RunPadGetProgram, "one.pad"},
      {RunUploadProgram, "/tmp/escape"},
      {RunUploadProgram, "../escape"},
      {RunUploadProgram, "..\\escape"},
      {RunUploadProgram, "%2e%2e%2fescape"},
      {RunUploadProgram, "C:\\escape"},
      {RunUploadProgram, ".new.1.1"},
      {RunUploadProgram, "a\x7F"},
      {RunUploadProgram, "a\xFF"},
      {RunUploadProgram, "a\tb"},
      {RunUploadProgram, std::string("a\0b", 3)},
      {RunUploadProgram, "a#b"},
      {RunUploadProgram, overlong},
  };
  for (const Case& c : cases) {
    std::string answer = c.program == RunPadGetProgram
                             ? GetPad("/pads/" + c.name)
                             : Run(c.program, Request{"FILE_NAME = " + c.name + "\nnew"});
    EXPECT_EQ(answer.substr(0, 4), "400 ") << c.name << ": " << answer;
  }
  EXPECT_EQ(ListDirectory(scratch_.Path()) + "|" + ListDirectory(data_) + "|" +
                ListDirectory(data_ + "/pads") + "|" + ListDirectory(data_ + "/misc"),
            before);
  EXPECT_EQ(ReadWholeFile(PadFile(1)), "pad");
  EXPECT_EQ(ReadWholeFile(data_ + "/misc/notes"), "notes");
}

}  // namespace
}  // namespace padserver
