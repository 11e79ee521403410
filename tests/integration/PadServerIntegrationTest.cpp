// The project's own PadServer operations against the reference pad server
// under lighttpd: every command and transfer, directly and through tinyproxy,
// many clients at once, and an upload cut off half-way.
// pad-server-integration.sh starts the servers and passes their addresses in
// BAZARO_TEST_PAD_SERVER (HOST:PORT) and BAZARO_TEST_PROXY_PORT, and for its
// pass over HTTPS the server's CA file in BAZARO_TEST_CA_FILE.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ProtocolTestSupport.h"

namespace {

constexpr char kCgiPath[] = "/cgi-bin/";
// The server runs with this body limit (--max-body).
constexpr std::size_t kMaxBody = 8 << 20;

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// Bytes that no compressor shrinks much, the same for the same seed.
std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 generator(seed);
  std::string bytes(size, '\0');
  for (char& byte : bytes) byte = static_cast<char>(generator() & 0xFF);
  return bytes;
}

// The server's host and port, and a PadServer pointed at them.
class Target {
 public:
  Target() {
    std::string address = Environment("BAZARO_TEST_PAD_SERVER");
    std::size_t colon = address.rfind(':');
    if (colon == std::string::npos) return;
    host_ = address.substr(0, colon);
    port_ = static_cast<unsigned short>(std::atoi(address.c_str() + colon + 1));
    caFile_ = Environment("BAZARO_TEST_CA_FILE");
  }
  bool Known() const { return port_ != 0; }
  void Aim(PadServer& server) const {
    server.SetServer(host_.c_str(), port_, kCgiPath);
    if (!caFile_.empty()) {
      const char* files[] = {caFile_.c_str(), nullptr};
      server.SetTls(true, files);
    }
  }

 private:
  std::string host_;
  unsigned short port_ = 0;
  std::string caFile_;  // set: every exchange runs inside TLS
};

enum class Route { kDirect, kProxy };

class PadServerThroughLighttpd : public testing::TestWithParam<Route> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(target_.Known()) << "run by pad-server-integration.sh, which starts the server";
    target_.Aim(pad_);
    if (GetParam() == Route::kProxy) {
      int proxyPort = std::atoi(Environment("BAZARO_TEST_PROXY_PORT").c_str());
      ASSERT_NE(proxyPort, 0);
      // Class-wide, and cleared with the last PadServer: pad_'s end.
      PadServer::SetProxy("127.0.0.1", static_cast<unsigned short>(proxyPort), nullptr);
    }
  }

  unsigned long NewPad() {
    unsigned long id = 0;
    EXPECT_EQ(pad_.GetNewPadID(id), 0);
    EXPECT_NE(id, 0ul);
    return id;
  }

  std::string Info(unsigned long id) {
    Dictionary record(nullptr);
    int result = pad_.GetPadInfo(id, record.ref());
    return result == 0 ? Describe(record.get()) : "result " + std::to_string(result);
  }

  std::string LocalFile(const std::string& name, const std::string& content) {
    std::string path = scratch_.File(name);
    EXPECT_TRUE(WriteWholeFile(path, content));
    return path;
  }

  Target target_;
  PadServer pad_;
  ScratchDirectory scratch_;
};

TEST_P(PadServerThroughLighttpd, CommandsGiveBackWhatTheyStored) {
  unsigned long parent = NewPad();
  unsigned long a = NewPad();
  unsigned long b = NewPad();
  EXPECT_LT(parent, a);
  EXPECT_LT(a, b);
  const std::string p = std::to_string(parent);

  Dictionary attributes;
  attributes.Int("x", 10).Int("y", -20).Int("width", 100).Int("height", 50);
  attributes.Str("name", "Blue pad, big").Bool("simage", 1).Real("ratio", 2.7);
  attributes.Id("expand-to", 4023);
  EXPECT_EQ(pad_.SetPadInfo(a, parent, attributes.get()), 0);
  Dictionary small;
  small.Int("x", 1).Int("y", 2).Int("width", 3).Int("height", 4);
  EXPECT_EQ(pad_.SetPadInfo(b, parent, small.get()), 0);
  // Without a parent only the attributes change: b stays below the parent.
  Dictionary moved;
  moved.Int("x", 7).Bool("plaza", 0);
  EXPECT_EQ(pad_.SetPadInfo(b, 0, moved.get()), 0);

  EXPECT_EQ(Info(a),
            "x=10:5 | y=-20:5 | account=guest:4 | group=guest:4 | width=100:5 | "
            "height=50:5 | name=Blue pad, big:4 | simage=1:2 | ratio=2:4 | "
            "expand-to=4023:7 | pid=" +
                p + ":7");
  EXPECT_EQ(Info(b),
            "x=7:5 | y=2:5 | account=guest:4 | group=guest:4 | width=3:5 | "
            "height=4:5 | plaza=0:2 | pid=" +
                p + ":7");

  Dictionary named;
  named.Int("width", 0).Str("name", "stand-in").Int("depth", 9);
  EXPECT_EQ(pad_.GetPadInfo(a, named.ref()), 0);
  EXPECT_EQ(Describe(named.get()), "width=100:5 | name=Blue pad, big:4 | depth=9:5");

  Dictionary list(nullptr);
  EXPECT_EQ(pad_.GetChildPads(parent, list.ref()), 0);
  EXPECT_EQ(Describe(list.get()),
            "0={id=" + std::to_string(a) + ":7}:1 | 1={id=" + std::to_string(b) + ":7}:1");
  Dictionary children;
  children.Int("x", 0).Int("width", 0);
  EXPECT_EQ(pad_.GetChildPads(parent, children.ref()), 0);
  EXPECT_EQ(Describe(children.get()),
            "0={id=" + std::to_string(a) + ":7 | x=10:5 | width=100:5 | pid=" + p + ":7}:1 | " +
                "1={id=" + std::to_string(b) + ":7 | x=7:5 | width=3:5 | pid=" + p + ":7}:1");

  EXPECT_EQ(pad_.DeletePad(parent), 0);
  for (unsigned long gone : {parent, a, b}) EXPECT_EQ(Info(gone), "result -1") << gone;
  Dictionary none(nullptr);
  EXPECT_NE(pad_.GetChildPads(parent, none.ref()), 0);
  EXPECT_NE(pad_.SetPadInfo(a, 0, small.get()), 0) << "a refusal reads as a failure";
}

