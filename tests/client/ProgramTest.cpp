// The library the way a pad uses it: only the client's header, the shared
// library and the platform loop. Outcomes are read inside TaskEnd, as the
// contract says; after each test no temporary file is left and every kernel
// heap block has come back.
#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "FakeHttpServer.h"
#include "ScratchDirectory.h"
#include "TempDirectoryOverride.h"
#include "bazaro/BazaroComm.h"
#include "mkres/MwMemory.h"
#include "mkres/MwRunLoop.h"

namespace {

using Script = FakeHttpServer::Script;

Script Answer(const std::string& reply) {
  return FakeHttpServer::Reply(
      "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n"
      "PAD_SERVER_REPLY = " +
      reply + "\xFF");
}
Script Sized(const std::string& body) {
  return FakeHttpServer::Reply("HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
                               "\r\n\r\n" + body);
}

// The body of a recorded transfer request, behind its "FILE_NAME = ..." line.
std::string TransferData(const std::string& request) {
  std::size_t body = request.find("\r\n\n") + 3;
  return request.substr(request.find('\n', body) + 1);
}

// The interface takes char* for texts it only reads.
char* Writable(const std::string& text) { return const_cast<char*>(text.c_str()); }

// A pad as the platform makes one.
MkSimplePad* NewPad() {
  auto* pad = new MkSimplePad(Writable("Note"));
  pad->get_view()->SetBounds(3, 4, 120, 80);
  pad->GetAttributes()->atPut(Writable("title"), Writable("shared \"note\""));
  pad->GetAttributes()->atPut(Writable("count"), 7);
  return pad;
}

// What a pad of the platform does with the client: it keeps the outcome of
// each report as it reads it inside TaskEnd.
class SharingPad : public BazaroCommBase {
 public:
  struct Outcome {
    int type;
    char boolValue;
    unsigned long id;
    unsigned int booth;     // records in the list, or -1u for none
    std::string fileData;   // the fetched file's bytes
    std::string loadedPad;  // the fetched pad, loaded and saved again
  };

  explicit SharingPad(BazaroComm* comm, std::string scratch) : comm_(comm), scratch_(scratch) {}

  void TaskEnd(int type) override {
    Outcome outcome{type, comm_->QueryResultBool(), comm_->QueryResultID(), ~0u, "", ""};
    if (BoothInfo* booth = comm_->QueryResultBooth()) outcome.booth = CountBooth(booth);
    if (char* file = comm_->QueryResultFile()) {
      outcome.fileData = ReadWholeFile(file);
      if (type == 4) outcome.loadedPad = SavedAgain(comm_->GetResultPad());
    }
    outcomes.push_back(outcome);
    if (onTaskEnd) onTaskEnd(type);
  }

  // The pad's file as saving it writes it; the pad is deleted.
  std::string SavedAgain(MkSimplePad* pad) {
    if (pad == nullptr) return "(not a pad)";
    std::string file = scratch_ + "/saved.pad";
    pad->save(Writable(file), 0, MK_SAVE_NORMAL);
    delete pad;
    return ReadWholeFile(file);
  }

  std::vector<Outcome> outcomes;
  std::function<void(int)> onTaskEnd;

 private:
  BazaroComm* comm_;
  std::string scratch_;
};

// --- README example begins ---
// A note pad that shares itself with a pad server. The request returns at
// once; the client reports its end later, on this same thread, in TaskEnd.
class SharedNote : public MkSimplePad, public BazaroCommBase {
 public:
  explicit SharedNote(const char* server) : MkSimplePad("NotePad") {
    get_view()->SetBounds(0, 0, 200, 120);
    comm_.SetHost(server);  // "host:port/cgi-path/"
    comm_.SetPad(this);
  }

  // Stores this pad as a new pad below `board`, at 20,40 on it.
  bool Share(unsigned long board) { return comm_.RequestUpload(board, this, 20, 40) == 1; }

  void TaskEnd(int type) override {
    // The outcome can be read here, and only here: 0 means it failed, and
    // the client says why.
    if (type != kRequestUpload) return;
    sharedAs = comm_.QueryResultID();
    if (sharedAs == 0) whyNot = comm_.QueryResultReasonText();
  }

  unsigned long sharedAs = 0;
  const char* whyNot = "";  // static text, kept past TaskEnd

 private:
  BazaroComm comm_;
};
// --- README example ends ---

class ProgramTest : public testing::Test {
 protected:
  ProgramTest() {
    address_ = "127.0.0.1:" + std::to_string(fake_.Port()) + "/cgi/";
    comm_->SetHost(address_.c_str());
    comm_->SetPad(&pad_);
  }

  ~ProgramTest() override {
    delete comm_;
    bool returned = false;
    for (int i = 0; i < 500 && !returned; ++i) {
      returned = MwLiveBlockCount() == startCount_;
      if (!returned) MwRunLoop(10);
    }
    EXPECT_TRUE(returned) << "kernel heap blocks still live";
    EXPECT_EQ(ListDirectory(temp_.Path(), ".tmp"), "");
    for (const std::string& problem : fake_.Problems()) ADD_FAILURE() << problem;
  }

  // The fake server's answers to the next connections, in order.
  void Queue(std::initializer_list<Script> scripts) {
    for (const Script& script : scripts) fake_.Answer(script);
  }

  // Runs the loop until `count` reports in all have come, or 30 s passed.
  bool AwaitReports(std::size_t count) {
    for (int i = 0; i < 3000 && pad_.outcomes.size() < count; ++i) MwRunLoop(10);
    return pad_.outcomes.size() == count;
  }

