// The request workers against the scripted server: the outcome of each
// request and the exact commands the server received, in order; failures
// that stop a sequence; the cut-off of a transfer under way; and one report
// on every path, also when memory runs out inside a worker.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ClientTestSupport.h"
#include "FakeHttpServer.h"
#include "mkres/MwMemory.h"
#include "mkres/MwMemoryTestHelper.h"
#include "mkres/MwRunLoop.h"
#include "protocol/GzipFile.h"

namespace {

using Script = FakeHttpServer::Script;

const char kMarker[] = "PAD_SERVER_REPLY = ";

Script Answer(const std::string& reply) {
  return FakeHttpServer::Reply("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n" +
                               std::string(kMarker) + reply + "\xFF");
}
Script Sized(const std::string& body) {
  return FakeHttpServer::Reply("HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
                               "\r\n\r\n" + body);
}
Script Refusal(int status) {
  return FakeHttpServer::Reply("HTTP/1.0 " + std::to_string(status) +
                               " Refused\r\nContent-Type: text/plain\r\n\r\n" + kMarker + "42\xFF");
}

// One request as the server saw it: the CGI program (or "GET" and the path)
// and the command line or the first line of the body.
std::string Summary(const std::string& request) {
  std::size_t lineEnd = request.find("\r\n");
  std::string line = request.substr(0, lineEnd);
  if (line.compare(0, 4, "GET ") == 0) return line.substr(0, line.find(" HTTP/"));
  std::size_t nameStart = line.rfind('/', line.find(" HTTP/")) + 1;
  std::string cgi = line.substr(nameStart, line.find(" HTTP/") - nameStart);
  std::size_t bodyStart = request.find("\r\n\n");
  std::string body = bodyStart == std::string::npos ? "" : request.substr(bodyStart + 3);
  body = body.substr(0, body.find_first_of("\n\xFF"));
  return cgi + " " + body;
}

using Commands = std::vector<std::string>;

// One request against the scripted server: the server's answers, the
// request, its outcome in short and what the server received.
struct Case {
  const char* what;
  std::vector<Script> scripts;
  std::function<char()> request;
  std::string outcome;
  Commands commands;
};

class WorkersTest : public testing::Test {
 protected:
  WorkersTest() : startCount_(MwLiveBlockCount()) {
    padFile_ = files_.File("sample.pad");
    std::unique_ptr<MkSimplePad> sample(NewSamplePad("Sample", 0, 0, 100, 50));
    sample->save(Text(padFile_), 0, MK_SAVE_NORMAL);
    MakeClient();
  }

  ~WorkersTest() override {
    delete comm_;
    // The last worker may still be closing its connection.
    EXPECT_TRUE(WaitUntil([&] { return MwLiveBlockCount() == startCount_; }, 5000));
    EXPECT_EQ(scratch_.TempFiles(), "");
    for (const std::string& problem : fake_->Problems()) ADD_FAILURE() << problem;
  }

  // A fresh server and client: scripts that a failed worker left unused do
  // not answer the next request.
  void Restart() {
    delete comm_;
    comm_ = nullptr;
    fake_ = std::make_unique<FakeHttpServer>();
    seen_ = 0;
    MakeClient();
  }

  void MakeClient() {
    delete comm_;
    comm_ = new BazaroComm;
    comm_->SetHost(("127.0.0.1:" + std::to_string(fake_->Port()) + "/cgi/").c_str());
    callback_.SetComm(comm_);
    callback_.reports.clear();
    callback_.onTaskEnd = [this](int) {
      char* file = comm_->QueryResultFile();
      fileContent_ = file != nullptr ? ReadWholeFile(file) : "";
    };
    comm_->SetPad(&callback_);
  }

