#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  // Widgets draw on the offscreen platform unless the caller chose another.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
