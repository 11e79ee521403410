#include "OpenDescriptors.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// Room left above the held descriptors for the test's own sockets and files.
constexpr rlim_t kHeadroom = 64;
// Below this hard limit a test that holds over a thousand cannot run.
constexpr rlim_t kLeastHardLimit = 1200;

}  // namespace

int OpenDescriptorCount() {
  DIR* table = ::opendir("/proc/self/fd");
  if (table == nullptr) return -1;
  int count = 0;
  while (dirent* entry = ::readdir(table)) {
    if (entry->d_name[0] != '.') ++count;
  }
  ::closedir(table);
  return count - 1;  // the table's own descriptor
}

HeldDescriptors::HeldDescriptors(int count) {
  rlimit limit;
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) {
    notApplicable_ = "the limit on open descriptors cannot be read";
    return;
  }
  const rlim_t hard = limit.rlim_max;
  if (hard != RLIM_INFINITY && hard < kLeastHardLimit) {
    notApplicable_ = "the hard limit on open descriptors (" + std::to_string(hard) + ") is below " +
                     std::to_string(kLeastHardLimit);
    return;
  }
  const int open = OpenDescriptorCount();
  rlim_t wanted = static_cast<rlim_t>(open < 0 ? 0 : open) + static_cast<rlim_t>(count) + kHeadroom;
  if (hard != RLIM_INFINITY && wanted > hard) wanted = hard;
  if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < wanted) {
    softLimit_ = limit.rlim_cur;
    limit.rlim_cur = wanted;
    raised_ = ::setrlimit(RLIMIT_NOFILE, &limit) == 0;
  }
  for (int i = 0; i < count; ++i) {
    int descriptor = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) break;
    held_.push_back(descriptor);
  }
}

HeldDescriptors::~HeldDescriptors() {
  for (int descriptor : held_) ::close(descriptor);
  if (raised_) {
    rlimit limit;
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0) {
      limit.rlim_cur = static_cast<rlim_t>(softLimit_);
      ::setrlimit(RLIMIT_NOFILE, &limit);
    }
  }
}