  // Queues `scripts`, makes the request and runs the loop until it is
  // reported; the report's outcome in short.
  std::string Run(const std::vector<Script>& scripts, const std::function<char()>& request) {
    for (const Script& script : scripts) fake_->Answer(script);
    std::size_t before = callback_.reports.size();
    if (request() != 1) return "refused";
    if (!RunLoopUntil([&] { return callback_.reports.size() > before; }, 20000)) return "no report";
    const RecordingPad::Report& report = callback_.reports.back();
    return Outcome(report) + Why(report);
  }

  // A failure's reason, and the refusal's status: " (reason 10, 404)".
  static std::string Why(const RecordingPad::Report& report) {
    if (report.reason == kReasonNone) return "";
    std::string why = " (reason " + std::to_string(report.reason);
    if (report.status != 0) why += ", " + std::to_string(report.status);
    return why + ")";
  }

  std::string Outcome(const RecordingPad::Report& report) {
    switch (report.type) {
      case kRequestNewID:
      case kRequestUpload:
        return "id=" + std::to_string(report.id);
      case kRequestDownload:
      case kRequestGetFile:
        return report.file.empty() ? "no file" : "file=" + fileContent_;
      case kRequestGetList: {
        if (report.booth.empty()) return "no list";
        std::string list = "list";
        for (const BoothInfo& record : report.booth) {
          list += " " + std::to_string(record.id);
          if (record.id == 0) break;
          list += ":" + std::to_string(record.x) + "," + std::to_string(record.y) + "," +
                  std::to_string(record.width) + "," + std::to_string(record.height);
        }
        return list;
      }
      default:
        return "bool=" + std::to_string(report.boolValue);
    }
  }

  // What the server received since the last call, one summary a request.
  std::vector<std::string> Received() {
    std::vector<std::string> received;
    EXPECT_TRUE(fake_->WaitForConnections(fake_->ConnectionCount(), 2000));
    for (; seen_ < fake_->ConnectionCount(); ++seen_) {
      received.push_back(Summary(fake_->Request(seen_)));
    }
    return received;
  }

  void RunCases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.what);
      EXPECT_EQ(Run(c.scripts, c.request), c.outcome);
      EXPECT_EQ(Received(), c.commands);
      // A fetched file goes with its report; nothing else may be left.
      EXPECT_TRUE(RunLoopUntil([&] { return scratch_.TempFiles().empty(); }, 2000));
    }
  }

  char Upload(unsigned long parent) {
    std::unique_ptr<MkSimplePad> pad(NewSamplePad("Sample", 0, 0, 100, 50));
    return comm_->RequestUpload(parent, pad.get(), 10, 20);
  }
  char Store(int type, unsigned long id) {
    std::unique_ptr<MkSimplePad> pad(NewSamplePad("Sample", 0, 0, 100, 50));
    return type == kRequestRegist ? comm_->RequestRegist(id, pad.get(), 10, 20)
                                  : comm_->RequestUpdate(id, pad.get(), 10, 20);
  }
  std::string GzippedPad() {
    std::string gz = files_.File("sample.pad.gz");
    EXPECT_TRUE(GzipFile(padFile_.c_str(), gz.c_str()));
    return ReadWholeFile(gz);
  }

  // A fresh server in place of one whose answer was cut off: a slow receiver
  // (Wine) may be cut off before the server sent all it meant to.
  void ReplaceCutOffServer() {
    for (const std::string& problem : fake_->Problems()) {
      EXPECT_EQ(problem, "SendPattern did not finish");
    }
    fake_ = std::make_unique<FakeHttpServer>();
  }

  long startCount_;
  ClientScratch scratch_;
  ScratchDirectory files_;
  std::string padFile_;
  std::unique_ptr<FakeHttpServer> fake_ = std::make_unique<FakeHttpServer>();
  RecordingPad callback_;
  BazaroComm* comm_ = nullptr;
  std::string fileContent_;
  std::size_t seen_ = 0;
};

