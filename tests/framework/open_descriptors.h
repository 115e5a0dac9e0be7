#pragma once

#include <dirent.h>

namespace vantora::testing {

// The process's open file descriptors, as the kernel counts them.
inline int OpenFileDescriptors() {
  int n = 0;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (dirent* e = readdir(dir)) n += e->d_name[0] != '.';
    closedir(dir);
    --n;  // the descriptor of the listing itself
  }
  return n;
}

}  // namespace vantora::testing
