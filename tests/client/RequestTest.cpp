// What each request checks and prepares on the caller's thread, and what its
// task hands the worker.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "ClientTestSupport.h"
#include "client/Task.h"
#include "mkres/MwMemory.h"
#include "mkres/MwRunLoop.h"

namespace {

// What a worker saw of its task.
struct SeenTask {
  int type = 0;
  BazaroCommBase* pad = nullptr;
  unsigned long id = 0;
  bool hasFile = false;
  std::string fileContent;
  int x = 0, y = 0, width = 0, height = 0;
  bool hasName = false;
  std::string name;
  std::string host;
  unsigned short port = 0;
  std::string path;
};

std::string Show(const char* text) { return text != nullptr ? text : "(null)"; }

class RequestTest : public testing::Test {
 protected:
  RequestTest() {
    workers_.SetScript([this](WorkerRun* run) {
      Task* task = run->QueryTask();
      SeenTask seen;
      seen.type = task->Type();
      seen.pad = task->Pad();
      seen.id = task->ID();
      seen.hasFile = task->File() != nullptr;
      if (seen.hasFile) seen.fileContent = ReadWholeFile(task->File());
      seen.x = task->X();
      seen.y = task->Y();
      seen.width = task->Width();
      seen.height = task->Height();
      seen.hasName = task->Name() != nullptr;
      if (seen.hasName) seen.name = task->Name();
      seen.host = Show(task->Host()->Host());
      seen.port = task->Host()->Port();
      seen.path = Show(task->Host()->Path());
      {
        std::lock_guard<std::mutex> lock(seenMutex_);
        seenTasks_.push_back(seen);
      }
      workers_.End(run);
    });
  }

  // Runs the timers until `count` reports have come.
  bool AwaitReports(std::size_t count) {
    return RunLoopUntil([&] { return callback_.reports.size() >= count; }, 5000);
  }

  std::vector<SeenTask> Seen() {
    std::lock_guard<std::mutex> lock(seenMutex_);
    return seenTasks_;
  }

  // The bytes a pad is saved as.
  std::string SavedForm(MkSimplePad* pad) {
    std::string file = reference_.File("reference.pad");
    EXPECT_EQ(pad->save(Text(file), 0, MK_SAVE_NORMAL), 1);
    std::string bytes = ReadWholeFile(file);
    std::filesystem::remove(file);
    return bytes;
  }

  ClientScratch scratch_;
  ScratchDirectory reference_;
  std::mutex seenMutex_;
  std::vector<SeenTask> seenTasks_;
  ScriptedWorkers workers_;
  std::unique_ptr<MkSimplePad> pad_{NewSamplePad("Shared", 10, 20, 300, 200)};
  BazaroComm comm_;
  RecordingPad callback_{&comm_};
};

// Pads in the undo buffer are deleted before a pad is saved. This one, when
// deleted, does what the test asks in that moment.
class PendingPad : public MkSimplePad {
 public:
  explicit PendingPad(std::function<void()> onDelete)
      : MkSimplePad("Pending"), onDelete_(std::move(onDelete)) {}
  ~PendingPad() override { onDelete_(); }

 private:
  std::function<void()> onDelete_;
};

UndoBuffer* TheUndoBuffer() { return MkDeskTop::Default()->get_padmanager()->getUndoBuffer(); }

}  // namespace