TEST_F(WorkersTest, PadRequestsSendTheirCommandsInOrder) {
  const std::string setInfo = "pad-cgi SetPadInfo 21 5 10 20 guest guest width=100 height=50 ";
  const std::string attributes = "pad-cgi SetPadAttributes 9 x=10 y=20 width=100 height=50 ";
  const Script ok = Answer("");
  RunCases({
      {"new id",
       {Answer("17")},
       [&] { return comm_->RequestNewID(); },
       "id=17",
       {"pad-cgi GetNewPadID"}},
      {"new id refused",
       {Refusal(500)},
       [&] { return comm_->RequestNewID(); },
       "id=0 (reason 12, 500)",
       {"pad-cgi GetNewPadID"}},
      {"upload",
       {Answer("21"), ok, ok},
       [&] { return Upload(5); },
       "id=21",
       {"pad-cgi GetNewPadID", setInfo, "pad-gzput-cgi FILE_NAME = 21.pad"}},
      {"upload whose pad file is refused deletes the new pad",
       {Answer("21"), ok, Refusal(413), ok},
       [&] { return Upload(5); },
       "id=0 (reason 11, 413)",
       {"pad-cgi GetNewPadID", setInfo, "pad-gzput-cgi FILE_NAME = 21.pad",
        "pad-cgi DeletePad 21"}},
      {"upload whose attributes are refused deletes the new pad",
       {Answer("21"), Refusal(404), ok},
       [&] { return Upload(5); },
       "id=0 (reason 10, 404)",
       {"pad-cgi GetNewPadID", setInfo, "pad-cgi DeletePad 21"}},
      {"upload without a new id sends nothing more",
       {Refusal(500)},
       [&] { return Upload(5); },
       "id=0 (reason 12, 500)",
       {"pad-cgi GetNewPadID"}},
      {"upload given pad 0 sends nothing for it",
       {Answer("0")},
       [&] { return Upload(5); },
       "id=0 (reason 13)",
       {"pad-cgi GetNewPadID"}},
      {"registration",
       {ok, ok},
       [&] { return Store(kRequestRegist, 9); },
       "bool=1",
       {attributes, "pad-gzput-cgi FILE_NAME = 9.pad"}},
      {"registration whose attributes are refused sends no pad file",
       {Refusal(500)},
       [&] { return Store(kRequestRegist, 9); },
       "bool=0 (reason 12, 500)",
       {attributes}},
      {"update",
       {ok, ok},
       [&] { return Store(kRequestUpdate, 9); },
       "bool=1",
       {attributes, "pad-gzput-cgi FILE_NAME = 9.pad"}},
      {"update whose pad file is refused",
       {ok, Refusal(500)},
       [&] { return Store(kRequestUpdate, 9); },
       "bool=0 (reason 12, 500)",
       {attributes, "pad-gzput-cgi FILE_NAME = 9.pad"}},
      {"move",
       {ok},
       [&] { return comm_->RequestMove(9, -3, 4); },
       "bool=1",
       {"pad-cgi SetPadAttributes 9 x=-3 y=4 "}},
      {"delete", {ok}, [&] { return comm_->RequestDelete(7); }, "bool=1", {"pad-cgi DeletePad 7"}},
      {"delete of a pad the server does not have",
       {Refusal(404)},
       [&] { return comm_->RequestDelete(7); },
       "bool=0 (reason 10, 404)",
       {"pad-cgi DeletePad 7"}},
  });
}