  long startCount_ = MwLiveBlockCount();
  ScratchDirectory temp_;
  TempDirectoryOverride override_{temp_.Path()};
  ScratchDirectory files_;
  FakeHttpServer fake_;
  BazaroComm* comm_ = new BazaroComm;
  SharingPad pad_{comm_, files_.Path()};
  std::string address_;
};

TEST_F(ProgramTest, EveryRequestReachesTheServerAndComesBack) {
  std::unique_ptr<MkSimplePad> note(NewPad());
  std::string noteFile = files_.File("note.pad");
  note->save(Writable(noteFile), 0, MK_SAVE_NORMAL);
  const std::string noteSaved = pad_.SavedAgain(NewPad());

  // A new identifier, a registration under it and an upload below it.
  Queue({Answer("30"), Answer(""), Answer(""), Answer("31"), Answer(""), Answer("")});
  ASSERT_EQ(comm_->RequestNewID(), 1);
  ASSERT_EQ(comm_->RequestRegist(30, note.get(), 0, 0), 1);
  ASSERT_EQ(comm_->RequestUpload(30, note.get(), 10, 20), 1);
  ASSERT_TRUE(AwaitReports(3));
  ASSERT_TRUE(fake_.WaitForConnections(6));
  std::string uploaded = TransferData(fake_.Request(5));

  // The uploaded pad comes back equal; then the other pad requests.
  Queue({Sized(uploaded), Answer(""), Answer(""), Answer(""), Answer("id=31"),
         Answer("x=10 y=20 width=120 height=80"), Answer("")});
  ASSERT_EQ(comm_->RequestDownload(31), 1);
  ASSERT_EQ(comm_->RequestUpdate(31, note.get(), 11, 21), 1);
  ASSERT_EQ(comm_->RequestMove(31, 12, 22), 1);
  ASSERT_EQ(comm_->RequestGetList(30, 0, 0, 0, 0), 1);
  ASSERT_EQ(comm_->RequestDelete(31), 1);
  ASSERT_TRUE(AwaitReports(8));

  // A 5 MiB file holding every byte value goes out and comes back whole.
  std::string data;
  for (std::size_t i = 0; i < (5u << 20); ++i) data += static_cast<char>((i * 7 + i / 251) & 0xFF);
  std::string local = files_.File("data.bin");
  ASSERT_TRUE(WriteWholeFile(local, data));
  fake_.Answer(Answer(""));
  ASSERT_EQ(comm_->RequestPutFile(Writable(local), Writable("data.bin")), 1);
  ASSERT_TRUE(AwaitReports(9));
  ASSERT_TRUE(fake_.WaitForConnections(14));
  EXPECT_TRUE(TransferData(fake_.Request(13)) == data);
  fake_.Answer(Sized(TransferData(fake_.Request(13))));
  ASSERT_EQ(comm_->RequestGetFile(Writable("data.bin")), 1);
  ASSERT_TRUE(AwaitReports(10));

  const auto& out = pad_.outcomes;
  const int types[] = {1, 2, 3, 4, 5, 6, 8, 7, 9, 10};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(out[i].type, types[i]);
  EXPECT_EQ(out[0].id, 30u);
  EXPECT_EQ(out[1].boolValue, 1);
  EXPECT_EQ(out[2].id, 31u);
  EXPECT_EQ(out[3].loadedPad, noteSaved);
  EXPECT_EQ(out[3].fileData, ReadWholeFile(noteFile));
  EXPECT_EQ(out[4].boolValue, 1);
  EXPECT_EQ(out[5].boolValue, 1);
  EXPECT_EQ(out[6].booth, 1u);
  EXPECT_EQ(out[7].boolValue, 1);
  EXPECT_EQ(out[8].boolValue, 1);
  EXPECT_TRUE(out[9].fileData == data);
}

TEST_F(ProgramTest, RequestsQueuedAtOnceAndInsideTaskEndAreReportedOnceInOrder) {
  for (int i = 1; i <= 52; ++i) fake_.Answer(Answer(std::to_string(i)));
  // Two more are asked for inside reports: they come after the fifty.
  pad_.onTaskEnd = [&](int) {
    if (pad_.outcomes.size() == 1 || pad_.outcomes.size() == 50) {
      EXPECT_EQ(comm_->RequestNewID(), 1);
    }
  };
  for (int i = 0; i < 50; ++i) ASSERT_EQ(comm_->RequestNewID(), 1);
  ASSERT_TRUE(AwaitReports(52));
  MwRunLoop(200);
  ASSERT_EQ(pad_.outcomes.size(), 52u);
  for (unsigned long i = 0; i < 52; ++i) EXPECT_EQ(pad_.outcomes[i].id, i + 1);
}

TEST_F(ProgramTest, TheReadmeExampleSharesItself) {
  Queue({Answer("77"), Answer(""), Answer("")});
  {
    SharedNote note(address_.c_str());
    ASSERT_TRUE(note.Share(5));
    for (int i = 0; i < 1000 && note.sharedAs == 0; ++i) MwRunLoop(10);
    EXPECT_EQ(note.sharedAs, 77u);
  }
  ASSERT_TRUE(fake_.WaitForConnections(3));
  EXPECT_NE(fake_.Request(1).find("SetPadInfo 77 5 20 40 guest guest width=200 height=120"),
            std::string::npos);
  // Refused for want of a user: the pad reads why.
  Queue({FakeHttpServer::Reply("HTTP/1.0 401 Unauthorized\r\nContent-Length: 0\r\n\r\n")});
  SharedNote note(address_.c_str());
  ASSERT_TRUE(note.Share(5));
  for (int i = 0; i < 1000 && note.whyNot[0] == '\0'; ++i) MwRunLoop(10);
  EXPECT_STREQ(note.whyNot, "the server asks for a valid user and password");
}

}  // namespace