TEST_F(RequestTest, RefusedRequestsLeaveNothingBehind) {
  ScratchDirectory files;
  std::string local = files.File("local.bin");
  ASSERT_TRUE(WriteWholeFile(local, "local bytes"));
  MkSimplePad unbounded("Unbounded");
  unbounded.get_view()->ClearBounds();
  MkSimplePad* pad = pad_.get();

  struct Refusal {
    const char* name;
    std::function<char(BazaroComm&)> request;
  };
  const Refusal withCallback[] = {
      {"Regist null pad", [](BazaroComm& c) { return c.RequestRegist(1, nullptr, 0, 0); }},
      {"Upload null pad", [](BazaroComm& c) { return c.RequestUpload(1, nullptr, 0, 0); }},
      {"Update null pad", [](BazaroComm& c) { return c.RequestUpdate(1, nullptr, 0, 0); }},
      {"Update id 0", [pad](BazaroComm& c) { return c.RequestUpdate(0, pad, 0, 0); }},
      {"Download id 0", [](BazaroComm& c) { return c.RequestDownload(0); }},
      {"Move id 0", [](BazaroComm& c) { return c.RequestMove(0, 1, 2); }},
      {"Delete id 0", [](BazaroComm& c) { return c.RequestDelete(0); }},
      {"GetList id 0", [](BazaroComm& c) { return c.RequestGetList(0, 1, 2, 3, 4); }},
      {"Regist no bounds", [&](BazaroComm& c) { return c.RequestRegist(1, &unbounded, 0, 0); }},
      {"Upload no bounds", [&](BazaroComm& c) { return c.RequestUpload(1, &unbounded, 0, 0); }},
      {"Update no bounds", [&](BazaroComm& c) { return c.RequestUpdate(1, &unbounded, 0, 0); }},
      {"PutFile null local", [](BazaroComm& c) { return c.RequestPutFile(nullptr, Text("r")); }},
      {"PutFile null remote",
       [&](BazaroComm& c) { return c.RequestPutFile(Text(local), nullptr); }},
      {"PutFile missing local",
       [&](BazaroComm& c) { return c.RequestPutFile(Text(files.File("none")), Text("r")); }},
      {"GetFile null remote", [](BazaroComm& c) { return c.RequestGetFile(nullptr); }},
  };
  // Every request is refused without a callback object.
  const Refusal withoutCallback[] = {
      {"NewID", [](BazaroComm& c) { return c.RequestNewID(); }},
      {"Regist", [pad](BazaroComm& c) { return c.RequestRegist(1, pad, 0, 0); }},
      {"Upload", [pad](BazaroComm& c) { return c.RequestUpload(1, pad, 0, 0); }},
      {"Download", [](BazaroComm& c) { return c.RequestDownload(1); }},
      {"Update", [pad](BazaroComm& c) { return c.RequestUpdate(1, pad, 0, 0); }},
      {"Move", [](BazaroComm& c) { return c.RequestMove(1, 1, 2); }},
      {"Delete", [](BazaroComm& c) { return c.RequestDelete(1); }},
      {"GetList", [](BazaroComm& c) { return c.RequestGetList(1, 1, 2, 3, 4); }},
      {"PutFile", [&](BazaroComm& c) { return c.RequestPutFile(Text(local), Text("r")); }},
      {"GetFile", [](BazaroComm& c) { return c.RequestGetFile(Text("r")); }},
  };

  auto expectRefused = [&](const Refusal& refusal) {
    SCOPED_TRACE(refusal.name);
    EXPECT_EQ(refusal.request(comm_), 0);
    EXPECT_EQ(comm_.QueryTask(), nullptr);
    EXPECT_EQ(scratch_.TempFiles(), "");
  };
  for (const Refusal& refusal : withoutCallback) expectRefused(refusal);
  comm_.SetPad(&callback_);
  comm_.SetPad(nullptr);
  for (const Refusal& refusal : withoutCallback) expectRefused(refusal);
  comm_.SetPad(&callback_);
  for (const Refusal& refusal : withCallback) expectRefused(refusal);

  // Nothing was queued: no worker starts and nothing is reported.
  MwRunLoop(150);
  EXPECT_EQ(workers_.Started(), 0);
  EXPECT_TRUE(callback_.reports.empty());
  EXPECT_EQ(files.Listing(), "local.bin");
}

