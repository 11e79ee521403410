#include "FileReplacement.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

#include "os/Files.h"

namespace padserver {

namespace {

constexpr int kTemporaryNameAttempts = 32;

// The new file of the replacement under way, for the signal handler: a
// fixed buffer and a flag, since a handler may use nothing else.
constexpr std::size_t kPendingSize = 4096;
char pendingName[kPendingSize];
std::atomic<bool> pendingSet{false};

void RemovePendingAndExit(int signal) {
  if (pendingSet.load()) ::unlink(pendingName);
  ::_exit(128 + signal);
}

// Remembered before the file is made, so that no moment leaves it behind.
bool RememberPending(const std::string& name) {
  if (name.size() >= kPendingSize) return false;
  pendingSet.store(false);
  std::memcpy(pendingName, name.c_str(), name.size() + 1);
  pendingSet.store(true);
  return true;
}

void ForgetPending() { pendingSet.store(false); }

std::string DirectoryOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

// A rename is on the disk only once its directory is.
bool FlushDirectory(const std::string& directory) {
  int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return false;
  bool flushed = ::fsync(fd) == 0;
  ::close(fd);
  return flushed;
}

}  // namespace

void InstallCleanupOnSignals() {
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = RemovePendingAndExit;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

FileReplacement::~FileReplacement() { Abandon(); }

Status FileReplacement::Open(const std::string& path) {
  Abandon();
  // Not built from the destination's name, which may already take all the
  // bytes a name can have; a process makes one replacement at a time.
  std::string stem = DirectoryOf(path) + ".new." + std::to_string(::getpid()) + ".";
  for (int attempt = 1; attempt <= kTemporaryNameAttempts; ++attempt) {
    std::string candidate = stem + std::to_string(attempt);
    if (!RememberPending(candidate)) break;
    if (!os::CreateNewFile(candidate.c_str())) continue;  // a leftover of an earlier run
    temporary_ = candidate;
    file_ = std::fopen(candidate.c_str(), "wb");
    if (file_ == nullptr) break;
    destination_ = path;
    return Status::Ok();
  }
  Abandon();
  return Status::Fail(kServerError, "cannot make a new file");
}

bool FileReplacement::Write(const char* data, std::size_t size) {
  return file_ != nullptr && std::fwrite(data, 1, size, file_) == size;
}

Status FileReplacement::Commit() {
  if (file_ == nullptr) return Status::Fail(kServerError, "nothing to store");
  bool written = !std::ferror(file_) && os::FlushToDisk(file_);
  written = std::fclose(file_) == 0 && written;
  file_ = nullptr;
  if (written && os::ReplaceFile(temporary_.c_str(), destination_.c_str())) {
    temporary_.clear();
    ForgetPending();
    FlushDirectory(DirectoryOf(destination_));
    return Status::Ok();
  }
  Abandon();
  return Status::Fail(kServerError, "cannot store the file");
}

void FileReplacement::Abandon() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!temporary_.empty()) {
    os::RemoveFile(temporary_.c_str());
    temporary_.clear();
  }
  ForgetPending();
}

}  // namespace padserver
