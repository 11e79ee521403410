#include "OpenDescriptors.h"

#include <dirent.h>

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
