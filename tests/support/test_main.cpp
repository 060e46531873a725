// Entry point of every test program: a headless application object, then GoogleTest.
#include <cstdlib>

#include <gtest/gtest.h>

#include "tests/support/test_app.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  testing::InitGoogleTest(&argc, argv);
  lumitest::StartTestApplication(argc, argv);
  int result = RUN_ALL_TESTS();
  lumitest::StopTestApplication();
  return result;
}
