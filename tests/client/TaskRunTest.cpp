// Running tasks: one worker at a time, reports on the caller's thread in
// request order, requests and FlushTask inside TaskEnd, and the outcome that
// can be read only inside TaskEnd.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <string>

#include "ClientTestSupport.h"
#include "client/Task.h"
#include "mkres/MwMemory.h"
#include "mkres/MwRunLoop.h"
#include "os/Thread.h"

namespace {

class TaskRunTest : public testing::Test {
 protected:
  bool AwaitReports(std::size_t count) {
    return RunLoopUntil([&] { return callback_.reports.size() >= count; }, 5000);
  }

  std::vector<int> ReportedTypes() {
    std::vector<int> types;
    for (const auto& report : callback_.reports) types.push_back(report.type);
    return types;
  }

  // A file with `content` in the temporary directory, named by a platform
  // string: what a worker that fetched a file leaves in its result.
  static char* FetchedFile(const std::string& content) {
    char* name = MakeTempFile(nullptr);
    if (name != nullptr) WriteWholeFile(name, content);
    return name;
  }

  ClientScratch scratch_;
  ScriptedWorkers workers_;
  BazaroComm comm_;
  RecordingPad callback_{&comm_};
};

}  // namespace

TEST_F(TaskRunTest, RequestsAreReportedInOrderAndNeverRunTwoAtOnce) {
  workers_.SetScript([this](WorkerRun* run) {
    os::SleepMilliseconds(30);
    workers_.End(run);
  });
  comm_.SetPad(&callback_);
  ASSERT_EQ(comm_.RequestNewID(), 1);
  ASSERT_EQ(comm_.RequestMove(3, 1, 2), 1);
  ASSERT_EQ(comm_.RequestDelete(4), 1);
  // The first task starts at once; the next only after the first has been
  // reported, which needs the caller's loop.
  EXPECT_TRUE(WaitUntil([&] { return workers_.Started() == 1; }, 2000));
  os::SleepMilliseconds(150);
  EXPECT_EQ(workers_.Started(), 1);
  EXPECT_TRUE(callback_.reports.empty());

  ASSERT_TRUE(AwaitReports(3));
  EXPECT_EQ(ReportedTypes(), (std::vector<int>{kRequestNewID, kRequestMove, kRequestDelete}));
  EXPECT_EQ(workers_.Started(), 3);
  EXPECT_EQ(workers_.MostAtOnce(), 1);
  MwRunLoop(120);
  EXPECT_EQ(callback_.reports.size(), 3u);
  EXPECT_EQ(comm_.QueryTask(), nullptr);
}

TEST_F(TaskRunTest, ARequestMadeInsideTaskEndStartsAfterItReturns) {
  std::atomic<bool> insideTaskEnd{false};
  std::atomic<bool> startedInside{false};
  workers_.SetScript([&](WorkerRun* run) {
    if (insideTaskEnd) startedInside = true;
    workers_.End(run);
  });
  callback_.onTaskEnd = [&](int type) {
    if (type != kRequestNewID) return;
    insideTaskEnd = true;
    EXPECT_EQ(comm_.RequestDelete(9), 1);
    os::SleepMilliseconds(60);  // time enough for a worker started too early
    EXPECT_EQ(workers_.Started(), 1);
    insideTaskEnd = false;
  };
  comm_.SetPad(&callback_);
  ASSERT_EQ(comm_.RequestNewID(), 1);
  ASSERT_TRUE(AwaitReports(2));
  EXPECT_EQ(ReportedTypes(), (std::vector<int>{kRequestNewID, kRequestDelete}));
  EXPECT_FALSE(startedInside);
}

TEST_F(TaskRunTest, FlushTaskDropsTheWaitingTasksButNotTheRunningOne) {
  ScratchDirectory files;
  std::string local = files.File("local.bin");
  ASSERT_TRUE(WriteWholeFile(local, "bytes"));
  Gate gate;
  workers_.SetScript([&](WorkerRun* run) {
    gate.Wait(10000);
    workers_.End(run);
  });
  comm_.SetPad(&callback_);
  ASSERT_EQ(comm_.RequestPutFile(Text(local), Text("one")), 1);
  ASSERT_EQ(comm_.RequestPutFile(Text(local), Text("two")), 1);
  ASSERT_EQ(comm_.RequestGetFile(Text("three")), 1);
  ASSERT_TRUE(WaitUntil([&] { return workers_.Started() == 1; }, 2000));
  const std::string both = scratch_.TempFiles();
  ASSERT_EQ(both.size(), 25u);  // two names of twelve characters

  comm_.FlushTask();
  // The waiting copy goes at once; the running task's file stays until its
  // report.
  const std::string left = scratch_.TempFiles();
  EXPECT_EQ(left.size(), 12u);
  EXPECT_NE(both.find(left), std::string::npos);
  gate.Open();
  ASSERT_TRUE(AwaitReports(1));
  MwRunLoop(200);
  EXPECT_EQ(ReportedTypes(), (std::vector<int>{kRequestPutFile}));
  EXPECT_EQ(workers_.Started(), 1);
  EXPECT_EQ(scratch_.TempFiles(), "");
}

