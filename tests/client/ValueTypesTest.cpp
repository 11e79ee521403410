// The small value types behind the client: tasks, the queue, results, pad
// lists and the kernel-heap allocation of the exported classes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ClientTestSupport.h"
#include "client/Task.h"
#include "mkres/MwMemory.h"

namespace {

// A file on the disk, named by a platform string the caller owns.
char* NewFileNamed(const ScratchDirectory& scratch, const std::string& name) {
  std::string path = scratch.File(name);
  EXPECT_TRUE(WriteWholeFile(path, "content of " + name));
  return NewString(Text(path));
}

Task* NewTaskWithFile(const ScratchDirectory& scratch, int type, const std::string& fileName) {
  auto* task = new Task(type, nullptr, new HostInfo);
  task->SetParams(7, NewFileNamed(scratch, fileName), 1, 2, 3, 4, NewString(Text("remote")));
  return task;
}

BoothInfo* NewList(std::initializer_list<BoothInfo> records) {
  auto* list = static_cast<BoothInfo*>(
      MwNew(static_cast<unsigned int>((records.size() + 1) * sizeof(BoothInfo))));
  std::memset(list, 0, (records.size() + 1) * sizeof(BoothInfo));
  std::size_t i = 0;
  for (const BoothInfo& record : records) list[i++] = record;
  return list;
}

}  // namespace

TEST(TaskValue, OwnsItsHostItsFileAndItsName) {
  ScratchDirectory scratch;
  long before = MwLiveBlockCount();
  Task* task = NewTaskWithFile(scratch, kRequestPutFile, "a.tmp");
  EXPECT_EQ(task->Type(), kRequestPutFile);
  EXPECT_EQ(task->ID(), 7u);
  EXPECT_STREQ(task->Name(), "remote");
  EXPECT_EQ(scratch.Listing(), "a.tmp");

  // New parameters release the old file from the disk.
  task->SetParams(8, NewFileNamed(scratch, "b.tmp"), 0, 0, 0, 0, nullptr);
  EXPECT_EQ(scratch.Listing(), "b.tmp");
  EXPECT_EQ(task->Name(), nullptr);
  // Parameters already held are kept, not released.
  task->SetParams(9, task->File(), 5, 6, 7, 8, nullptr);
  EXPECT_EQ(scratch.Listing(), "b.tmp");
  EXPECT_EQ(task->X(), 5);
  EXPECT_EQ(task->Height(), 8);

  delete task;
  EXPECT_EQ(scratch.Listing(), "");
  EXPECT_EQ(MwLiveBlockCount(), before);
}

TEST(QueValue, GivesTasksBackInTheOrderTheyWerePut) {
  Que que;
  EXPECT_EQ(que.Get(), nullptr);
  EXPECT_EQ(que.Put(nullptr), 0);
  Task* tasks[3] = {new Task(1, nullptr, nullptr), new Task(6, nullptr, nullptr),
                    new Task(7, nullptr, nullptr)};
  for (Task* task : tasks) EXPECT_EQ(que.Put(task), 1);
  for (Task* task : tasks) {
    Task* taken = que.Get();
    EXPECT_EQ(taken, task);
    delete taken;
  }
  EXPECT_EQ(que.Get(), nullptr);

  // The queue works on after it was emptied by Get.
  Task* again = new Task(2, nullptr, nullptr);
  EXPECT_EQ(que.Put(again), 1);
  EXPECT_EQ(que.Get(), again);
  delete again;
}

TEST(QueValue, ClearAndDestructionDeleteTheWaitingTasksAndTheirFiles) {
  ScratchDirectory scratch;
  long before = MwLiveBlockCount();
  {
    Que que;
    que.Clear();  // an empty queue: nothing to do
    que.Put(NewTaskWithFile(scratch, 9, "one.tmp"));
    que.Put(NewTaskWithFile(scratch, 9, "two.tmp"));
    EXPECT_EQ(scratch.Listing(), "one.tmp two.tmp");
    que.Clear();
    EXPECT_EQ(scratch.Listing(), "");
    EXPECT_EQ(que.Get(), nullptr);

    que.Put(NewTaskWithFile(scratch, 9, "three.tmp"));
  }
  EXPECT_EQ(scratch.Listing(), "");
  EXPECT_EQ(MwLiveBlockCount(), before);
}

