// The pad stores, the embedded one and the shared one, from one table:
// identifiers, changes that keep what they do not name, the tree rules,
// deletion of whole subtrees, accounts and limits, schema versions, and many
// writers at once. The shared store's rows need a PostgreSQL database whose
// URI BAZARO_TEST_POSTGRES_URI gives (tests/padserver/with-postgres.sh starts
// one); they fail without it. Every test starts from an empty database.
#include <gtest/gtest.h>

#include <libpq-fe.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ScratchDirectory.h"
#include "padserver/PostgresPadStore.h"
#include "padserver/ReplyWriter.h"
#include "padserver/SqlitePadStore.h"

namespace padserver {
namespace {

struct StoreCase {
  const char* name;
  bool shared;  // PostgreSQL rather than SQLite
  // Makes 4294967294 the last identifier handed out.
  const char* lastIdentifierSql;
  // Marks the store as one of a schema newer than the server's.
  const char* newerSchemaSql;
};

const StoreCase kStores[] = {
    {"Sqlite", false, "UPDATE sqlite_sequence SET seq = 4294967294 WHERE name = 'pads'",
     "PRAGMA user_version = 99"},
    {"Postgres", true, "SELECT setval(pg_get_serial_sequence('pads', 'id'), 4294967294)",
     "UPDATE pad_store_version SET version = 99"},
};

void PrintTo(const StoreCase& store, std::ostream* out) { *out << store.name; }

class PadStoreTest : public testing::TestWithParam<StoreCase> {
 protected:
  void SetUp() override {
    if (GetParam().shared) {
      const char* uri = std::getenv("BAZARO_TEST_POSTGRES_URI");
      ASSERT_NE(uri, nullptr) << "BAZARO_TEST_POSTGRES_URI is not set; run the tests through "
                                 "tests/padserver/with-postgres.sh";
      uri_ = uri;
    }
    ASSERT_TRUE(Empty());
    store_ = Open();
    ASSERT_NE(store_, nullptr);
  }

  // Leaves no store behind: the next Open meets a new one.
  bool Empty() {
    if (!GetParam().shared) {
      std::remove(Path().c_str());
      return true;
    }
    return Execute(
        "SET client_min_messages = warning; DROP SCHEMA public CASCADE; CREATE SCHEMA public");
  }

  // Runs `sql` on the store's database behind the store's back.
  bool Execute(const char* sql) {
    if (!GetParam().shared) {
      sqlite3* db = nullptr;
      bool ok = sqlite3_open(Path().c_str(), &db) == SQLITE_OK &&
                sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
      sqlite3_close(db);
      return ok;
    }
    PGconn* db = PQconnectdb(uri_.c_str());
    PGresult* result = PQexec(db, sql);
    ExecStatusType state = PQresultStatus(result);
    bool ok = state == PGRES_COMMAND_OK || state == PGRES_TUPLES_OK;
    if (!ok) ADD_FAILURE() << PQerrorMessage(db);
    PQclear(result);
    PQfinish(db);
    return ok;
  }

  std::unique_ptr<PadStore> Open(Status& status) {
    if (GetParam().shared) return PostgresPadStore::Open(uri_, status);
    return SqlitePadStore::Open(Path(), status);
  }