TEST_F(TaskRunTest, FlushTaskInsideTaskEndStopsWhatWouldFollow) {
  callback_.onTaskEnd = [&](int) { comm_.FlushTask(); };
  comm_.SetPad(&callback_);
  ASSERT_EQ(comm_.RequestNewID(), 1);
  ASSERT_EQ(comm_.RequestMove(3, 1, 2), 1);
  ASSERT_EQ(comm_.RequestDelete(4), 1);
  ASSERT_TRUE(AwaitReports(1));
  MwRunLoop(200);
  EXPECT_EQ(ReportedTypes(), (std::vector<int>{kRequestNewID}));
  EXPECT_EQ(workers_.Started(), 1);
}

TEST_F(TaskRunTest, TheOutcomeCanBeReadInsideTaskEndAndIsGoneAfterIt) {
  std::unique_ptr<MkSimplePad> original(NewSamplePad("Downloaded", 1, 2, 30, 40));
  ScratchDirectory files;
  std::string padFile = files.File("pad.file");
  ASSERT_EQ(original->save(Text(padFile), 0, MK_SAVE_NORMAL), 1);
  const std::string padBytes = ReadWholeFile(padFile);

  workers_.SetScript([&](WorkerRun* run) {
    Result* result = run->QueryResult();
    switch (run->QueryTask()->Type()) {
      case kRequestNewID:
        result->SetID(42);
        break;
      case kRequestDelete:
        result->SetBool(1);
        break;
      case kRequestGetList: {
        auto* list = static_cast<BoothInfo*>(MwNew(3 * sizeof(BoothInfo)));
        std::memset(list, 0, 3 * sizeof(BoothInfo));
        list[0] = {7, 1, 2, 3, 4};
        list[1] = {8, 5, 6, 7, 8};
        result->SetBooth(list);
        break;
      }
      case kRequestDownload:
        result->SetFile(FetchedFile(padBytes));
        break;
      case kRequestGetFile:
        result->SetFile(FetchedFile("not a pad"));
        break;
      default:
        break;
    }
    workers_.End(run);
  });
  std::vector<bool> loadedPad;
  callback_.onTaskEnd = [&](int type) {
    EXPECT_EQ(comm_.QueryTask()->Type(), type);
    MkSimplePad* loaded = comm_.GetResultPad();
    loadedPad.push_back(loaded != nullptr);
    if (loaded != nullptr) {
      EXPECT_TRUE(loaded->SameContent(original.get()));
      delete loaded;
    }
  };
  comm_.SetPad(&callback_);
  ASSERT_EQ(comm_.RequestNewID(), 1);
  ASSERT_EQ(comm_.RequestDelete(5), 1);
  ASSERT_EQ(comm_.RequestGetList(6, 0, 0, 0, 0), 1);
  ASSERT_EQ(comm_.RequestDownload(7), 1);
  ASSERT_EQ(comm_.RequestGetFile(Text("remote")), 1);
  ASSERT_EQ(comm_.RequestMove(8, 0, 0), 1);
  ASSERT_TRUE(AwaitReports(6));

  const auto& reports = callback_.reports;
  EXPECT_EQ(reports[0].id, 42u);
  EXPECT_EQ(reports[1].boolValue, 1);
  ASSERT_EQ(reports[2].booth.size(), 3u);
  EXPECT_EQ(reports[2].booth[1].id, 8u);
  EXPECT_EQ(reports[2].booth[1].height, 8);
  EXPECT_EQ(reports[2].booth[2].id, 0u);
  EXPECT_TRUE(reports[3].fileExisted);
  EXPECT_TRUE(reports[4].fileExisted);
  // Every field a worker did not set reads 0 or null.
  EXPECT_EQ(reports[5].id, 0u);
  EXPECT_EQ(reports[5].boolValue, 0);
  EXPECT_TRUE(reports[5].booth.empty());
  EXPECT_EQ(reports[5].file, "");
  EXPECT_EQ(loadedPad, (std::vector<bool>{false, false, false, true, false, false}));

  // After the reports the outcome is gone, files included.
  EXPECT_FALSE(FileExists(reports[3].file));
  EXPECT_FALSE(FileExists(reports[4].file));
  EXPECT_EQ(comm_.QueryResultFile(), nullptr);
  EXPECT_EQ(comm_.QueryResultBooth(), nullptr);
  EXPECT_EQ(comm_.GetResultPad(), nullptr);
  EXPECT_EQ(scratch_.TempFiles(), "");
}

