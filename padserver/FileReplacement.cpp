#include "padserver/FileReplacement.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

#include "padserver/ServerLog.h"

namespace padserver {

namespace {

// The new file of the replacement under way, for the signal handler: a
// fixed buffer and a flag, since a handler may use nothing else.
constexpr std::size_t kPendingSize = 4096;
char pendingName[kPendingSize];
std::atomic<bool> pendingSet{false};

void RemovePendingAndExit(int signal) {
  if (pendingSet.load()) ::unlink(pendingName);
  ::_exit(128 + signal);
}

// Not built from the destination's name, which may already take all the
// bytes a name can have; a process makes one replacement at a time. Names
// too long to remember for the handler are not tried.
std::string NewFileName(const std::string& path, int attempt) {
  std::size_t slash = path.rfind('/');
  std::string name = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) +
                     kNewFilePrefix + std::to_string(::getpid()) + "." + std::to_string(attempt);
  return name.size() < kPendingSize ? name : std::string();
}

// The name is remembered before the file is made, so that no moment leaves
// it behind, and forgotten once it is no longer this process's file.
void TrackPending(os::ReplacementStep step, const std::string& name) {
  if (step == os::ReplacementStep::kCreating) {
    pendingSet.store(false);
    std::memcpy(pendingName, name.c_str(), name.size() + 1);
    pendingSet.store(true);
  } else if (step == os::ReplacementStep::kReplaced || step == os::ReplacementStep::kRemoved) {
    pendingSet.store(false);
  }
}

}  // namespace

void InstallCleanupOnSignals() {
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = RemovePendingAndExit;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

FileReplacement::FileReplacement() : replacement_(&NewFileName, &TrackPending) {}

Status FileReplacement::Open(const std::string& path) {
  path_ = path;
  file_ = replacement_.Open(path, true);
  if (file_ != nullptr) return Status::Ok();
  LogSystemFailure("cannot make a new file", path);
  return Status::Fail(kServerError, "cannot make a new file");
}

bool FileReplacement::Write(const char* data, std::size_t size) {
  return file_ != nullptr && std::fwrite(data, 1, size, file_) == size;
}

Status FileReplacement::Commit() {
  if (file_ == nullptr) return Status::Fail(kServerError, "nothing to store");
  file_ = nullptr;
  if (replacement_.Commit()) return Status::Ok();
  LogSystemFailure("cannot store the file", path_);
  return Status::Fail(kServerError, "cannot store the file");
}

void FileReplacement::Abandon() {
  file_ = nullptr;
  replacement_.Abandon();
}

}  // namespace padserver
