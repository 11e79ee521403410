// The pad stores, the embedded one and the shared one, from one table:
// identifiers, changes that keep what they do not name, the tree rules,
// deletion of whole subtrees, accounts and limits, schema versions, and many
// writers at once; and their file areas, the data directory's folders and
// the shared database, written and read in pieces. The shared store's rows need a PostgreSQL
// database whose URI BAZARO_TEST_POSTGRES_URI gives (tests/padserver/with-postgres.sh starts one);
// they fail without it. Every test starts from an empty database.
#include <gtest/gtest.h>

#include <libpq-fe.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ScratchDirectory.h"
#include "padserver/DirectoryFileArea.h"
#include "padserver/PostgresFileArea.h"
#include "padserver/PostgresPadStore.h"
#include "padserver/ReplyWriter.h"
#include "padserver/SqlitePadStore.h"
#include "padserver/Sweep.h"

namespace padserver {
namespace {

struct StoreCase {
  const char* name;
  bool shared;  // PostgreSQL rather than SQLite
  // Makes 4294967294 the last identifier handed out.
  const char* lastIdentifierSql;
  // Marks the store as one of a schema newer than the server's.
  const char* newerSchemaSql;
  // Takes the store back to its first schema, without file owners or files.
  const char* firstSchemaSql;
};

const StoreCase kStores[] = {
    {"Sqlite", false, "UPDATE sqlite_sequence SET seq = 4294967294 WHERE name = 'pads'",
     "PRAGMA user_version = 99", "DROP TABLE files; PRAGMA user_version = 1"},
    {"Postgres", true, "SELECT setval(pg_get_serial_sequence('pads', 'id'), 4294967294)",
     "UPDATE pad_store_version SET version = 99",
     "DROP TABLE file_pieces, stored_files; UPDATE pad_store_version SET version = 1"},
};

// Bytes of every value, `size` of them, different for each `seed`.
std::string Pattern(std::size_t size, int seed) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<char>((i * 7 + i / 251 + seed) & 0xFF);
  return bytes;
}

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

  // The file area beside the store, on a connection of its own.
  std::unique_ptr<FileArea> OpenFiles() {
    Status status;
    std::unique_ptr<FileArea> files;
    DataDirectory data(scratch_.Path());
    if (GetParam().shared) {
      files = PostgresFileArea::Open(uri_, status);
    } else if ((status = data.Prepare()).IsOk()) {
      files.reset(new DirectoryFileArea(data));
    }
    EXPECT_NE(files, nullptr) << status.reason;
    return files;
  }

  // Writes `content` in 64 KiB writes, as the programs do.
  static Status Put(FileArea& files, Folder folder, const std::string& name,
                    const std::string& content) {
    std::unique_ptr<FileWriter> writer;
    Status status = files.Replace(folder, name, writer);
    for (std::size_t at = 0; status.IsOk() && at < content.size(); at += 65536) {
      if (!writer->Write(content.data() + at, std::min<std::size_t>(65536, content.size() - at))) {
        status = Status::Fail(kServerError, "write failed");
      }
    }
    return status.IsOk() ? writer->Commit() : status;
  }

  // The rest of what `reader` reads.
  static std::string ReadAll(FileReader& reader) {
    std::string content;
    char chunk[65536];
    for (long got; (got = reader.Read(chunk, sizeof chunk)) != 0;) {
      if (got < 0) return "read failed";
      content.append(chunk, static_cast<std::size_t>(got));
    }
    return content;
  }

  static std::string Get(FileArea& files, Folder folder, const std::string& name) {
    std::unique_ptr<FileReader> reader;
    Status status = files.Open(folder, name, reader);
    if (!status.IsOk()) return "status " + std::to_string(status.code);
    std::string content = ReadAll(*reader);
    return content.size() == reader->Size() ? content : "not the size told";
  }