TEST_F(TaskRunTest, EveryTaskIsReportedEvenWithoutAWorkerOrItsThreadEnd) {
  workers_.Remove(kRequestMove);
  workers_.SetScript([](WorkerRun* run) { run->QueryResult()->SetID(5); });  // no ThreadEnd
  comm_.SetPad(&callback_);
  ASSERT_EQ(comm_.RequestMove(3, 1, 2), 1);
  ASSERT_EQ(comm_.RequestNewID(), 1);
  ASSERT_TRUE(AwaitReports(2));
  EXPECT_EQ(ReportedTypes(), (std::vector<int>{kRequestMove, kRequestNewID}));
  EXPECT_EQ(callback_.reports[0].id, 0u);
  EXPECT_EQ(callback_.reports[1].id, 5u);
  EXPECT_EQ(workers_.Started(), 1);
}

TEST_F(TaskRunTest, AnEarlyThreadEndReportsAnEmptyOutcomeAndTheWorkerStaysSafe) {
  Gate gate;
  std::atomic<int> typeSeenLate{0};
  workers_.SetScript([&](WorkerRun* run) {
    gate.Wait(10000);
    // The task is still the worker's to read, and its result its own.
    typeSeenLate = run->QueryTask()->Type();
    run->QueryResult()->SetID(99);
    workers_.End(run);
  });
  comm_.SetPad(&callback_);
  ASSERT_EQ(comm_.RequestNewID(), 1);
  ASSERT_TRUE(WaitUntil([&] { return workers_.Started() == 1; }, 2000));
  comm_.ThreadEnd();
  ASSERT_TRUE(AwaitReports(1));
  EXPECT_EQ(callback_.reports[0].id, 0u);
  gate.Open();
  ASSERT_TRUE(WaitUntil([&] { return workers_.Returned() == 1; }, 5000));
  EXPECT_EQ(typeSeenLate, kRequestNewID);
  MwRunLoop(120);
  EXPECT_EQ(callback_.reports.size(), 1u);
}

TEST_F(TaskRunTest, AWatcherWithoutAClientDoesNothing) {
  BazaroWatcher watcher;
  EXPECT_EQ(watcher.Execute(nullptr), 0);
  watcher.SetParam(&comm_);
  EXPECT_EQ(watcher.Execute(nullptr), 1);  // an idle client: nothing to report
  EXPECT_TRUE(callback_.reports.empty());
}

TEST(ClientLifecycle, AWholeLifecycleGivesBackEveryKernelBlock) {
  ScratchDirectory temp;
  TempDirectoryOverride override(temp.Path());
  ScratchDirectory userDirectory;
  UserDirectorySetting setting(userDirectory.Path());
  ScriptedWorkers workers;
  workers.SetScript([&](WorkerRun* run) {
    Result* result = run->QueryResult();
    if (run->QueryTask()->Type() == kRequestGetFile) {
      char* name = MakeTempFile(nullptr);
      result->SetFile(name);
    }
    if (run->QueryTask()->Type() == kRequestGetList) {
      auto* list = static_cast<BoothInfo*>(MwNew(sizeof(BoothInfo)));
      std::memset(list, 0, sizeof(BoothInfo));
      result->SetBooth(list);
    }
    workers.End(run);
  });
  ScratchDirectory files;
  std::string local = files.File("local.bin");
  ASSERT_TRUE(WriteWholeFile(local, "bytes"));

  long before = MwLiveBlockCount();
  auto* comm = new BazaroComm;
  ASSERT_NE(comm, nullptr);
  RecordingPad callback(comm);
  std::unique_ptr<MkSimplePad> pad(NewSamplePad("Pad", 0, 0, 10, 10));
  comm->SetHost("server.example:80/pads");
  comm->SetPad(&callback);
  EXPECT_EQ(comm->RequestUpload(1, pad.get(), 0, 0), 1);
  EXPECT_EQ(comm->RequestPutFile(Text(local), Text("remote")), 1);
  EXPECT_EQ(comm->RequestGetFile(Text("remote")), 1);
  EXPECT_EQ(comm->RequestGetList(1, 0, 0, 0, 0), 1);
  EXPECT_TRUE(RunLoopUntil([&] { return callback.reports.size() == 4; }, 5000));
  EXPECT_EQ(comm->QueryTask(), nullptr);
  pad.reset();
  delete comm;
  EXPECT_EQ(MwLiveBlockCount(), before);
  EXPECT_EQ(TempFiles(override.Directory()), "");
}