TEST_F(WorkersTest, ListsGiveOneRecordPerChildAndAnEndRecord) {
  const Commands children = {"pad-cgi GetChildPads 5",
                             "pad-cgi GetPadAttributes 11 x y width height ",
                             "pad-cgi GetPadAttributes 12 x y width height "};
  auto list = [&] { return comm_->RequestGetList(5, 1, 2, 3, 4); };
  RunCases({
      {"two children",
       {Answer("id=11 ,id=12"), Answer("x=10 y=20 width=30 height=40"),
        Answer("x=-1 y=-2 width=5 height=6")},
       list,
       "list 11:10,20,30,40 12:-1,-2,5,6 0",
       children},
      // Values the server leaves out keep the request's; one of another
      // type reads as 0.
      {"partial attributes",
       {Answer("id=11 ,id=12"), Answer("x=10"), Answer("y=text height=")},
       list,
       "list 11:10,2,3,4 12:1,0,3,0 0",
       children},
      {"no children", {Answer("")}, list, "list 0", {"pad-cgi GetChildPads 5"}},
      {"refused", {Refusal(500)}, list, "no list (reason 12, 500)", {"pad-cgi GetChildPads 5"}},
  });
}

TEST_F(WorkersTest, FileRequestsStoreWhatArrivedAndLeaveNoFileOnFailure) {
  const std::string pad = ReadWholeFile(padFile_);
  const std::string data = std::string("line\0\xFF\r\n", 8) + "end";
  std::string local = files_.File("local.bin");
  ASSERT_TRUE(WriteWholeFile(local, data));
  RunCases({
      {"download",
       {Sized(GzippedPad())},
       [&] { return comm_->RequestDownload(8); },
       "file=" + pad,
       {"pad-gzget-cgi /pads/8.pad"}},
      {"download of a pad the server does not have",
       {Refusal(404)},
       [&] { return comm_->RequestDownload(8); },
       "no file (reason 10, 404)",
       {"pad-gzget-cgi /pads/8.pad"}},
      {"fetch",
       {Sized(data)},
       [&] { return comm_->RequestGetFile(Text("notes v2.txt")); },
       "file=" + data,
       {"GET /misc/notes v2.txt"}},
      {"fetch refused",
       {Refusal(404)},
       [&] { return comm_->RequestGetFile(Text("gone")); },
       "no file (reason 10, 404)",
       {"GET /misc/gone"}},
      {"send",
       {Answer("")},
       [&] { return comm_->RequestPutFile(Text(local), Text("up.bin")); },
       "bool=1",
       {"pad-upload-cgi FILE_NAME = up.bin"}},
      {"send refused",
       {Refusal(500)},
       [&] { return comm_->RequestPutFile(Text(local), Text("up.bin")); },
       "bool=0 (reason 12, 500)",
       {"pad-upload-cgi FILE_NAME = up.bin"}},
  });
  // The sent file went whole, after its name line.
  std::string sent = fake_->Request(4);
  EXPECT_EQ(sent.substr(sent.size() - data.size()), data);
}

TEST_F(WorkersTest, DestructionCutsOffADownloadUnderWay) {
  // Half of a 50 MiB pad, then the server holds the rest back.
  const std::size_t announced = 50u << 20;
  fake_->Answer(
      Script()
          .AwaitRequestEnd()
          .Send("HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(announced) + "\r\n\r\n")
          .SendPattern(announced / 2)
          .Pause(10000));
  ASSERT_EQ(comm_->RequestDownload(3), 1);
  ASSERT_TRUE(WaitUntil([&] { return fake_->ConnectionCount() == 1; }, 5000));
  // Let the transfer get well under way.
  MwRunLoop(500);

  auto start = std::chrono::steady_clock::now();
  delete comm_;
  comm_ = nullptr;
  auto took = std::chrono::steady_clock::now() - start;
  EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(took).count(), 100);
  // The worker's blocked receive returned: it has given back all it held.
  EXPECT_TRUE(WaitUntil([&] { return MwLiveBlockCount() == startCount_; }, 1000));
  EXPECT_EQ(scratch_.TempFiles(), "");
  MwRunLoop(150);
  EXPECT_TRUE(callback_.reports.empty());
  ReplaceCutOffServer();
}