TEST_F(RequestTest, FileRequestsAreRefusedWhenNoTemporaryFileCanBeMade) {
  comm_.SetPad(&callback_);
  ScratchDirectory files;
  std::string local = files.File("local.bin");
  ASSERT_TRUE(WriteWholeFile(local, "local bytes"));
  TempDirectoryOverride noRoom(scratch_.TempFile(std::string(300, 'x')));
  long before = MwLiveBlockCount();
  EXPECT_EQ(comm_.RequestRegist(1, pad_.get(), 0, 0), 0);
  EXPECT_EQ(comm_.RequestUpload(1, pad_.get(), 0, 0), 0);
  EXPECT_EQ(comm_.RequestUpdate(1, pad_.get(), 0, 0), 0);
  EXPECT_EQ(comm_.RequestPutFile(Text(local), Text("remote")), 0);
  EXPECT_EQ(comm_.QueryTask(), nullptr);
  EXPECT_EQ(MwLiveBlockCount(), before);
  EXPECT_EQ(files.Listing(), "local.bin");
}

TEST_F(RequestTest, APadThatCannotBeSavedIsRefusedAndLeavesNoFile) {
  comm_.SetPad(&callback_);
  // While the request runs, the reserved name is turned into a directory, so
  // the save cannot write it.
  std::string reserved;
  bool sawReservedFile = false;
  for (int type : {kRequestRegist, kRequestUpload, kRequestUpdate}) {
    SCOPED_TRACE(type);
    TheUndoBuffer()->Hold(new PendingPad([&] {
      // The only temporary file there is the one reserved for the pad.
      const std::string listing = scratch_.TempFiles();
      sawReservedFile = listing.size() == 12;
      reserved = scratch_.TempDirectory() + listing;
      std::filesystem::remove(reserved);
      std::filesystem::create_directory(reserved);
    }));
    char accepted = type == kRequestRegist   ? comm_.RequestRegist(1, pad_.get(), 0, 0)
                    : type == kRequestUpload ? comm_.RequestUpload(1, pad_.get(), 0, 0)
                                             : comm_.RequestUpdate(1, pad_.get(), 0, 0);
    EXPECT_EQ(accepted, 0);
    EXPECT_TRUE(sawReservedFile);
    EXPECT_EQ(comm_.QueryTask(), nullptr);
    std::filesystem::remove(reserved);  // the directory made above
    EXPECT_EQ(scratch_.TempFiles(), "");
  }
  MwRunLoop(120);
  EXPECT_EQ(workers_.Started(), 0);
}

TEST_F(RequestTest, TheReservedNameStaysTakenUntilThePadIsSaved) {
  comm_.SetPad(&callback_);
  // Another thread asking for a name while the pad is being prepared must not
  // get the name reserved for the pad.
  std::string otherName;
  std::string reservedName;
  TheUndoBuffer()->Hold(new PendingPad([&] {
    reservedName = scratch_.TempDirectory() + scratch_.TempFiles();
    char* other = MakeTempFile(nullptr);
    if (other != nullptr) otherName = other;
    FreeString(&other);
  }));
  unsigned long deletesBefore = TheUndoBuffer()->GetRealDeleteCalls();
  ASSERT_EQ(comm_.RequestUpload(5, pad_.get(), 1, 2), 1);
  EXPECT_EQ(TheUndoBuffer()->GetRealDeleteCalls(), deletesBefore + 1);
  EXPECT_EQ(TheUndoBuffer()->GetWaitingCount(), 0u);
  EXPECT_EQ(reservedName.size(), scratch_.TempDirectory().size() + 12);
  EXPECT_FALSE(otherName.empty());
  EXPECT_NE(otherName, reservedName);
  ASSERT_TRUE(AwaitReports(1));
  ASSERT_EQ(Seen().size(), 1u);
  EXPECT_EQ(Seen()[0].fileContent, SavedForm(pad_.get()));
  std::filesystem::remove(otherName);
}