TEST_P(PadServerThroughLighttpd, TransfersCarryFilesWhole) {
  unsigned long pad = NewPad();
  std::string first = RandomBytes(300000, 1);
  std::string second = RandomBytes(1000, 2) + std::string(200000, 'z');
  std::string downloaded = scratch_.File("downloaded");
  for (const std::string* content : {&first, &second}) {
    EXPECT_EQ(pad_.UploadPad(pad, LocalFile("local.pad", *content).c_str()), 0);
    EXPECT_TRUE(pad_.DownloadPad(pad, downloaded.c_str()));
    EXPECT_EQ(ReadWholeFile(downloaded), *content);
  }
  EXPECT_NE(pad_.UploadPad(999999, LocalFile("other.pad", first).c_str()), 0);
  EXPECT_FALSE(pad_.DownloadPad(999999, downloaded.c_str()));

  // The client puts a name into the request line as it is; lighttpd takes a
  // blank there, tinyproxy refuses the request.
  const char* name = GetParam() == Route::kDirect ? "notes 1.txt" : "notes-1.txt";
  std::string notes = "notes for everyone\n" + RandomBytes(5000, 3);
  EXPECT_EQ(pad_.PutFile(name, LocalFile("notes", notes).c_str()), 0);
  EXPECT_TRUE(pad_.GetFile(name, downloaded.c_str()));
  EXPECT_EQ(ReadWholeFile(downloaded), notes);
  EXPECT_FALSE(pad_.GetFile("missing.txt", downloaded.c_str()));

  // Refused by the server: names that would leave the directory, and a body
  // over its limit. Neither changes what is there.
  EXPECT_NE(pad_.PutFile("../escape.txt", LocalFile("escape", "x").c_str()), 0);
  EXPECT_FALSE(pad_.GetFile("../escape.txt", downloaded.c_str()));
  EXPECT_NE(pad_.PutFile(name, LocalFile("big", std::string(kMaxBody + 1, 'b')).c_str()), 0);
  EXPECT_TRUE(pad_.GetFile(name, downloaded.c_str()));
  EXPECT_EQ(ReadWholeFile(downloaded), notes);
}

INSTANTIATE_TEST_SUITE_P(Routes, PadServerThroughLighttpd,
                         testing::Values(Route::kDirect, Route::kProxy),
                         [](const testing::TestParamInfo<Route>& info) {
                           return info.param == Route::kDirect ? "Direct" : "ThroughTinyproxy";
                         });