// Every allocation a worker makes, failed in turn: each request is still
// reported exactly once, and nothing stays behind.
TEST_F(WorkersTest, ARequestIsReportedOnceWhicheverAllocationFails) {
  struct AllocationCase {
    const char* what;
    std::function<std::vector<Script>()> scripts;
    std::function<char()> request;
  };
  const AllocationCase cases[] = {
      {"upload",
       [] {
         return std::vector<Script>{Answer("21"), Answer(""), Answer(""), Answer("")};
       },
       [&] { return Upload(5); }},
      {"list",
       [] {
         return std::vector<Script>{Answer("id=11 ,id=12"), Answer("x=1 y=2"), Answer("x=3")};
       },
       [&] { return comm_->RequestGetList(5, 1, 2, 3, 4); }},
      {"download", [&] { return std::vector<Script>{Sized(GzippedPad())}; },
       [&] { return comm_->RequestDownload(8); }},
  };
  for (const AllocationCase& c : cases) {
    bool failed = true;
    for (long count = 1; failed && count < 2000; ++count) {
      SCOPED_TRACE(std::string(c.what) + ", allocation " + std::to_string(count));
      Restart();
      MwMemoryTestHelper::FailAllocationElsewhere(count);
      std::string outcome = Run(c.scripts(), c.request);
      EXPECT_NE(outcome, "refused");
      EXPECT_NE(outcome, "no report");
      // A failure says why, whichever allocation failed.
      bool neutral = outcome.rfind("id=0", 0) == 0 || outcome.rfind("bool=0", 0) == 0 ||
                     outcome.rfind("no ", 0) == 0;
      if (neutral) {
        EXPECT_NE(outcome.find("(reason "), std::string::npos) << outcome;
      }
      MwRunLoop(60);
      EXPECT_EQ(callback_.reports.size(), 1u);
      failed = MwMemoryTestHelper::ArmedFailureHappened();
      MwMemoryTestHelper::FailAllocationElsewhere(0);
      delete comm_;
      comm_ = nullptr;
      ASSERT_TRUE(WaitUntil([&] { return MwLiveBlockCount() == startCount_; }, 5000));
      ASSERT_EQ(scratch_.TempFiles(), "");
    }
    EXPECT_FALSE(failed) << c.what << ": the worker kept allocating";
  }
  Restart();
}

}  // namespace

