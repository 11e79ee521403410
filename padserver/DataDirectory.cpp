#include "padserver/DataDirectory.h"

#include <sys/stat.h>

#include <cerrno>

#include "padserver/ServerLog.h"
#include "padserver/TextRules.h"

namespace padserver {

namespace {

bool MakeDirectory(const std::string& path) {
  return ::mkdir(path.c_str(), 0755) == 0 || errno == EEXIST;
}

}  // namespace

Status CheckFileName(std::string_view name) {
  auto refuse = [](const char* reason) { return Status::Fail(kBadRequest, reason); };
  if (name.empty()) return refuse("empty file name");
  if (name.size() > kMaxFileNameLength) return refuse("file name too long");
  if (name.front() == '.') return refuse("file name begins with a dot");
  for (char c : name) {
    if (c == '/' || c == '\\') return refuse("file name holds a path separator");
    if (IsControl(c)) return refuse("control character in file name");
    if (c == '%' || c == '?' || c == '#') return refuse("file name holds % ? or #");
  }
  return Status::Ok();
}

Status ReadPadFileName(std::string_view name, PadId& id) {
  constexpr std::string_view kSuffix = ".pad";
  bool named = name.size() > kSuffix.size() &&
               name.substr(name.size() - kSuffix.size()) == kSuffix &&
               ReadIdentifier(name.substr(0, name.size() - kSuffix.size()), id);
  return named ? Status::Ok() : Status::Fail(kBadRequest, "pad file name is not ID.pad");
}

Status DataDirectory::Prepare() const {
  if (root_.empty()) return Status::Fail(kServerError, "no data directory");
  for (const std::string& path : {root_, root_ + "/pads", root_ + "/misc"}) {
    if (!MakeDirectory(path)) {
      LogSystemFailure("cannot make the data directory", path);
      return Status::Fail(kServerError, "cannot make the data directory");
    }
  }
  // Files are written into these by name: a link put in their place would
  // send them elsewhere.
  for (const std::string& path : {PadDirectory(), MiscDirectory()}) {
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
      LogFailure("not a directory of its own", path);
      return Status::Fail(kServerError, "data directory is not safe");
    }
  }
  return Status::Ok();
}

std::string PadFileName(PadId id) { return std::to_string(id) + ".pad"; }

}  // namespace padserver
