// The file area of the shared store: the files of every front end in the
// PostgreSQL database that holds the pad records, in pieces of kPieceBytes
// (PostgresSchema.cpp says why rows rather than large objects).
//
// A replacement is one transaction, open while the file arrives: its pieces
// hang from a row without a name until the commit names it, in place of the
// old row and its pieces. Whatever ends it early (a failure, an abandoned
// writer, a process that is killed and so drops its connection) rolls it
// back and leaves nothing behind. A reader reads in a repeatable-read
// transaction, so it gets the version it opened whole even when a
// replacement commits meanwhile.
//
// The area has one connection: a writer or reader uses it until it goes,
// and the area must outlive it.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <utility>

#include "padserver/FileArea.h"
#include "padserver/PostgresConnection.h"

namespace padserver {

class PostgresFileArea : public FileArea {
 public:
  // The size of the stored pieces: large enough that a big file takes few
  // statements, small enough to hold one in memory at a time.
  static constexpr std::size_t kPieceBytes = 256 * 1024;

  // Connects to the database `uri` names, making the tables on first use.
  // Null, with the reason in `status`, when that fails.
  static std::unique_ptr<PostgresFileArea> Open(const std::string& uri, Status& status);

  Status Replace(Folder folder, const std::string& name,
                 std::unique_ptr<FileWriter>& writer) override;
  Status Open(Folder folder, const std::string& name, std::unique_ptr<FileReader>& reader) override;
  Status Remove(Folder folder, const std::string& name) override;
  Status List(Folder folder, std::vector<std::string>& names) override;
  Status MiscUsage(const std::string& except, std::uint64_t& files, std::uint64_t& bytes) override;

 private:
  explicit PostgresFileArea(std::unique_ptr<PostgresConnection> connection)
      : db_(std::move(connection)) {}

  std::unique_ptr<PostgresConnection> db_;
};

}  // namespace padserver