TEST_F(WorkersTest, TransfersCountTheirBytesUpToTheTotal) {
  // A download in pieces, held open once whole so that the end is seen.
  const std::size_t length = 3u << 20;
  Script download = Script().AwaitRequestEnd().Send(
      "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(length) + "\r\n\r\n");
  for (int piece = 0; piece < 6; ++piece) download.SendPattern(length / 6).Pause(50);
  fake_->Answer(download.Pause(300).Close());
  std::string local = files_.File("up.bin");
  ASSERT_TRUE(WriteWholeFile(local, std::string(2u << 20, 'u')));
  fake_->Answer(Script().AwaitRequestEnd().Pause(300).Send("HTTP/1.0 200 OK\r\n\r\n" +
                                                           std::string(kMarker) + "\xFF"));
  fake_->Answer(Answer("4711"));

  for (auto request : std::vector<std::function<char()>>{
           [&] { return comm_->RequestGetFile(Text("big")); },
           [&] { return comm_->RequestPutFile(Text(local), Text("up.bin")); },
           [&] { return comm_->RequestNewID(); }}) {
    std::size_t before = callback_.reports.size();
    ASSERT_EQ(request(), 1);
    std::vector<std::pair<unsigned long long, unsigned long long>> seen;
    ASSERT_TRUE(RunLoopUntil(
        [&] {
          unsigned long long moved = 0;
          unsigned long long total = 0;
          if (comm_->QueryProgress(&moved, &total) == 1) seen.emplace_back(moved, total);
          return callback_.reports.size() > before;
        },
        20000));
    const RecordingPad::Report& report = callback_.reports.back();
    if (report.type == kRequestNewID) {
      EXPECT_TRUE(seen.empty()) << "a command counts nothing";
      continue;
    }
    ASSERT_FALSE(seen.empty());
    unsigned long long total =
        report.type == kRequestGetFile ? length : (2u << 20) + std::strlen("FILE_NAME = up.bin\n");
    for (std::size_t i = 1; i < seen.size(); ++i) EXPECT_GE(seen[i].first, seen[i - 1].first);
    for (const auto& sample : seen) EXPECT_LE(sample.first, total);
    EXPECT_EQ(seen.back(), std::make_pair(total, total));
    if (report.type == kRequestGetFile) {
      EXPECT_GT(std::count_if(seen.begin(), seen.end(),
                              [&](const auto& s) { return s.first > 0 && s.first < total; }),
                0)
          << "the count grows while the body arrives";
    }
  }
  unsigned long long moved = 1;
  EXPECT_EQ(comm_->QueryProgress(&moved, nullptr), 0);
  EXPECT_EQ(moved, 0u);
}

TEST_F(WorkersTest, CancelEndsTheRunningTransferAndReportsEveryTaskOnce) {
  const std::size_t announced = 50u << 20;
  fake_->Answer(
      Script()
          .AwaitRequestEnd()
          .Send("HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(announced) + "\r\n\r\n")
          .SendPattern(announced / 4)
          .Pause(10000));
  std::string local = files_.File("local.bin");
  ASSERT_TRUE(WriteWholeFile(local, "bytes"));
  ASSERT_EQ(comm_->RequestDownload(3), 1);
  ASSERT_EQ(comm_->RequestPutFile(Text(local), Text("one")), 1);
  ASSERT_EQ(Upload(7), 1);
  unsigned long long moved = 0;
  unsigned long long total = 0;
  ASSERT_TRUE(
      RunLoopUntil([&] { return comm_->QueryProgress(&moved, &total) == 1 && moved > 0; }, 5000));
  EXPECT_EQ(total, announced);

  auto start = std::chrono::steady_clock::now();
  comm_->Cancel();
  EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                  start)
                .count(),
            100);
  // A request made after the cancel runs as usual, after the cancelled ones.
  fake_->Answer(Answer("4711"));
  ASSERT_EQ(comm_->RequestNewID(), 1);
  ASSERT_TRUE(RunLoopUntil([&] { return callback_.reports.size() == 4; }, 5000));
  MwRunLoop(100);
  ASSERT_EQ(callback_.reports.size(), 4u);
  const int types[] = {kRequestDownload, kRequestPutFile, kRequestUpload, kRequestNewID};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(callback_.reports[i].type, types[i]);
    EXPECT_EQ(Outcome(callback_.reports[i]) + Why(callback_.reports[i]),
              std::string(i == 0   ? "no file"
                          : i == 1 ? "bool=0"
                                   : "id=0") +
                  " (reason 7)");
  }
  EXPECT_EQ(Outcome(callback_.reports[3]), "id=4711");
  EXPECT_EQ(scratch_.TempFiles(), "");
  // Only the download and the later request reached the server.
  EXPECT_EQ(fake_->ConnectionCount(), 2u);
  ReplaceCutOffServer();
}

TEST_F(WorkersTest, FailuresToReachTheServerSayWhy) {
  struct Address {
    const char* address;
    int reason;
  };
  for (const Address& a : {Address{"127.0.0.1:1/cgi/", kReasonCannotConnect},
                           Address{"no-such-host.invalid:80/cgi/", kReasonCannotResolve}}) {
    SCOPED_TRACE(a.address);
    comm_->SetHost(a.address);
    ASSERT_EQ(comm_->RequestNewID(), 1);
    std::size_t before = callback_.reports.size();
    ASSERT_TRUE(RunLoopUntil([&] { return callback_.reports.size() > before; }, 20000));
    EXPECT_EQ(callback_.reports.back().reason, a.reason);
  }
}
