// The SQLite store: identifiers, changes that keep what they do not name,
// the tree rules, deletion of whole subtrees, and many writers at once.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ScratchDirectory.h"
#include "padserver/ReplyWriter.h"
#include "padserver/SqlitePadStore.h"

namespace padserver {
namespace {

class SqlitePadStoreTest : public testing::Test {
 protected:
  void SetUp() override { store_ = Open(); }

  std::unique_ptr<SqlitePadStore> Open() {
    Status status;
    std::unique_ptr<SqlitePadStore> store = SqlitePadStore::Open(Path(), status);
    EXPECT_NE(store, nullptr) << status.reason;
    return store;
  }

  std::string Path() const { return scratch_.File("pads.db"); }

  PadId NewPad() {
    PadId id = 0;
    EXPECT_TRUE(store_->NewPad(id).IsOk());
    return id;
  }

  // The record as the client would be told it.
  std::string Info(PadId id) {
    PadRecord record;
    Status status = store_->Get(id, record);
    return status.IsOk() ? WritePadInfo(record) : "status " + std::to_string(status.code);
  }

  std::vector<PadId> Children(PadId parent) {
    std::vector<PadId> children;
    EXPECT_TRUE(store_->Children(parent, children).IsOk());
    return children;
  }

  ScratchDirectory scratch_;
  std::unique_ptr<SqlitePadStore> store_;
};

TEST_F(SqlitePadStoreTest, IdentifiersAreNeverZeroNorUsedAgain) {
  PadId first = NewPad();
  PadId second = NewPad();
  EXPECT_EQ(first, 1u);
  EXPECT_EQ(second, 2u);
  std::vector<PadId> removed;
  ASSERT_TRUE(store_->Delete(second, removed).IsOk());
  store_ = Open();  // a later process
  EXPECT_EQ(NewPad(), 3u);
  EXPECT_EQ(Info(first), "id=0 x=0 y=0 account=\"guest\" group=\"guest\"");
}

TEST_F(SqlitePadStoreTest, ARequestBeyondTheLastIdentifierIsRefused) {
  NewPad();
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(Path().c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "UPDATE sqlite_sequence SET seq = 4294967294 WHERE name = 'pads'",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);
  EXPECT_EQ(NewPad(), 4294967295u);
  PadId id = 7;
  EXPECT_EQ(store_->NewPad(id).code, kUnavailable);
  EXPECT_EQ(id, 0u);
}

TEST_F(SqlitePadStoreTest, ChangesKeepWhatTheyDoNotName) {
  PadId parent = NewPad();
  PadId pad = NewPad();
  PadChange placement;
  placement.parent = parent;
  placement.x = -5;
  placement.y = 7;
  placement.account = "ann";
  placement.group = "staff";
  placement.attributes = {{"width", {"100", false}},
                          {"name", {"Blue pad, \xE9t\xE9", true}},
                          {"simage", {"true", false}}};
  ASSERT_TRUE(store_->Update(pad, placement).IsOk());

  PadChange attributes;
  attributes.x = 12;
  attributes.attributes = {{"name", {"", true}}, {"height", {"0042", false}}};
  ASSERT_TRUE(store_->Update(pad, attributes).IsOk());
  EXPECT_EQ(Info(pad),
            "id=1 x=12 y=7 account=\"ann\" group=\"staff\" width=100 name=\"\" simage=true "
            "height=0042");
}

TEST_F(SqlitePadStoreTest, RefusedChangesChangeNothing) {
  PadId top = NewPad();
  PadId child = NewPad();
  PadChange below;
  below.parent = top;
  ASSERT_TRUE(store_->Update(child, below).IsOk());
  std::string before = Info(top);

  struct Case {
    PadId pad;
    PadId parent;
    int code;
  };
  const Case cases[] = {
      {99, 0, kNotFound},         // no such pad
      {top, 99, kNotFound},       // no such parent
      {top, top, kBadRequest},    // itself
      {top, child, kBadRequest},  // below itself
  };
  for (const Case& c : cases) {
    PadChange change;
    change.parent = c.parent;
    change.x = 1;
    change.attributes = {{"width", {"1", false}}};
    EXPECT_EQ(store_->Update(c.pad, change).code, c.code) << c.pad << " below " << c.parent;
  }
  EXPECT_EQ(Info(top), before);
}

TEST_F(SqlitePadStoreTest, ChildrenComeInCreationOrderAndDeletionTakesTheSubtree) {
  PadId top = NewPad();
  PadId a = NewPad();
  PadId b = NewPad();
  PadId grandchild = NewPad();
  PadId other = NewPad();
  PadChange below;
  // Placed in reverse, listed in creation order.
  below.parent = top;
  for (PadId pad : {b, a}) ASSERT_TRUE(store_->Update(pad, below).IsOk());
  below.parent = a;
  ASSERT_TRUE(store_->Update(grandchild, below).IsOk());

  EXPECT_EQ(Children(top), (std::vector<PadId>{a, b}));
  EXPECT_EQ(Children(kNoParent), (std::vector<PadId>{top, other}));
  std::vector<PadId> none;
  EXPECT_EQ(store_->Children(99, none).code, kNotFound);

  std::vector<PadId> removed;
  ASSERT_TRUE(store_->Delete(top, removed).IsOk());
  EXPECT_EQ(std::set<PadId>(removed.begin(), removed.end()),
            (std::set<PadId>{top, a, b, grandchild}));
  for (PadId pad : {top, a, b, grandchild}) EXPECT_EQ(Info(pad), "status 404");
  EXPECT_EQ(Children(kNoParent), (std::vector<PadId>{other}));
  EXPECT_EQ(store_->Delete(top, removed).code, kNotFound);
}

// Every thread is another process's connection, all meeting the new file.
TEST_F(SqlitePadStoreTest, ManyWritersAtOnceLoseNothing) {
  store_.reset();
  std::remove(Path().c_str());
  constexpr int kWriters = 8;
  constexpr int kPadsEach = 40;
  std::vector<std::vector<PadId>> made(kWriters);
  std::vector<int> failures(kWriters, 0);
  std::vector<std::thread> writers;
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back([&, w] {
      for (int i = 0; i < kPadsEach; ++i) {
        Status status;
        std::unique_ptr<SqlitePadStore> store = SqlitePadStore::Open(Path(), status);
        PadId id = 0;
        if (store == nullptr || !store->NewPad(id).IsOk()) {
          ++failures[w];
          continue;
        }
        PadChange change;
        change.attributes = {{"writer", {std::to_string(w), false}}};
        if (!store->Update(id, change).IsOk()) ++failures[w];
        made[w].push_back(id);
      }
    });
  }
  for (std::thread& writer : writers) writer.join();
  store_ = Open();
  std::set<PadId> all;
  for (int w = 0; w < kWriters; ++w) {
    EXPECT_EQ(failures[w], 0);
    for (PadId id : made[w]) {
      all.insert(id);
      EXPECT_EQ(Info(id),
                "id=0 x=0 y=0 account=\"guest\" group=\"guest\" writer=" + std::to_string(w));
    }
  }
  EXPECT_EQ(all.size(), static_cast<std::size_t>(kWriters * kPadsEach));
  EXPECT_EQ(Children(kNoParent).size(), all.size());
}

}  // namespace
}  // namespace padserver
