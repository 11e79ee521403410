#include "padserver/Sweep.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "padserver/FileReplacement.h"
#include "padserver/Programs.h"
#include "padserver/ServerLog.h"

namespace padserver {

namespace {

// The names of the plain files in `directory`.
bool ListFiles(const std::string& directory, std::vector<std::string>& names,
               std::vector<std::time_t>& changed) {
  DIR* listing = ::opendir(directory.c_str());
  if (listing == nullptr) return false;
  while (const dirent* entry = ::readdir(listing)) {
    struct stat info;
    if (::fstatat(::dirfd(listing), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(info.st_mode)) {
      names.emplace_back(entry->d_name);
      changed.push_back(info.st_mtime);
    }
  }
  ::closedir(listing);
  return true;
}

bool IsNewFile(const std::string& name) {
  return name.compare(0, sizeof kNewFilePrefix - 1, kNewFilePrefix) == 0;
}

void Remove(const std::string& path) {
  if (::unlink(path.c_str()) != 0) LogSystemFailure("cannot sweep", path);
}

}  // namespace

Status Sweep(const DataDirectory& data, const std::string& storeUri) {
  Status status = data.Prepare();
  if (!status.IsOk()) return status;
  const std::time_t now = std::time(nullptr);
  std::unique_ptr<PadStore> store;
  struct stat info;
  // An embedded database left from before a move to a shared store must not
  // decide which pad files go.
  if (!storeUri.empty() || ::stat(data.DatabasePath().c_str(), &info) == 0) {
    store = OpenRecordStore(storeUri, data, status);
    if (store == nullptr) return status;
  }
  for (const std::string& directory : {data.PadDirectory(), data.MiscDirectory()}) {
    std::vector<std::string> names;
    std::vector<std::time_t> changed;
    if (!ListFiles(directory, names, changed)) {
      LogSystemFailure("cannot list", directory);
      return Status::Fail(kServerError, "cannot sweep");
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (IsNewFile(names[i]) && now - changed[i] > kStaleNewFileSeconds) {
        Remove(directory + "/" + names[i]);
      }
    }
  }
  if (store == nullptr) return Status::Ok();
  std::unique_ptr<FileArea> files = OpenFileArea(storeUri, data, status);
  std::vector<std::string> names;
  if (files != nullptr) status = files->List(Folder::kPads, names);
  if (!status.IsOk()) return status;
  for (const std::string& name : names) {
    PadId id = 0;
    PadRecord record;
    if (!ReadPadFileName(name, id).IsOk()) continue;
    status = store->Get(id, record);
    if (status.code == kNotFound) status = files->Remove(Folder::kPads, name);
    if (!status.IsOk()) return status;
  }
  return Status::Ok();
}

int RunSweep(const char* dataDirectory) {
  const char* store = std::getenv("BAZARO_PAD_STORE");
  Status status = Sweep(DataDirectory(dataDirectory), store != nullptr ? store : "");
  if (status.IsOk()) return 0;
  LogFailure("sweep failed", status.reason);
  return 1;
}

}  // namespace padserver
