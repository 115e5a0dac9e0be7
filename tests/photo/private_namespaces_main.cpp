// The main() of the photo-road tests. They serve the station's fixed HTTP
// port and fill small file systems, so the whole binary runs in a network
// namespace and a mount namespace of its own: nothing it does reaches the
// machine's ports or mounts.
#include <gtest/gtest.h>

#include <sched.h>
#include <sys/mount.h>

#include <cstdio>

#include "framework/application.h"
#include "tests/support/private_network.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (const std::string error = vantora::testing::EnterPrivateNetwork(); !error.empty()) {
    std::fprintf(stderr, "no private network namespace: %s\n", error.c_str());
    return 1;
  }
  // Mounts made by a test stay inside this process and vanish with it.
  if (unshare(CLONE_NEWNS) == 0) mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr);
  ::testing::InitGoogleTest(&argc, argv);
  vantora::TApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