// An upload whose connection closes half-way replaces nothing: the pad file
// stays whole while the server notices the cut and after.
TEST(PadServerCutUpload, LeavesTheOldPadFileWhole) {
  Target target;
  ASSERT_TRUE(target.Known());
  PadServer pad;
  target.Aim(pad);
  ScratchDirectory scratch;
  unsigned long id = 0;
  ASSERT_EQ(pad.GetNewPadID(id), 0);
  std::string content = RandomBytes(2 << 20, 4);
  std::string local = scratch.File("local.pad");
  ASSERT_TRUE(WriteWholeFile(local, content));
  ASSERT_EQ(pad.UploadPad(id, local.c_str()), 0);

  const std::string line = "FILE_NAME = " + std::to_string(id) + ".pad\n";
  const std::string half = RandomBytes(1 << 20, 5);
  ASSERT_EQ(pad.Connect(), 0);
  EXPECT_EQ(pad.SendRequestHead(PadServer::kPost, PadServer::kPadGzPutCgi,
                                static_cast<unsigned long>(line.size() + 2 * half.size()), false),
            0);
  EXPECT_EQ(pad.SendBody(line.data(), static_cast<unsigned long>(line.size()), false), 0);
  EXPECT_EQ(pad.SendBody(half.data(), static_cast<unsigned long>(half.size()), false), 0);
  pad.Disconnect();

  std::string downloaded = scratch.File("downloaded");
  for (int check = 0; check < 10; ++check) {
    ASSERT_TRUE(pad.DownloadPad(id, downloaded.c_str()));
    ASSERT_EQ(ReadWholeFile(downloaded), content) << "check " << check;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

// 16 clients at once, each making a hundred requests: ten rounds of the
// ten below. Every request succeeds and every pad ends as its client left it.
class Client {
 public:
  Client(const Target& target, unsigned long parent, int number)
      : parent_(parent), number_(number) {
    target.Aim(server_);
  }

  void Run() {
    for (int round = 0; round < 10; ++round) Round(round);
  }

  int failures = 0;
  std::string problem;
  std::vector<unsigned long> kept;  // its pads still below the parent

 private:
  void Round(int round) {
    unsigned long id = 0;
    Check(server_.GetNewPadID(id), "GetNewPadID");
    const int width = number_ * 1000 + round;
    Dictionary placed;
    placed.Int("x", number_).Int("y", round).Int("width", width);
    Check(server_.SetPadInfo(id, parent_, placed.get()), "SetPadInfo");
    ListChildren();
    Dictionary changed;
    changed.Int("height", round);
    Check(server_.SetPadInfo(id, 0, changed.get()), "SetPadAttributes");
    Dictionary named;
    named.Int("width", 0).Int("height", 0);
    Check(server_.GetPadInfo(id, named.ref()), "GetPadAttributes");
    Expect(Describe(named.get()),
           "width=" + std::to_string(width) + ":5 | height=" + std::to_string(round) + ":5");
    Dictionary record(nullptr);
    Check(server_.GetPadInfo(id, record.ref()), "GetPadInfo");
    MkDictionaryValue* pid = record.get() != nullptr ? record->at(Text("pid")) : nullptr;
    Expect(pid != nullptr ? std::to_string(*static_cast<unsigned long*>(pid->get_value())) : "",
           std::to_string(parent_));

    std::string content = RandomBytes(2000, static_cast<unsigned>(width));
    WriteWholeFile(local_, content);
    Check(server_.UploadPad(id, local_.c_str()), "UploadPad");
    Check(server_.DownloadPad(id, back_.c_str()) ? 0 : -1, "DownloadPad");
    Expect(ReadWholeFile(back_) == content ? "same" : "differs", "same");
    ListChildren();
    if (round % 2 == 0) {
      Check(server_.DeletePad(id), "DeletePad");
    } else {
      kept.push_back(id);
      Dictionary none(nullptr);
      Check(server_.GetChildPads(id, none.ref()), "GetChildPads of a new pad");
      Expect(std::to_string(none.get() != nullptr ? none->length() : 99), "0");
    }
  }

  void ListChildren() {
    Dictionary list(nullptr);
    Check(server_.GetChildPads(parent_, list.ref()), "GetChildPads");
  }

  void Check(int result, const char* what) {
    if (result == 0) return;
    ++failures;
    if (problem.empty()) problem = std::string(what) + " gave " + std::to_string(result);
  }

  void Expect(const std::string& got, const std::string& wanted) {
    if (got != wanted && problem.empty()) problem = "read " + got + " for " + wanted;
  }

  PadServer server_;
  unsigned long parent_;
  int number_;
  ScratchDirectory scratch_;
  std::string local_ = scratch_.File("pad");
  std::string back_ = scratch_.File("back");
};

TEST(PadServerManyClients, LoseNothing) {
  Target target;
  ASSERT_TRUE(target.Known());
  PadServer pad;
  target.Aim(pad);
  unsigned long parent = 0;
  ASSERT_EQ(pad.GetNewPadID(parent), 0);

  constexpr int kClients = 16;
  std::vector<std::unique_ptr<Client>> clients;
  for (int c = 0; c < kClients; ++c) clients.emplace_back(new Client(target, parent, c));
  std::vector<std::thread> threads;
  for (auto& client : clients) threads.emplace_back([&client] { client->Run(); });
  for (std::thread& thread : threads) thread.join();

  std::set<unsigned long> expected;
  for (int c = 0; c < kClients; ++c) {
    EXPECT_EQ(clients[c]->failures, 0) << "client " << c;
    EXPECT_EQ(clients[c]->problem, "") << "client " << c;
    expected.insert(clients[c]->kept.begin(), clients[c]->kept.end());
  }
  EXPECT_EQ(expected.size(), static_cast<std::size_t>(kClients * 5));
  Dictionary list(nullptr);
  ASSERT_EQ(pad.GetChildPads(parent, list.ref()), 0);
  std::set<unsigned long> listed;
  for (unsigned int i = 0; i < list->length(); ++i) {
    MkDictionary* record = *static_cast<MkDictionary**>(list->at(i)->get_value());
    listed.insert(*static_cast<unsigned long*>(record->at(Text("id"))->get_value()));
  }
  EXPECT_EQ(listed, expected);
  EXPECT_EQ(pad.DeletePad(parent), 0);
}

}  // namespace
