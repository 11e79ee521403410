// Destroying a client while its worker runs: destruction returns at once,
// nothing is reported, the client's files go, the worker is cut off from the
// client and ends on its own, and nothing leaks once it has.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>

#include "ClientTestSupport.h"
#include "mkres/MwMemory.h"
#include "mkres/MwRunLoop.h"

namespace {

class CutOffTest : public testing::Test {
 protected:
  CutOffTest() : startCount_(MwLiveBlockCount()) {
    comm_ = new BazaroComm;
    callback_.SetComm(comm_);
    comm_->SetPad(&callback_);
    EXPECT_TRUE(WriteWholeFile(local_, "bytes to send"));
  }

  ~CutOffTest() override { delete comm_; }

  // Destroys the client; returns how long that took.
  std::chrono::milliseconds Destroy() {
    auto start = std::chrono::steady_clock::now();
    delete comm_;
    comm_ = nullptr;
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start);
  }

  // Waits until every worker has returned and given back all it held.
  bool AwaitWorkersGone(int started) {
    return WaitUntil(
        [&] { return workers_.Returned() == started && MwLiveBlockCount() == startCount_; }, 5000);
  }

  std::string TempListing() { return scratch_.TempFiles(); }
  // How many temporary files there are now (their names are random).
  std::size_t TempCount() {
    std::string listing = TempListing();
    return listing.empty() ? 0 : std::count(listing.begin(), listing.end(), ' ') + 1u;
  }

  ClientScratch scratch_;
  ScratchDirectory files_;
  std::string local_ = files_.File("local.bin");
  Gate gate_;
  std::atomic<bool> registered_{false};  // the worker's shutdown is registered
  ScriptedWorkers workers_;
  long startCount_;
  BazaroComm* comm_ = nullptr;
  RecordingPad callback_;
};

void CountCall(void* context) { ++*static_cast<std::atomic<int>*>(context); }
void OpenGate(void* context) { static_cast<Gate*>(context)->Open(); }

}  // namespace

TEST_F(CutOffTest, DestructionDoesNotWaitForABlockedWorker) {
  std::atomic<int> shutdownCalls{0};
  std::atomic<bool> sawAbandoned{false};
  std::atomic<bool> couldRegisterLate{true};
  workers_.SetScript([&](WorkerRun* run) {
    EXPECT_TRUE(run->SetShutdown(CountCall, &shutdownCalls));
    registered_ = true;
    // Blocked until the test lets it go, long after the client is gone.
    gate_.Wait(10000);
    sawAbandoned = run->IsAbandoned();
    couldRegisterLate = run->SetShutdown(CountCall, &shutdownCalls);
    // Whatever the cut-off worker still produces goes when it ends.
    run->QueryResult()->SetFile(MakeTempFile(nullptr));
    run->QueryResult()->SetID(77);
    workers_.End(run);
  });
  ASSERT_EQ(comm_->RequestPutFile(Text(local_), Text("remote")), 1);
  // Destruction must come after the registration, however slow the worker.
  ASSERT_TRUE(WaitUntil([&] { return registered_.load(); }, 5000));
  EXPECT_EQ(TempCount(), 1u);

  EXPECT_LT(Destroy().count(), 100);
  EXPECT_EQ(shutdownCalls, 1);
  EXPECT_EQ(TempListing(), "");  // the task's copy went with the client
  MwRunLoop(150);
  EXPECT_TRUE(callback_.reports.empty());

  gate_.Open();
  ASSERT_TRUE(AwaitWorkersGone(1));
  EXPECT_TRUE(sawAbandoned);
  EXPECT_FALSE(couldRegisterLate);
  EXPECT_EQ(shutdownCalls, 1);
  EXPECT_EQ(TempListing(), "");
  EXPECT_TRUE(callback_.reports.empty());
}

TEST_F(CutOffTest, TheShutdownOfDestructionEndsAWorkerWaitingOnItsConnection) {
  // The registered shutdown stands for closing the worker's connection: it is
  // the only thing that releases this worker.
  Gate connection;
  std::atomic<bool> released{false};
  workers_.SetScript([&](WorkerRun* run) {
    EXPECT_TRUE(run->SetShutdown(OpenGate, &connection));
    registered_ = true;
    released = connection.Wait(10000);
    run->ClearShutdown();
    workers_.End(run);
  });
  ASSERT_EQ(comm_->RequestDownload(5), 1);
  ASSERT_TRUE(WaitUntil([&] { return registered_.load(); }, 5000));
  EXPECT_LT(Destroy().count(), 100);
  ASSERT_TRUE(AwaitWorkersGone(1));
  EXPECT_TRUE(released);
  MwRunLoop(100);
  EXPECT_TRUE(callback_.reports.empty());
}

TEST_F(CutOffTest, AWithdrawnShutdownIsNotCalled) {
  std::atomic<int> shutdownCalls{0};
  std::atomic<bool> withdrawn{false};
  workers_.SetScript([&](WorkerRun* run) {
    EXPECT_TRUE(run->SetShutdown(CountCall, &shutdownCalls));
    run->ClearShutdown();
    withdrawn = true;
    gate_.Wait(10000);
    workers_.End(run);
  });
  ASSERT_EQ(comm_->RequestNewID(), 1);
  // Destruction must come after the withdrawal, however slow the worker is.
  ASSERT_TRUE(WaitUntil([&] { return withdrawn.load(); }, 5000));
  Destroy();
  EXPECT_EQ(shutdownCalls, 0);
  gate_.Open();
  ASSERT_TRUE(AwaitWorkersGone(1));
}

TEST_F(CutOffTest, AnEndedTaskNotYetReportedIsDroppedWithItsFiles) {
  workers_.SetScript([&](WorkerRun* run) {
    run->QueryResult()->SetFile(MakeTempFile(nullptr));
    workers_.End(run);
  });
  ASSERT_EQ(comm_->RequestPutFile(Text(local_), Text("remote")), 1);
  // The worker ends, but no tick runs to report it.
  ASSERT_TRUE(WaitUntil([&] { return workers_.Returned() == 1; }, 2000));
  EXPECT_EQ(TempCount(), 2u);
  Destroy();
  EXPECT_EQ(TempListing(), "");
  ASSERT_TRUE(AwaitWorkersGone(1));
  MwRunLoop(100);
  EXPECT_TRUE(callback_.reports.empty());
}

TEST_F(CutOffTest, WaitingTasksAreDroppedUnreportedWithTheirFiles) {
  workers_.SetScript([&](WorkerRun* run) {
    gate_.Wait(10000);
    workers_.End(run);
  });
  ASSERT_EQ(comm_->RequestNewID(), 1);
  ASSERT_EQ(comm_->RequestPutFile(Text(local_), Text("one")), 1);
  ASSERT_EQ(comm_->RequestPutFile(Text(local_), Text("two")), 1);
  ASSERT_TRUE(WaitUntil([&] { return workers_.Started() == 1; }, 2000));
  EXPECT_EQ(TempCount(), 2u);
  EXPECT_LT(Destroy().count(), 100);
  EXPECT_EQ(TempListing(), "");
  gate_.Open();
  ASSERT_TRUE(AwaitWorkersGone(1));
  MwRunLoop(100);
  EXPECT_TRUE(callback_.reports.empty());
  EXPECT_EQ(workers_.Started(), 1);
}