TEST(ResultValue, ReplacingOrClearingTheFileRemovesItFromTheDisk) {
  ScratchDirectory scratch;
  Result result;
  result.SetFile(NewFileNamed(scratch, "first.tmp"));
  result.SetFile(NewFileNamed(scratch, "second.tmp"));
  EXPECT_EQ(scratch.Listing(), "second.tmp");
  result.SetFile(result.File());  // the same name again keeps the file
  EXPECT_EQ(scratch.Listing(), "second.tmp");
  result.SetFile(nullptr);
  EXPECT_EQ(scratch.Listing(), "");
  EXPECT_EQ(result.File(), nullptr);

  result.SetFile(NewFileNamed(scratch, "third.tmp"));
  result.SetBool(1);
  result.SetID(42);
  result.SetBooth(NewList({{5, 1, 2, 3, 4}}));
  EXPECT_EQ(result.Bool(), 1);
  EXPECT_EQ(result.ID(), 42u);
  EXPECT_EQ(CountBooth(result.Booth()), 1u);
  result.Clear();
  EXPECT_EQ(result.Bool(), 0);
  EXPECT_EQ(result.ID(), 0u);
  EXPECT_EQ(result.Booth(), nullptr);
  EXPECT_EQ(result.File(), nullptr);
  EXPECT_EQ(scratch.Listing(), "");
}

TEST(ResultValue, DestructionFreesTheListAndRemovesTheFile) {
  ScratchDirectory scratch;
  long before = MwLiveBlockCount();
  {
    Result result;
    result.SetBooth(NewList({{5, 1, 2, 3, 4}}));
    result.SetBooth(NewList({}));  // the first list is freed
    result.SetFile(NewFileNamed(scratch, "kept.tmp"));
  }
  EXPECT_EQ(scratch.Listing(), "");
  EXPECT_EQ(MwLiveBlockCount(), before);
}

TEST(BoothList, CountAndCopyStopAtTheEndRecord) {
  static_assert(sizeof(BoothInfo) == 20, "five 32-bit fields");
  EXPECT_EQ(CountBooth(nullptr), 0u);
  EXPECT_EQ(CopyBooth(nullptr), nullptr);

  BoothInfo* empty = NewList({});
  EXPECT_EQ(CountBooth(empty), 0u);
  BoothInfo* emptyCopy = CopyBooth(empty);
  ASSERT_NE(emptyCopy, nullptr);
  EXPECT_EQ(emptyCopy[0].id, 0u);

  BoothInfo* list = NewList({{11, -1, 2, 30, 40}, {0xFFFFFFFFu, 5, 6, 7, 8}});
  // Records after the end record are not part of the list.
  BoothInfo* copy = CopyBooth(list);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, list);
  EXPECT_EQ(CountBooth(copy), 2u);
  EXPECT_EQ(std::memcmp(copy, list, 3 * sizeof(BoothInfo)), 0);
  list[0].x = 99;  // the copy is independent
  EXPECT_EQ(copy[0].x, -1);

  MwDelete(empty);
  MwDelete(emptyCopy);
  MwDelete(list);
  MwDelete(copy);
}

TEST(KernelHeapClasses, ExportedClassesComeFromAndGoBackToTheKernelHeap) {
  ScratchDirectory userDirectory;  // no proxy file: the client holds no strings
  UserDirectorySetting setting(userDirectory.Path());
  long before = MwLiveBlockCount();
  auto* host = new HostInfo;
  auto* que = new Que;
  auto* result = new Result;
  auto* comm = new BazaroComm;
  EXPECT_EQ(MwLiveBlockCount(), before + 4);
  delete comm;
  delete result;
  delete que;
  delete host;
  EXPECT_EQ(MwLiveBlockCount(), before);

  auto* hosts = new HostInfo[3];
  EXPECT_GT(MwLiveBlockCount(), before);
  delete[] hosts;
  EXPECT_EQ(MwLiveBlockCount(), before);
}