  std::unique_ptr<PadStore> Open() {
    Status status;
    std::unique_ptr<PadStore> store = Open(status);
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
  std::string uri_;
  std::unique_ptr<PadStore> store_;
};

TEST_P(PadStoreTest, IdentifiersAreNeverZeroNorUsedAgain) {
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

TEST_P(PadStoreTest, ARequestBeyondTheLastIdentifierIsRefused) {
  NewPad();
  ASSERT_TRUE(Execute(GetParam().lastIdentifierSql));
  EXPECT_EQ(NewPad(), 4294967295u);
  PadId id = 7;
  EXPECT_EQ(store_->NewPad(id).code, kUnavailable);
  EXPECT_EQ(id, 0u);
  EXPECT_EQ(Children(kNoParent).size(), 2u);
}

TEST_P(PadStoreTest, AStoreOfANewerSchemaIsRefused) {
  ASSERT_TRUE(Execute(GetParam().newerSchemaSql));
  Status status;
  EXPECT_EQ(Open(status), nullptr);
  EXPECT_EQ(status.code, kServerError);
}

TEST_P(PadStoreTest, ChangesKeepWhatTheyDoNotName) {
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

TEST_P(PadStoreTest, RefusedChangesChangeNothing) {
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

TEST_P(PadStoreTest, ChildrenComeInCreationOrderAndDeletionTakesTheSubtree) {
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

// With accounts a pad and a file are their maker's, whatever a change names,
// and only the maker changes them; each limit refuses the change that would
// pass it. Refused changes change nothing.
TEST_P(PadStoreTest, AccountsAndLimitsRefuseOthersChanges) {
  store_->ActFor("ann");
  PadId anns = NewPad();
  ASSERT_TRUE(store_->ClaimFile("notes").IsOk());
  Limits limits;
  limits.maxChildren = 2;
  limits.maxAttributes = 1;
  limits.maxAttributeBytes = 8;
  store_->SetLimits(limits);
  store_->ActFor("bob");
  PadId bobs = NewPad();
  PadId none = 0;
  EXPECT_EQ(store_->NewPad(none).code, kInsufficientStorage);

  PadChange renamed;
  renamed.x = 3;
  renamed.account = "eve";
  ASSERT_TRUE(store_->Update(bobs, renamed).IsOk());
  PadChange moved;
  moved.parent = anns;
  PadChange two;
  two.attributes = {{"a", {"1", false}}, {"b", {"2", false}}};
  PadChange large;
  large.attributes = {{"name", {"123456789", true}}};
  struct Case {
    PadId pad;
    const PadChange* change;
    int code;
  };
  const Case cases[] = {
      {anns, &renamed, kForbidden},
      {bobs, &moved, kForbidden},
      {bobs, &two, kPayloadTooLarge},
      {bobs, &large, kPayloadTooLarge},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(store_->Update(c.pad, *c.change).code, c.code) << c.pad;
  }
  std::vector<PadId> removed;
  EXPECT_EQ(store_->Delete(anns, removed).code, kForbidden);
  EXPECT_EQ(store_->ClaimFile("notes").code, kForbidden);
  EXPECT_EQ(Info(anns), "id=0 x=0 y=0 account=\"ann\" group=\"guest\"");
  EXPECT_EQ(Info(bobs), "id=0 x=3 y=0 account=\"bob\" group=\"guest\"");
}

// Two processes that each place one of two pads below the other: at most
// one of them may succeed, or the pair would hang below itself.
TEST_P(PadStoreTest, CrossedMovesNeverMakeACycle) {
  PadId pads[2] = {NewPad(), NewPad()};
  for (int round = 0; round < 20; ++round) {
    std::unique_ptr<PadStore> stores[2] = {Open(), Open()};
    ASSERT_TRUE(stores[0] != nullptr && stores[1] != nullptr);
    Status outcomes[2];
    std::thread movers[2];
    for (int m = 0; m < 2; ++m) {
      movers[m] = std::thread([&, m] {
        PadChange below;
        below.parent = pads[1 - m];
        outcomes[m] = stores[m]->Update(pads[m], below);
      });
    }
    for (std::thread& mover : movers) mover.join();
    ASSERT_FALSE(outcomes[0].IsOk() && outcomes[1].IsOk()) << "round " << round;
    PadChange top;
    top.parent = kNoParent;
    for (PadId pad : pads) ASSERT_TRUE(store_->Update(pad, top).IsOk());
  }
}

// Every thread is another process's connection, all meeting the new store.
TEST_P(PadStoreTest, ManyWritersAtOnceLoseNothing) {
  store_.reset();
  ASSERT_TRUE(Empty());
  constexpr int kWriters = 8;
  constexpr int kPadsEach = 40;
  std::vector<std::vector<PadId>> made(kWriters);
  std::vector<int> failures(kWriters, 0);
  std::vector<std::thread> writers;
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back([&, w] {
      for (int i = 0; i < kPadsEach; ++i) {
        Status status;
        std::unique_ptr<PadStore> store = Open(status);
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

INSTANTIATE_TEST_SUITE_P(Stores, PadStoreTest, testing::ValuesIn(kStores),
                         [](const testing::TestParamInfo<StoreCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace padserver