TEST_F(RequestTest, EachRequestHandsItsWorkerTheParametersOfItsTask) {
  ScratchDirectory files;
  std::string local = files.File("local.bin");
  std::string localBytes(10000, '\0');
  for (std::size_t i = 0; i < localBytes.size(); ++i) localBytes[i] = static_cast<char>(i * 7);
  ASSERT_TRUE(WriteWholeFile(local, localBytes));
  comm_.SetPad(&callback_);
  ASSERT_EQ(comm_.SetHost("first.example:8080/base"), 1);

  struct Expected {
    int type;
    unsigned long id;
    bool hasFile;
    int x, y, width, height;
    const char* name;
  };
  const Expected expected[] = {
      {kRequestNewID, 0, false, 0, 0, 0, 0, nullptr},
      {kRequestRegist, 0, true, 1, 2, 300, 200, nullptr},
      {kRequestUpload, 0, true, -3, 4, 300, 200, nullptr},
      {kRequestDownload, 11, false, 0, 0, 0, 0, nullptr},
      {kRequestUpdate, 12, true, 5, 6, 300, 200, nullptr},
      {kRequestMove, 13, false, 7, -8, 0, 0, nullptr},
      {kRequestDelete, 14, false, 0, 0, 0, 0, nullptr},
      {kRequestGetList, 15, false, 1, 2, 3, 4, nullptr},
      {kRequestPutFile, 0, true, 0, 0, 0, 0, "remote/name.bin"},
      {kRequestGetFile, 0, false, 0, 0, 0, 0, "fetched.bin"},
  };
  EXPECT_EQ(comm_.RequestNewID(), 1);
  EXPECT_EQ(comm_.RequestRegist(0, pad_.get(), 1, 2), 1);  // id 0 is accepted
  EXPECT_EQ(comm_.RequestUpload(0, pad_.get(), -3, 4), 1);
  EXPECT_EQ(comm_.RequestDownload(11), 1);
  // Later requests take the address set now; queued ones keep theirs.
  ASSERT_EQ(comm_.SetHost("second.example:81/other"), 1);
  EXPECT_EQ(comm_.RequestUpdate(12, pad_.get(), 5, 6), 1);
  EXPECT_EQ(comm_.RequestMove(13, 7, -8), 1);
  EXPECT_EQ(comm_.RequestDelete(14), 1);
  EXPECT_EQ(comm_.RequestGetList(15, 1, 2, 3, 4), 1);
  EXPECT_EQ(comm_.RequestPutFile(Text(local), Text("remote/name.bin")), 1);
  EXPECT_EQ(comm_.RequestGetFile(Text("fetched.bin")), 1);
  ASSERT_TRUE(AwaitReports(10));

  std::vector<SeenTask> seen = Seen();
  ASSERT_EQ(seen.size(), 10u);
  std::string padBytes = SavedForm(pad_.get());
  for (std::size_t i = 0; i < seen.size(); ++i) {
    const Expected& want = expected[i];
    const SeenTask& got = seen[i];
    SCOPED_TRACE(want.type);
    EXPECT_EQ(got.type, want.type);
    EXPECT_EQ(callback_.reports[i].type, want.type);
    EXPECT_EQ(got.pad, &callback_);
    EXPECT_EQ(got.id, want.id);
    EXPECT_EQ(got.hasFile, want.hasFile);
    EXPECT_EQ(got.x, want.x);
    EXPECT_EQ(got.y, want.y);
    EXPECT_EQ(got.width, want.width);
    EXPECT_EQ(got.height, want.height);
    EXPECT_EQ(got.hasName, want.name != nullptr);
    if (want.name != nullptr) {
      EXPECT_EQ(got.name, want.name);
    }
    if (want.type == kRequestRegist || want.type == kRequestUpload || want.type == kRequestUpdate) {
      EXPECT_EQ(got.fileContent, padBytes);
    }
    if (want.type == kRequestPutFile) {
      EXPECT_EQ(got.fileContent, localBytes);
    }
    bool first = i < 4;
    EXPECT_EQ(got.host, first ? "first.example" : "second.example");
    EXPECT_EQ(got.port, first ? 8080 : 81);
    EXPECT_EQ(got.path, first ? "/base" : "/other");
  }
  // Every task's temporary file went with its task.
  EXPECT_EQ(scratch_.TempFiles(), "");
  EXPECT_EQ(files.Listing(), "local.bin");
}

TEST_F(RequestTest, SetHostRefusesNullAndOverLongTexts) {
  EXPECT_EQ(comm_.SetHost(nullptr), 0);
  EXPECT_EQ(comm_.SetHost(std::string(10000, 'h').c_str()), 0);
  EXPECT_EQ(comm_.SetHost("anything at all"), 1);
}
