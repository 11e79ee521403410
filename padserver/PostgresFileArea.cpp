#include "padserver/PostgresFileArea.h"

#include <algorithm>
#include <cstring>

#include "padserver/PostgresSchema.h"

namespace padserver {

namespace {

std::int64_t FolderNumber(Folder folder) { return folder == Folder::kPads ? 0 : 1; }

// The file lock of a folder and name: a hash, so that two names may share a
// lock now and then, which only makes one wait for the other.
std::int64_t FileLockKey(Folder folder, const std::string& name) {
  std::uint32_t hash = 2166136261u ^ static_cast<std::uint32_t>(FolderNumber(folder));
  for (char c : name) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
  return static_cast<std::int32_t>(hash);
}

// Drops the file `name` of `folder`, pieces and all, inside the caller's
// transaction, once no other transaction puts or drops it.
bool DropFile(PostgresConnection& db, Folder folder, const std::string& name) {
  PostgresParams file;
  file.Add(FolderNumber(folder)).AddBytes(name);
  return LockStore(db, kFileLocks, FileLockKey(folder, name)).IsOk() &&
         db.Run("DELETE FROM stored_files WHERE folder = $1::smallint AND name = $2::bytea", file);
}

Status Rollback(PostgresConnection& db) {
  Status failure = db.Failure();
  db.RunScript("ROLLBACK");
  return failure;
}

class PostgresFileWriter : public FileWriter {
 public:
  PostgresFileWriter(PostgresConnection& db, std::int64_t id, Folder folder, std::string name)
      : db_(db), id_(id), folder_(folder), name_(std::move(name)) {
    piece_.reserve(PostgresFileArea::kPieceBytes);
  }
  ~PostgresFileWriter() override {
    if (open_) db_.RunScript("ROLLBACK");
  }

  bool Write(const char* data, std::size_t size) override {
    while (open_ && size > 0) {
      std::size_t take = std::min(size, PostgresFileArea::kPieceBytes - piece_.size());
      piece_.append(data, take);
      data += take;
      size -= take;
      if (piece_.size() == PostgresFileArea::kPieceBytes && !StorePiece()) Fail();
    }
    return open_;
  }

  Status Commit() override {
    if (!open_) return Status::Fail(kServerError, "cannot write the file");
    open_ = false;
    if (!piece_.empty() && !StorePiece()) return Rollback(db_);
    PostgresParams named;
    named.Add(id_).AddBytes(name_).Add(static_cast<std::int64_t>(size_));
    if (!DropFile(db_, folder_, name_) ||
        !db_.Run("UPDATE stored_files SET name = $2::bytea, size = $3::bigint"
                 " WHERE id = $1::bigint",
                 named) ||
        !db_.Run("COMMIT")) {
      return Rollback(db_);
    }
    return Status::Ok();
  }

 private:
  bool StorePiece() {
    PostgresParams piece;
    piece.Add(id_).Add(pieces_).AddBytes(piece_);
    if (!db_.Run("INSERT INTO file_pieces(file, piece, data)"
                 " VALUES($1::bigint, $2::integer, $3::bytea)",
                 piece)) {
      return false;
    }
    ++pieces_;
    size_ += piece_.size();
    piece_.clear();
    return true;
  }

  void Fail() {
    Rollback(db_);
    open_ = false;
  }

  PostgresConnection& db_;
  std::int64_t id_;
  Folder folder_;
  std::string name_;
  std::string piece_;  // the bytes of the piece being filled
  std::int64_t pieces_ = 0;
  std::uint64_t size_ = 0;
  bool open_ = true;
};

class PostgresFileReader : public FileReader {
 public:
  PostgresFileReader(PostgresConnection& db, std::int64_t id, std::uint64_t size)
      : db_(db), id_(id), size_(size) {}
  ~PostgresFileReader() override { db_.RunScript("ROLLBACK"); }

  std::uint64_t Size() const override { return size_; }

