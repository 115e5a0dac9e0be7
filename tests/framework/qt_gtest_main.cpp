// The main() of test binaries that need the application object. Test
// discovery runs the binary without CTest's environment, so the offscreen
// platform is chosen here when nothing else is.
#include <gtest/gtest.h>

#include "framework/application.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  vantora::TApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
