#include <QCoreApplication>

#include <gtest/gtest.h>

// The network tests need an event loop: one application object for the whole run.
int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
