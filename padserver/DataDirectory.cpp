#include "padserver/DataDirectory.h"

#include <sys/stat.h>

#include <cerrno>

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

Status DataDirectory::Prepare() const {
  if (root_.empty()) return Status::Fail(kServerError, "no data directory");
  for (const std::string& path : {root_, root_ + "/pads", root_ + "/misc"}) {
    if (!MakeDirectory(path)) return Status::Fail(kServerError, "cannot make the data directory");
  }
  return Status::Ok();
}

std::string DataDirectory::PadFile(PadId id) const {
  return root_ + "/pads/" + std::to_string(id) + ".pad";
}

}  // namespace padserver