  // Files a replacement that never finished left: new files in the folders,
  // or rows that no name leads to.
  std::string Leftovers() {
    if (!GetParam().shared) {
      return ListDirectory(scratch_.File("pads")) + ListDirectory(scratch_.File("misc"));
    }
    std::string count = Query(
        "SELECT (SELECT count(*) FROM stored_files WHERE name IS NULL) +"
        " (SELECT count(*) FROM file_pieces p WHERE NOT EXISTS"
        "  (SELECT 1 FROM stored_files f WHERE f.id = p.file))");
    return count == "0" ? "" : count + " rows";
  }

  // The one value `sql` answers, on a connection of the test's own.
  std::string Query(const char* sql) {
    PGconn* db = PQconnectdb(uri_.c_str());
    PGresult* result = PQexec(db, sql);
    std::string value = PQntuples(result) == 1 ? PQgetvalue(result, 0, 0) : "query failed";
    PQclear(result);
    PQfinish(db);
    return value;
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

// A store made by a server of the first schema gains what came later.
TEST_P(PadStoreTest, AStoreOfTheFirstSchemaIsBroughtUpToDate) {
  ASSERT_TRUE(Execute(GetParam().firstSchemaSql));
  store_ = Open();
  ASSERT_NE(store_, nullptr);
  store_->ActFor("ann");
  EXPECT_TRUE(store_->ClaimFile("notes").IsOk());
  std::unique_ptr<FileArea> files = OpenFiles();
  ASSERT_NE(files, nullptr);
  ASSERT_TRUE(Put(*files, Folder::kMisc, "notes", "kept").IsOk());
  EXPECT_EQ(Get(*files, Folder::kMisc, "notes"), "kept");
}

// The shared store's connection outlives the store for the process's next
// request; one whose server side has ended is not handed out again.
TEST_P(PadStoreTest, AConnectionIsKeptUnlessItsServerEndedIt) {
  if (!GetParam().shared) GTEST_SKIP() << "the embedded store has no connection";
  const char kOthers[] =
      "SELECT count(*) FROM pg_stat_activity WHERE datname = current_database()"
      " AND pid <> pg_backend_pid()";
  // Ends every connection but the test's own, as a server restart would.
  auto endOthers = [&] {
    ASSERT_TRUE(
        Execute("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE"
                " datname = current_database() AND pid <> pg_backend_pid()"));
    for (int wait = 0; wait < 100 && Query(kOthers) != "0"; ++wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_EQ(Query(kOthers), "0");
  };
  store_.reset();
  endOthers();
  for (int i = 0; i < 4; ++i) EXPECT_NE(Open(), nullptr);
  EXPECT_EQ(Query(kOthers), "1");
  endOthers();
  store_ = Open();
  ASSERT_NE(store_, nullptr);
  EXPECT_NE(NewPad(), 0u);
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

// A file written in many pieces reads back whole; a reader keeps the version
// it opened while a replacement takes its place; a replacement abandoned, or
// whose process is killed, leaves the old content.
TEST_P(PadStoreTest, FilesAreReplacedWholeOrNotAtAll) {
  std::unique_ptr<FileArea> files = OpenFiles();
  std::unique_ptr<FileArea> other = OpenFiles();
  ASSERT_TRUE(files != nullptr && other != nullptr);
  const std::string first = Pattern(3 * PostgresFileArea::kPieceBytes + 12345, 1);
  const std::string second = Pattern(PostgresFileArea::kPieceBytes, 2);
  ASSERT_TRUE(Put(*files, Folder::kMisc, "notes", first).IsOk());
  EXPECT_TRUE(Get(*files, Folder::kMisc, "notes") == first);

  std::unique_ptr<FileReader> reader;
  ASSERT_TRUE(files->Open(Folder::kMisc, "notes", reader).IsOk());
  char start[100];
  ASSERT_EQ(reader->Read(start, sizeof start), 100);
  ASSERT_TRUE(Put(*other, Folder::kMisc, "notes", second).IsOk());
  EXPECT_TRUE(std::string(start, sizeof start) + ReadAll(*reader) == first);
  reader.reset();
  EXPECT_TRUE(Get(*files, Folder::kMisc, "notes") == second);

  {
    std::unique_ptr<FileWriter> abandoned;
    ASSERT_TRUE(files->Replace(Folder::kMisc, "notes", abandoned).IsOk());
    ASSERT_TRUE(abandoned->Write(first.data(), first.size()));
  }
  pid_t child = ::fork();
  if (child == 0) {
    // A connection of the child's own, dropped unfinished by the kill.
    std::unique_ptr<FileArea> killed = OpenFiles();
    std::unique_ptr<FileWriter> writer;
    if (killed != nullptr && killed->Replace(Folder::kMisc, "notes", writer).IsOk()) {
      writer->Write(first.data(), first.size());
    }
    ::raise(SIGKILL);
  }
  ASSERT_GT(child, 0);
  int childStatus = 0;
  ASSERT_EQ(::waitpid(child, &childStatus, 0), child);
  EXPECT_TRUE(Get(*other, Folder::kMisc, "notes") == second);
  // The directory's new file of a killed program is the sweep's to remove.
  if (GetParam().shared) {
    EXPECT_EQ(Leftovers(), "");
  }
}

// The area lists, counts and removes its files, names of any bytes.
TEST_P(PadStoreTest, FilesAreListedCountedAndRemoved) {
  std::unique_ptr<FileArea> files = OpenFiles();
  ASSERT_NE(files, nullptr);
  const std::string name = "\xE9t\xE9 notes.txt";
  ASSERT_TRUE(Put(*files, Folder::kMisc, name, "12345").IsOk());
  ASSERT_TRUE(Put(*files, Folder::kMisc, "empty", "").IsOk());
  ASSERT_TRUE(Put(*files, Folder::kPads, "1.pad", "pad").IsOk());
  std::uint64_t count = 0;
  std::uint64_t bytes = 0;
  ASSERT_TRUE(files->MiscUsage("", count, bytes).IsOk());
  EXPECT_EQ(std::to_string(count) + " files " + std::to_string(bytes) + " bytes",
            "2 files 5 bytes");
  ASSERT_TRUE(files->MiscUsage(name, count, bytes).IsOk());
  EXPECT_EQ(std::to_string(count) + " files " + std::to_string(bytes) + " bytes",
            "1 files 0 bytes");
  std::vector<std::string> names;
  ASSERT_TRUE(files->List(Folder::kMisc, names).IsOk());
  EXPECT_EQ(std::set<std::string>(names.begin(), names.end()),
            (std::set<std::string>{name, "empty"}));
  EXPECT_EQ(Get(*files, Folder::kMisc, "empty"), "");

  ASSERT_TRUE(files->Remove(Folder::kPads, "1.pad").IsOk());
  EXPECT_TRUE(files->Remove(Folder::kPads, "1.pad").IsOk()) << "already gone";
  EXPECT_EQ(Get(*files, Folder::kPads, "1.pad"), "status 404");
  EXPECT_EQ(Get(*files, Folder::kMisc, "1.pad"), "status 404");
  ASSERT_TRUE(files->List(Folder::kPads, names).IsOk());
  EXPECT_TRUE(names.empty());
}

// A pad file whose removal failed outlives its pad until the sweep at start.
TEST_P(PadStoreTest, TheSweepRemovesPadFilesWithoutAPad) {
  std::unique_ptr<FileArea> files = OpenFiles();
  ASSERT_NE(files, nullptr);
  PadId kept = NewPad();
  for (const std::string& name : {PadFileName(kept), PadFileName(kept + 1), std::string("7.pad")}) {
    ASSERT_TRUE(Put(*files, Folder::kPads, name, "pad").IsOk());
  }
  ASSERT_TRUE(Put(*files, Folder::kMisc, "7.pad", "a misc file").IsOk());
  ASSERT_TRUE(Sweep(DataDirectory(scratch_.Path()), uri_).IsOk());
  std::vector<std::string> names;
  ASSERT_TRUE(files->List(Folder::kPads, names).IsOk());
  EXPECT_EQ(names, std::vector<std::string>{PadFileName(kept)});
  EXPECT_EQ(Get(*files, Folder::kMisc, "7.pad"), "a misc file");
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