  long Read(char* buffer, std::size_t size) override {
    if (offset_ == piece_.size()) {
      if (delivered_ == size_) return 0;
      PostgresResult row;
      if (!db_.Run("SELECT data FROM file_pieces WHERE file = $1::bigint AND piece = $2::integer",
                   PostgresParams().Add(id_).Add(pieces_), row) ||
          row.Rows() != 1) {
        return -1;
      }
      piece_ = row.Bytes(0, 0);
      offset_ = 0;
      ++pieces_;
      if (piece_.empty() || piece_.size() > size_ - delivered_) return -1;
    }
    std::size_t take = std::min(size, piece_.size() - offset_);
    std::memcpy(buffer, piece_.data() + offset_, take);
    offset_ += take;
    delivered_ += take;
    return static_cast<long>(take);
  }

 private:
  PostgresConnection& db_;
  std::int64_t id_;
  std::uint64_t size_;
  std::string piece_;  // the piece being read
  std::size_t offset_ = 0;
  std::int64_t pieces_ = 0;  // pieces fetched
  std::uint64_t delivered_ = 0;
};

}  // namespace

std::unique_ptr<PostgresFileArea> PostgresFileArea::Open(const std::string& uri, Status& status) {
  std::unique_ptr<PostgresConnection> connection = OpenStoreDatabase(uri, status);
  if (connection == nullptr) return nullptr;
  return std::unique_ptr<PostgresFileArea>(new PostgresFileArea(std::move(connection)));
}

Status PostgresFileArea::Replace(Folder folder, const std::string& name,
                                 std::unique_ptr<FileWriter>& writer) {
  PostgresResult row;
  if (!db_->Run("BEGIN ISOLATION LEVEL READ COMMITTED") ||
      !db_->Run("INSERT INTO stored_files(folder) VALUES($1::smallint) RETURNING id",
                PostgresParams().Add(FolderNumber(folder)), row) ||
      row.Rows() != 1) {
    return Rollback(*db_);
  }
  writer.reset(new PostgresFileWriter(*db_, row.Integer(0, 0), folder, name));
  return Status::Ok();
}

Status PostgresFileArea::Open(Folder folder, const std::string& name,
                              std::unique_ptr<FileReader>& reader) {
  PostgresResult row;
  if (!db_->Run("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY") ||
      !db_->Run(
          "SELECT id, size FROM stored_files WHERE folder = $1::smallint AND name = $2::bytea",
          PostgresParams().Add(FolderNumber(folder)).AddBytes(name), row)) {
    return Rollback(*db_);
  }
  if (row.Rows() != 1) {
    db_->RunScript("ROLLBACK");
    return Status::Fail(kNotFound, "no such file");
  }
  reader.reset(new PostgresFileReader(*db_, row.Integer(0, 0),
                                      static_cast<std::uint64_t>(row.Integer(0, 1))));
  return Status::Ok();
}

Status PostgresFileArea::Remove(Folder folder, const std::string& name) {
  if (!db_->Run("BEGIN ISOLATION LEVEL READ COMMITTED") || !DropFile(*db_, folder, name) ||
      !db_->Run("COMMIT")) {
    return Rollback(*db_);
  }
  return Status::Ok();
}

Status PostgresFileArea::List(Folder folder, std::vector<std::string>& names) {
  names.clear();
  PostgresResult rows;
  if (!db_->Run("SELECT name FROM stored_files WHERE folder = $1::smallint AND name IS NOT NULL",
                PostgresParams().Add(FolderNumber(folder)), rows)) {
    return db_->Failure();
  }
  for (int row = 0; row < rows.Rows(); ++row) names.push_back(rows.Bytes(row, 0));
  return Status::Ok();
}

Status PostgresFileArea::MiscUsage(const std::string& except, std::uint64_t& files,
                                   std::uint64_t& bytes) {
  files = bytes = 0;
  PostgresResult usage;
  if (!db_->Run("SELECT count(*), coalesce(sum(size), 0) FROM stored_files"
                " WHERE folder = $1::smallint AND name IS NOT NULL AND name <> $2::bytea",
                PostgresParams().Add(FolderNumber(Folder::kMisc)).AddBytes(except), usage)) {
    return db_->Failure();
  }
  files = static_cast<std::uint64_t>(usage.Integer(0, 0));
  bytes = static_cast<std::uint64_t>(usage.Integer(0, 1));
  return Status::Ok();
}

}  // namespace padserver
