// The server's data directory and what lies in it:
//
//   DATA/pads.db        the pad store
//   DATA/pads/ID.pad    the gzip pad file of pad ID
//   DATA/misc/NAME      the other files, served by the web server as /misc/NAME
//
// The files lie there unless the shared store keeps them (FileArea.h); the
// folders are made all the same.
//
// Names that requests bring are checked before they become paths, so that
// nothing a request names can leave the directory.
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "padserver/PadRecord.h"
#include "padserver/Status.h"

namespace padserver {

// A misc file name holds 1 to 255 bytes and is refused (400) when it holds
// "/" or "\" (so no component can be ".."), a control byte, or one of "%",
// "?" and "#", which the web server would read as an escape, a query or a
// fragment so that GET /misc/NAME could not fetch the file back; and when it
// begins with ".", which keeps ".", "..", hidden files and the server's own
// temporary files out of reach.
constexpr std::size_t kMaxFileNameLength = 255;
Status CheckFileName(std::string_view name);

// The pad identifier of a pad file's name, "ID.pad"; 400 for any other name.
Status ReadPadFileName(std::string_view name, PadId& id);
// The name of pad `id`'s file, "ID.pad".
std::string PadFileName(PadId id);

class DataDirectory {
 public:
  explicit DataDirectory(std::string root) : root_(std::move(root)) {}

  // Creates the directory and its subdirectories when they are missing;
  // 500 when pads/ or misc/ is not a directory of its own (a link).
  Status Prepare() const;

  std::string PadDirectory() const { return root_ + "/pads"; }
  std::string MiscDirectory() const { return root_ + "/misc"; }
  std::string DatabasePath() const { return root_ + "/pads.db"; }

 private:
  std::string root_;
};

}  // namespace padserver
